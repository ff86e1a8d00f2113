// The one door of the authoring tools into the engine. Every decision a tool shows
// (identification, region, section, values, favorites, pages, wallpapers) is the engine's
// own function answering through the host stand-ins over one host::Image; what the
// branding actions would do is found by running them in a dry run of that image, so a
// prediction and a run cannot disagree. Nothing here changes the image unless the caller
// asks for a run (Run).
//
// Texts in everything this returns are UTF-8, converted once from the image's code page
// (author/text.h); texts given to it are UTF-8 too. The engine's state is process-wide:
// use one EngineQuery at a time, on one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formats/profile_format.h"
#include "formats/profile_index.h"
#include "platform/host/image.h"

namespace author {

// What the engine knows without a machine: its tables, the names it can put into a
// section name, and the rooms it reads values into.
struct EngineFacts {
    struct RegionRow {
        std::string optionCode;
        std::string region;
    };
    std::vector<RegionRow> regionTable;     // in the order it is searched
    std::string noRegion;                   // "XX"
    std::vector<std::string> langStrings;   // every primary-language text ("09", ..., "UN")
    std::vector<std::string> categories;    // every category a model name can give, rule order
    std::vector<std::string> imageFolders;  // every wallpaper variant a model name can give
    std::string defaultSection;             // "DEFAULT_SECTION"
    size_t listRoom = 0;                    // characters of a Favorites list the engine reads
    size_t pageKeyRoom = 0;                 // of a Home or Search value
    size_t pageNameRoom = 0;                // of a page's link Name
    size_t favoriteNameRoom = 0;            // of a favorite's link Name
    size_t pathRoom = 0;                    // of a link Path
    size_t probeRoom = 0;                   // of the section search's Home probe
    std::string factoryFile;                // C:\factory\Util\QOR.INI
};

// The brand rules' outcome for a model name.
struct BrandInfo {
    std::string model;  // upper-cased as the engine upper-cases it
    std::string brand;
    std::string category;
    std::string imageFolder;
    bool matched = false;
    std::string matchedText;
    size_t offset = 0;
    bool insideWord = false;  // a two-letter prefix found inside a longer word decided
    bool hasOptionCode = false;
    std::string optionCode;
    int tableRow = 0;  // 1-based row of the region table the option code names; 0 for none
    std::string tableRegion;
};

struct RegionInfo {
    std::string code;
    std::string source;  // "option-code", "factory-file" or "fallback"
    bool hasHash = false;
    std::string optionCode;
    int tableRow = 0;  // 1-based, 0 for none
    bool factoryValueCut = false;
};

struct LanguageTexts {
    std::string userLangID;
    std::string osLangID;
    std::string osLangString;
};

struct ScreenInfo {
    bool wide = false;
    bool fromEdid = false;
    unsigned width = 0;
    unsigned height = 0;
    int nRev = 0;
    int nPass = 0;
    bool lcdFound = false;
    unsigned adapter = 0;
    unsigned monitor = 0;
    std::string adapterName, deviceId, pnpId, instance;
    int modes = 0;
    int widthMode = -1;
    int heightMode = -1;
};

struct EdidInfo {
    bool decoded = false;
    int nRev = 0;
    int nPass = 0;
    unsigned width = 0;
    unsigned height = 0;
    std::string displayType;  // "LCD", "CRT", "FLAT", "none"
};

// The facts of one machine that decide its section. The matrix varies these; explain
// reads them from the image (ReadImageFacts).
struct MachineFacts {
    std::string modelName;  // as the library reports it
    uint16_t userLanguage = 0x0409;
    uint16_t uiLanguage = 0x0409;
    bool wideScreen = false;
};

struct ImageFacts {
    std::string library;  // "read", "not-loaded" or "missing-export"
    std::string machineId;
    MachineFacts facts;
    ScreenInfo screen;
};

struct Candidate {
    std::string name;
    std::string result;  // "found", "no-section", "no-home", "not-probed"
};

// Identification and section choice for one set of facts.
struct Decision {
    BrandInfo brand;
    RegionInfo region;
    LanguageTexts language;
    std::vector<Candidate> candidates;
    int found = 0;  // 1-5: the candidate chosen; 0: DEFAULT_SECTION
    std::string section;
    bool wideScreen = false;
};

// A write that fails: the place and the system's reason.
struct WriteFailure {
    std::string what;  // the Windows path, or the registry value
    uint32_t error = 0;
    std::string text;  // the system's text for the error
};

// Each outcome has one name that every tool uses:
//   missing-link            the link section is missing or lacks Name or Path: nothing installed
//   path-too-long           the link's Path is longer than the engine holds: nothing installed
//   no-shortcut             the favorite's Name is no file name: sign-up entries only
//   shortcut-path-too-long  the Favorites folder and the Name do not fit a path: sign-up entries only
//   no-favorites-folder     no usable Favorites folder: sign-up entries only
//   write-fails             a write fails (the place and the system's reason say why)
struct FavoriteOutcome {
    std::string linkSection;
    std::string name;  // empty with nameMissing
    std::string url;   // empty with pathMissing
    bool nameMissing = false;
    bool pathMissing = false;
    bool nameCut = false;
    bool pathTooLong = false;
    bool installed = false;    // it has a sign-up number and its entries are written (or fail)
    int index = 0;             // sign-up number; 0 when nothing is installed
    std::string shortcutFile;  // the file the engine writes, when it writes one
    std::string shortcut;      // "made", "failed", "no-shortcut", "shortcut-path-too-long", "no-favorites-folder", ""
    std::string reason;        // the outcome's name when anything is missing or fails; empty when all is well
    std::vector<WriteFailure> failures;
};

struct PageOutcome {
    bool named = false;  // the section names a link section for it
    std::string linkSection;
    std::string name;
    std::string url;
    bool nameMissing = false;
    bool pathMissing = false;
    bool pathTooLong = false;
    bool sectionCut = false;  // the Home or Search value was longer than the engine reads
    bool nameCut = false;
    int runs = 0;          // how many times the step runs with these arguments
    bool applied = false;  // the page is set (every write done)
    std::string reason;
    std::vector<WriteFailure> failures;
};

struct WallpaperCopy {
    std::string source;
    std::string target;
    bool fits = true;
    bool sourceExists = false;
    std::string result;  // "copied", "failed", "not-reached"
    std::string reason;  // for a failed copy: "path-too-long", "asset-missing" or "write-fails"
    std::vector<WriteFailure> failures;
};

struct SignupEntry {
    std::string section;
    std::string key;
    std::string value;
};

// What a run does (or, in a dry run, would do).
struct RunOutcome {
    int exitCode = 0;
    std::string stops;  // why the run ends before its branding actions; empty when it does not
    std::string section;
    std::string favoritesList;
    bool favoritesListCut = false;
    std::string favoritesFolderResult;  // "found", "empty", "unreadable", "too-long"; empty without favorites
    std::string favoritesFolder;
    int signupStart = 0;
    std::vector<FavoriteOutcome> favorites;
    PageOutcome home;
    PageOutcome search;
    std::string variant;   // the wallpaper variant folder the copies use
    std::string sizeFile;  // "\1920x1200.jpg" or "\1024x768.jpg"
    std::vector<WallpaperCopy> wallpapers;
    std::vector<SignupEntry> signup;  // sign-up entries written, in order
    std::vector<WriteFailure> failures;
    std::string logPath;      // Windows path of the log the run appended to
    std::string signupPath;   // of the sign-up file
    std::string log;          // what it appended to the log
    bool NoBranding() const;  // stops, or installs no page and no favorite
};

// What a branding section installs, as the engine decides it without a machine (no
// Favorites folder, no sign-up file): its pages and favorites with their outcomes
// (missing-link, path-too-long, and no-shortcut for a Name Windows refuses).
struct SectionPlan {
    PageOutcome home;
    PageOutcome search;
    std::string favoritesList;
    bool favoritesListCut = false;
    std::vector<FavoriteOutcome> favorites;
};

// Every wallpaper source the wallpaper step can take, with the size its name gives.
struct WallpaperSource {
    std::string winPath;  // UTF-8
    std::string variant;  // "\standard", ...
    std::string stem;     // "First", "Second", "Third"
    unsigned width = 0;
    unsigned height = 0;
};

class EngineQuery {
public:
    // Answers about `image`, which it makes the current image while it lives. Resolves
    // the executable folder, branding file path and sign-up file path as a run does.
    explicit EngineQuery(host::Image& image);
    ~EngineQuery();
    EngineQuery(const EngineQuery&) = delete;
    EngineQuery& operator=(const EngineQuery&) = delete;

    static const EngineFacts& Facts();
    // The brand rules and the option code's table row for a model name.
    static BrandInfo ClassifyModel(const std::string& modelName);
    static LanguageTexts Languages(uint16_t userLanguage, uint16_t uiLanguage);
    // The five section names the search probes, in order, as the engine builds them.
    static std::vector<std::string> Candidates(const std::string& region, const std::string& osLangID,
                                               const std::string& osLangString, const std::string& category);
    // Whether Windows can make a file of this name with ".URL" appended (the engine's test).
    static bool IsFileName(std::string_view name);
    // The pieces of a Favorites list as the engine cuts it: each piece's offset and length.
    static std::vector<std::pair<size_t, size_t>> FavoritePieces(std::string_view list);
    static EdidInfo DecodeEdid(std::string_view bytes);
    // The number of bytes the EDID decoder needs.
    static size_t EdidBytesUsed();
    static bool IsHomePageSwitch(const std::string& arg);
    // The system's text for a Windows error, as the run logs it (without the trailing blanks).
    static std::string SystemText(uint32_t error);

    host::Image& image() { return image_; }
    bool iniPathOk() const { return iniPathOk_; }
    const std::string& iniPath() const { return iniPath_; }  // Windows path, UTF-8
    const std::string& exeDir() const { return exeDir_; }
    const std::string& signupPath() const { return signupPath_; }
    bool iniExists();

    // A branding file in place of the image's own, in memory (nothing is written).
    void PutBrandingFile(const std::string& bytes);
    // The branding file as the engine reads it (a UTF-16LE file decoded to the image's
    // code page), parsed by the reader's line rules. Views into BrandingText().
    bool BrandingRead();
    std::string_view BrandingBytes();  // the file's own bytes
    std::string_view BrandingText();
    const formats::ProfileParse& BrandingParse();
    // Lines of the first section of a name and of the first entry of a key in it; 0 for none.
    int SectionLine(const std::string& section);
    int EntryLine(const std::string& section, const std::string& key);
    // The same, with the value that entry gives the reader (UTF-8) in *value.
    int Entry(const std::string& section, const std::string& key, std::string* value);
    // The lines a section covers, up to the next header.
    bool SectionSpan(const std::string& section, int* first, int* last);
    int FirstHeaderLine();
    // Sections that carry branding (Home, Search or Favorites) or are DEFAULT_SECTION.
    std::vector<std::string> BrandingSections();

    // The machine of the image: library, languages, screen. Logs and writes nothing.
    ImageFacts ReadImageFacts();

    // Brand, region (from the option code, else the factory options file as the image
    // holds it), languages, the candidates and the section search.
    Decision Decide(const MachineFacts& facts);
    // The section search alone, for a region, the language texts and a category: the
    // candidates with their results, and the section chosen.
    Decision Search(const std::string& region, const LanguageTexts& language, const std::string& category);
    // What a branding section installs (see SectionPlan).
    SectionPlan PlanSection(const std::string& section);

    // The factory options file with DashRegion=value from now on (in memory), or none at all.
    void SetFactoryRegion(const std::string* value);
    // The region a machine without an option code gets from the factory file as it is now.
    RegionInfo FactoryRegion();
    // The line of DashRegion in [uia] of the factory options file; 0 for none.
    int FactoryRegionLine();

    // What the run of this image does, in a dry run: nothing is changed, and the image's
    // journal stays as it was.
    RunOutcome DryRun(const std::vector<std::string>& args);
    // The same for a machine of these facts: the installation (everything after the
    // identification) in a dry run, with the decision's identification.
    RunOutcome DryRunInstallation(const Decision& decision, const std::vector<std::string>& args);
    // The run, for real: the image is changed as the machine would be, and its journal
    // records every change.
    RunOutcome Run(const std::vector<std::string>& args);

    // Every wallpaper source any machine could copy from this image.
    std::vector<WallpaperSource> WallpaperSources();

private:
    struct State;
    const formats::ProfileParse& Lines();
    // The stand-ins' index of the branding file, the one the engine's reads use; null
    // when the file cannot be read. Valid until the next call into the image.
    formats::ProfileIndex* BrandingIndex();

    host::Image& image_;
    host::ImageScope scope_;
    std::unique_ptr<State> state_;
    bool iniPathOk_ = false;
    std::string iniPath_;
    std::string exeDir_;
    std::string signupPath_;
};

}  // namespace author
