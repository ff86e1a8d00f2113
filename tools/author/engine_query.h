// The engine's decisions for the authoring tools: what a machine is, which section of the
// branding file it gets and what the branding actions would do with it, all answered by
// the engine's own decide functions through the host stand-ins, with nothing written.
//
// Use on a machine image opened with host::OpenMachine (cli::OpenImage). One EngineQuery
// resolves the branding file path once; each Decide* call then sets the RunState fields
// that decision reads and calls the engine, so its cost is the engine's own profile
// lookups (the probe: at most five; a plan: one per value read). The engine's state is
// process-wide (g_run): use one EngineQuery at a time, on one thread, and do not run the
// engine (RunFacet) in between.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "actions/favorites.h"
#include "actions/pages.h"
#include "actions/wallpapers.h"
#include "config/section.h"
#include "identify/brand.h"
#include "identify/dash_region.h"
#include "identify/language.h"
#include "identify/screen.h"

namespace author {

// The facts of one machine that decide its section. The matrix varies these; explain
// reads them from the image (ReadImageFacts).
struct MachineFacts {
    std::string modelName;   // as the library reports it; the engine upper-cases it
    std::string dashRegion;  // empty: the engine decides (option code, else QOR.INI)
    uint16_t userLanguage = 0x0409;
    uint16_t uiLanguage = 0x0409;
    bool wideScreen = false;
};

// Identification and section choice for one set of facts.
struct Decision {
    std::string modelName;  // upper-cased
    BrandDecision brand;
    bool regionGiven;       // the region came from MachineFacts, not from the engine
    RegionDecision region;  // engine's decision (source, row, option code) unless given
    LanguageCodes language;
    SectionCandidates candidates;
    SectionProbe probe;  // probe.szSection is the chosen section
};

// Why a candidate did or did not give the section.
enum class CandidateResult {
    kFound,
    kNoSuchSection,
    kNoHome,
    kNotProbed
};
const char* CandidateResultName(CandidateResult result);  // "found", "no-section", "no-home", "not-probed"

// One link of the Favorites list, in list order.
struct FavoriteItem {
    std::string linkSection;  // the piece of the list, as the engine splits it
    FavoriteLink link;
    int32_t index;  // sign-up number ("Title" n); 0 when skipped
};

// The machine's own facts from the image: the library's model name, both language
// identifiers, and the screen decision with its evidence.
struct ImageFacts {
    int identity;  // kIdentityRead, kIdentityNoLibrary or kIdentityNoExport
    char szMachineId[20];
    MachineFacts facts;  // dashRegion left empty: the engine decides it
    ScreenDecision screen;
};

class EngineQuery {
public:
    // Resolves the executable folder, Facet.INI path and sign-up file path as the run does.
    EngineQuery();

    // kIniPathOk, or why the engine has no branding file path.
    int iniPathStatus() const { return iniPathStatus_; }
    const std::string& iniPath() const { return iniPath_; }  // Windows path
    const std::string& exeDir() const { return exeDir_; }
    const std::string& signupPath() const { return signupPath_; }
    // True when the engine finds the branding file (IniFileExists).
    bool iniExists() const { return iniExists_; }

    // Reads the image's machine: library, languages, screen. Logs and writes nothing.
    void ReadImageFacts(ImageFacts* facts);

    // Brand, region, language codes, the five candidates and the probe.
    void Decide(const MachineFacts& facts, Decision* decision);

    // The result of each candidate of a decision. Reads the branding file's sections
    // through the stand-in's parser to tell a missing section from one without "Home".
    void CandidateResults(const Decision& decision, CandidateResult (&results)[kSectionCandidates]);

    // What the actions would do for the chosen section of `decision` (call Decide first).
    // Values are read with the engine's buffers; the Cut flags say where those cut them.
    void DecideFavorites(const Decision& decision, FavoritesPlan* plan, std::vector<FavoriteItem>* items);
    void DecidePage(const Decision& decision, const char* key, PageLink* link);  // "Home" or "Search"
    void DecideWallpapers(const Decision& decision, const MachineFacts& facts, WallpaperPlan* plan);

private:
    void UseSection(const Decision& decision);

    int iniPathStatus_ = 0;
    bool iniExists_ = false;
    std::string exeDir_;
    std::string iniPath_;
    std::string signupPath_;
};

}  // namespace author
