// The coverage matrix. Every decision comes from the engine's own decide functions,
// asked through the host stand-ins on a scratch machine image: the brand and category,
// the region from the option code or the factory options file, the language codes, the
// section search, the links and favorites of the chosen section and the wallpaper paths.
// The engine's answers depend only on a few of the inputs (the section search on the
// category, region and language; the links on the section chosen; the wallpapers on the
// variant, language and screen), so each distinct question is put once and its answer
// shared by every combination that asks it.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include "actions/favorites.h"
#include "actions/pages.h"
#include "actions/wallpapers.h"
#include "author/contact_sheet.h"
#include "author/engine_query.h"
#include "author/matrix.h"
#include "author/matrix_input.h"
#include "base/bounded.h"
#include "config/section.h"
#include "identify/brand.h"
#include "identify/dash_region.h"
#include "identify/language.h"
#include "platform/host/machine.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"
#include "run/run_state.h"

namespace author {

namespace {

namespace fs = std::filesystem;

const char kExecutable[] = "C:\\Facet\\Facet.exe";

// A machine image of the matrix's own: the branding file beside the executable, the
// wallpapers linked in from where the caller keeps them, and a factory options file
// that the region questions rewrite. Removed when done.
class ScratchImage {
public:
    ~ScratchImage() {
        if (host::MachineIsOpen()) host::CloseMachine();
        std::error_code ec;
        if (!dir_.empty()) fs::remove_all(dir_, ec);
    }

    bool Make(const std::string& iniBytes, const std::string& wallpaperRoot, std::string* error) {
        char templ[] = "/tmp/facet-matrix-XXXXXX";
        if (mkdtemp(templ) == nullptr) {
            *error = "cannot make a scratch folder under /tmp";
            return false;
        }
        dir_ = templ;
        std::error_code ec;
        fs::create_directories(dir_ + "/drive_c/Facet", ec);
        fs::create_directories(dir_ + "/drive_c/FACTORY/Util", ec);
        fs::create_directories(dir_ + "/drive_c/Program Files", ec);
        fs::create_directories(dir_ + "/drive_c/Windows", ec);
        if (ec || !Write("machine.ini", std::string("[Machine]\r\nExecutable=") + kExecutable + "\r\n") ||
            !Write("drive_c/Facet/Facet.INI", iniBytes)) {
            *error = "cannot write the scratch image in " + dir_;
            return false;
        }
        std::string bitmap;
        if (!wallpaperRoot.empty() && FindPathNoCase(wallpaperRoot, {"Bitmap"}, &bitmap)) {
            fs::create_directory_symlink(fs::absolute(bitmap), dir_ + "/drive_c/Facet/Bitmap", ec);
        }
        if (!host::OpenMachine(dir_, error)) return false;
        // Nobody else writes this image, and its one outside change (the factory options
        // file below) is announced: the stand-ins need not ask the file system every time.
        host::CurrentImage()->TrustCaches(true);
        return true;
    }

    // The factory options file with DashRegion=value, or none at all.
    void SetFactoryRegion(const std::string* value) {
        std::string path = dir_ + "/drive_c/FACTORY/Util/QOR.INI";
        std::error_code ec;
        fs::remove(path, ec);
        if (value) Write("drive_c/FACTORY/Util/QOR.INI", "[uia]\r\nDashRegion=" + *value + "\r\n");
        host::CurrentImage()->Forget(path);
    }

private:
    bool Write(const std::string& rel, const std::string& bytes) {
        std::ofstream out(dir_ + "/" + rel, std::ios::binary | std::ios::trunc);
        out << bytes;
        return static_cast<bool>(out);
    }

    std::string dir_;
};

// A set of models the engine treats alike: same category, variant, two-letter warning
// and region from the option code (or none, when the factory file decides).
struct ModelGroup {
    std::shared_ptr<std::vector<std::string>> models = std::make_shared<std::vector<std::string>>();
    std::string category;
    std::string imageFolder;
    bool insideWord = false;
    std::string matched;
    bool regionFromTable = false;
    std::string tableRegion;
    std::string tableEvidence;
};

// What a section search leads to, for one category, region and language.
struct SectionOutcome {
    std::string section;
    int candidate = 0;
    std::shared_ptr<std::vector<std::string>> probes = std::make_shared<std::vector<std::string>>();
};

// What the chosen section installs.
struct SectionContent {
    std::string home;
    std::string search;
    std::shared_ptr<std::vector<std::string>> favorites = std::make_shared<std::vector<std::string>>();
    std::vector<std::string> problems;  // missing links
    bool sectionHasBranding = false;
};

struct WallpaperOutcome {
    std::string variant;
    std::string sizeFile;
    std::vector<std::string> missing;
};

struct RegionChoice {
    std::string region;
    std::string source;
    std::string evidence;
};

std::string Upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

std::vector<ModelGroup> GroupModels(const std::vector<std::string>& models) {
    std::vector<ModelGroup> groups;
    std::map<std::tuple<std::string, std::string, bool, bool, std::string>, size_t> index;
    for (const std::string& model : models) {
        char szModelName[260];
        CopyText(szModelName, model.c_str());
        UpperCaseModelName(szModelName);
        BrandDecision brand;
        DecideBrand(szModelName, &brand);
        char szCode[4];
        int row = FindOptionCodeRow(szModelName, szCode);
        ModelGroup g;
        g.category = brand.pszSubBrand;
        g.imageFolder = brand.pszImageFolder;
        g.insideWord = brand.bInsideWord;
        g.matched = brand.pszMatched ? brand.pszMatched : "";
        g.regionFromTable = row >= 0 && szModelName[0] != '\0';
        if (g.regionFromTable) {
            g.tableRegion = DashRegionTable[row].szRegionCode;
            g.tableEvidence = std::string("option code ") + szCode + ", table row " + std::to_string(row + 1);
        }
        auto key = std::make_tuple(g.category, g.imageFolder, g.insideWord, g.regionFromTable, g.tableRegion);
        auto it = index.find(key);
        if (it == index.end()) {
            index.emplace(key, groups.size());
            groups.push_back(g);
            it = index.find(key);
        }
        groups[it->second].models->push_back(model);
    }
    return groups;
}

// The regions the factory options file can give, as the engine reads each value (cut
// to two characters; no file at all leaves the fallback "XX").
std::vector<RegionChoice> FactoryRegions(ScratchImage* image, const MatrixOptions& options) {
    std::vector<std::string> values = options.regions;
    if (values.empty()) {
        for (const DashRegionRow& row : DashRegionTable) values.push_back(row.szRegionCode);
    }
    std::vector<RegionChoice> choices;
    auto add = [&](const std::string* value) {
        image->SetFactoryRegion(value);
        RegionDecision d;
        DecideDashRegion("", &d);
        for (const RegionChoice& c : choices) {
            if (c.region == d.szDashRegion) return;
        }
        RegionChoice c;
        c.region = d.szDashRegion;
        if (d.source == kRegionFromFactoryFile) {
            c.source = "qor-ini";
            c.evidence = "QOR.INI DashRegion=" + *value + (d.bFactoryValueCut ? " (cut to two characters)" : "");
        } else {
            c.source = "fallback";
            c.evidence = "no DashRegion in QOR.INI";
        }
        choices.push_back(c);
    };
    for (const std::string& v : values) add(&v);
    if (options.includeFallback) add(nullptr);
    image->SetFactoryRegion(nullptr);
    return choices;
}

SectionContent ReadSectionContent(const std::string& section) {
    SectionContent content;
    CopyText(g_run.szSection, section.c_str());
    PageLink home;
    DecidePageLink("Home", false, &home);
    PageLink search;
    DecidePageLink("Search", false, &search);
    if (home.bUsable) content.home = home.szLinkPath;
    if (search.bUsable) content.search = search.szLinkPath;
    if (home.szLinkSection[0] != '\0' && !home.bUsable) {
        content.problems.push_back(std::string("Home names link section ") + home.szLinkSection +
                                   ", which is missing or lacks Name or Path");
    }
    if (search.szLinkSection[0] != '\0' && !search.bUsable) {
        content.problems.push_back(std::string("Search names link section ") + search.szLinkSection +
                                   ", which is missing or lacks Name or Path");
    }
    char szList[260];
    ReadIniValue("Favorites", szList);
    FavoritesPlan plan;
    std::memset(&plan, 0, sizeof(plan));
    char* cursor = szList;
    for (char* piece = NextFavoritePiece(&cursor); piece; piece = NextFavoritePiece(&cursor)) {
        FavoriteLink link;
        DecideFavoriteLink(piece, plan, false, &link);
        if (link.bSkipped) {
            content.problems.push_back(std::string("Favorites names link section ") + piece +
                                       ", which is missing or lacks Name or Path");
        } else {
            content.favorites->push_back(link.szLinkName);
        }
    }
    content.sectionHasBranding = !content.home.empty() || !content.search.empty() || !content.favorites->empty();
    return content;
}

std::vector<std::string> ListBrandingSections(const std::string& iniBytes) {
    std::vector<std::string> names;
    std::string dump = formats::ProfileDump(iniBytes);
    size_t start = 0;
    while (start < dump.size()) {
        size_t end = dump.find('\n', start);
        if (end == std::string::npos) end = dump.size();
        std::string line = dump.substr(start, end - start);
        start = end + 1;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            std::string name = line.substr(1, line.size() - 2);
            std::string_view value;
            if (Upper(name) == "DEFAULT_SECTION" || formats::ProfileFind(iniBytes, name, "Home", &value) ||
                formats::ProfileFind(iniBytes, name, "Search", &value) ||
                formats::ProfileFind(iniBytes, name, "Favorites", &value)) {
                bool seen = false;
                for (const std::string& n : names) seen = seen || Upper(n) == Upper(name);
                if (!seen) names.push_back(name);
            }
        }
    }
    return names;
}

}  // namespace

bool BuildMatrix(const MatrixOptions& options, Matrix* matrix, std::string* error) {
    std::ifstream in(options.iniPath, std::ios::binary);
    if (!in) {
        *error = "cannot read " + options.iniPath;
        return false;
    }
    std::string iniBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    matrix->brandingSections = ListBrandingSections(iniBytes);
    matrix->languages = options.languages.empty() ? LanguagesNamedBySections(matrix->brandingSections)
                                                  : options.languages;
    matrix->rows.clear();

    ScratchImage image;
    if (!image.Make(iniBytes, options.wallpaperRoot, error)) return false;

    // The executable folder and branding file path, resolved as the run resolves them.
    EngineQuery query;

    std::vector<ModelGroup> groups = GroupModels(options.models);
    std::vector<RegionChoice> factoryRegions = FactoryRegions(&image, options);

    std::map<uint16_t, LanguageCodes> codes;
    for (uint16_t lang : matrix->languages) DecideLanguageCodes(0x0409, lang, &codes[lang]);

    std::map<std::tuple<std::string, std::string, uint16_t>, SectionOutcome> outcomes;
    std::map<std::string, SectionContent> contents;
    std::map<std::tuple<std::string, std::string, bool>, WallpaperOutcome> wallpapers;
    std::vector<bool> screens;
    if (options.wide) screens.push_back(true);
    if (options.normal) screens.push_back(false);

    for (const ModelGroup& group : groups) {
        std::vector<RegionChoice> regions;
        if (group.regionFromTable) {
            regions.push_back({group.tableRegion, "option-code", group.tableEvidence});
        } else {
            regions = factoryRegions;
        }
        for (const RegionChoice& region : regions) {
            for (uint16_t lang : matrix->languages) {
                const LanguageCodes& lc = codes[lang];
                auto key = std::make_tuple(group.category, region.region, lang);
                auto found = outcomes.find(key);
                if (found == outcomes.end()) {
                    SectionCandidates candidates;
                    DecideSectionCandidates(region.region.c_str(), lc.szOSLangID, lc.szOSLangString,
                                            group.category.c_str(), &candidates);
                    SectionProbe probe;
                    ProbeIniSection(query.iniPath().c_str(), candidates, &probe);
                    SectionOutcome o;
                    o.section = probe.szSection;
                    o.candidate = probe.nFound;
                    CandidateResult results[kSectionCandidates] = {};
                    if (options.explainCandidates) {
                        Decision d{};
                        d.candidates = candidates;
                        d.probe = probe;
                        query.CandidateResults(d, results);
                    }
                    for (int i = 0; i < probe.nProbed; ++i) {
                        std::string name = SectionCandidateName(candidates, i);
                        const char* why = i + 1 == probe.nFound                    ? "chosen"
                                          : !options.explainCandidates             ? "no section with a Home key"
                                          : results[i] == CandidateResult::kNoHome ? "section has no Home key"
                                                                                   : "no such section";
                        o.probes->push_back(name + ": " + why);
                    }
                    if (probe.nFound == 0) o.probes->push_back("DEFAULT_SECTION: the default, not probed");
                    found = outcomes.emplace(key, std::move(o)).first;
                    ++matrix->sectionDecisions;
                }
                const SectionOutcome& outcome = found->second;
                auto content = contents.find(outcome.section);
                if (content == contents.end()) {
                    content = contents.emplace(outcome.section, ReadSectionContent(outcome.section)).first;
                }
                for (bool wide : screens) {
                    auto wkey = std::make_tuple(group.imageFolder, std::string(lc.szOSLangString), wide);
                    auto wp = wallpapers.find(wkey);
                    if (wp == wallpapers.end()) {
                        CopyText(g_run.szImageFolder, group.imageFolder.c_str());
                        CopyText(g_run.szOSLangString, lc.szOSLangString);
                        g_run.bWideScreen = wide ? 1 : 0;
                        WallpaperPlan plan;
                        DecideWallpapers(&plan);
                        WallpaperOutcome w;
                        w.variant = plan.szImageFolder;
                        w.sizeFile = plan.szSizeFile;
                        for (int i = 0; i < 3; ++i) {
                            host::MappedPath path;
                            if (!plan.copies[i].bFits || host::MapPath(plan.copies[i].szSource, &path) != 0 ||
                                !path.exists) {
                                w.missing.push_back(plan.copies[i].szSource);
                            }
                        }
                        wp = wallpapers.emplace(wkey, std::move(w)).first;
                    }
                    MatrixRow row;
                    row.models = group.models;
                    row.category = group.category;
                    row.region = region.region;
                    row.regionSource = region.source;
                    row.regionEvidence = region.evidence;
                    row.language = lang;
                    row.wide = wide;
                    row.section = outcome.section;
                    row.candidate = outcome.candidate;
                    row.probes = outcome.probes;
                    row.home = content->second.home;
                    row.search = content->second.search;
                    row.favorites = content->second.favorites;
                    row.variant = wp->second.variant;
                    row.sizeFile = wp->second.sizeFile;
                    if (outcome.candidate == 0) {
                        row.flags.push_back("default");
                        row.notes.push_back("no candidate section has a Home key: DEFAULT_SECTION is used");
                    }
                    if (!content->second.sectionHasBranding) {
                        row.flags.push_back("no-branding");
                        row.notes.push_back("section " + outcome.section +
                                            " installs no start page, no search page and no favorite");
                    }
                    if (!content->second.problems.empty()) {
                        row.flags.push_back("missing-link");
                        row.notes.insert(row.notes.end(), content->second.problems.begin(),
                                         content->second.problems.end());
                    }
                    if (!wp->second.missing.empty()) {
                        row.flags.push_back("asset-missing");
                        for (const std::string& m : wp->second.missing) row.notes.push_back("wallpaper missing: " + m);
                    }
                    if (group.insideWord) {
                        row.flags.push_back("two-letter-match");
                        row.notes.push_back("category " + group.category + " comes from \"" + group.matched +
                                            "\" found inside a longer word of the model name");
                    }
                    matrix->rows.push_back(std::move(row));
                }
            }
        }
    }
    ResetRunState();
    return true;
}

}  // namespace author
