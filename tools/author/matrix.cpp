// The coverage matrix. Every decision comes from the engine (author::EngineQuery): the
// brand and category, the region from the option code or the factory options file, the
// language codes, the section search, and what the installation does, which is the
// engine's own installation run in a dry run of the machine. The engine's answers depend
// only on a few of the inputs (the section search on the category, region and language;
// the installation on the section, the wallpaper variant, the language text and the
// screen), so each distinct question is put once and its answer shared by every
// combination that asks it.
#include <algorithm>
#include <map>
#include <tuple>

#include "author/contact_sheet.h"
#include "author/matrix.h"
#include "author/matrix_input.h"
#include "author/output.h"
#include "author/text.h"

namespace author {

namespace {

// A set of models the engine treats alike: same category, variant, two-letter warning
// and region from the option code (or none, when the factory file decides).
struct ModelGroup {
    std::shared_ptr<std::vector<std::string>> models = std::make_shared<std::vector<std::string>>();
    BrandInfo brand;  // of the first model
    bool regionFromTable = false;
};

// What the installation does, for one section, variant, language text and screen.
struct Installed {
    std::string home;
    std::string search;
    TextList favorites;
    TextList shortcuts;
    TextList signup;
    TextList wallpapers;
    std::string variant;
    std::string sizeFile;
    std::vector<std::pair<std::string, std::string>> flags;  // flag, note
};

std::vector<ModelGroup> GroupModels(const std::vector<std::string>& models) {
    std::vector<ModelGroup> groups;
    std::map<std::tuple<std::string, std::string, bool, bool, std::string>, size_t> index;
    for (const std::string& model : models) {
        BrandInfo b = EngineQuery::ClassifyModel(model);
        bool fromTable = b.tableRow > 0;
        auto key = std::make_tuple(b.category, b.imageFolder, b.insideWord, fromTable, b.tableRegion);
        auto it = index.find(key);
        if (it == index.end()) {
            it = index.emplace(key, groups.size()).first;
            ModelGroup g;
            g.brand = b;
            g.regionFromTable = fromTable;
            groups.push_back(g);
        }
        groups[it->second].models->push_back(model);
    }
    return groups;
}

// The regions the factory options file can give, as the engine reads each value (cut
// to two characters; no file at all leaves the fallback "XX").
std::vector<MatrixRegion> FactoryRegions(EngineQuery& q, const MatrixOptions& options) {
    std::vector<std::string> values = options.regions;
    if (values.empty()) {
        for (const EngineFacts::RegionRow& row : EngineQuery::Facts().regionTable) values.push_back(row.region);
    }
    std::vector<MatrixRegion> choices;
    auto add = [&](const std::string* value) {
        q.SetFactoryRegion(value);
        RegionInfo r = q.FactoryRegion();
        // The section search reads "uk" as it reads "UK": one region, the first spelling.
        for (const MatrixRegion& c : choices) {
            if (FoldName(c.region.code) == FoldName(r.code)) return;
        }
        MatrixRegion c;
        c.region = r;
        if (r.source == "factory-file") {
            c.source = "qor-ini";
            c.evidence = "QOR.INI DashRegion=" + *value + (r.factoryValueCut ? " (cut to two characters)" : "");
        } else {
            c.source = "fallback";
            c.evidence = "no DashRegion in QOR.INI";
        }
        choices.push_back(c);
    };
    for (const std::string& v : values) add(&v);
    if (options.includeFallback) add(nullptr);
    return choices;
}

std::shared_ptr<std::vector<std::string>> List() { return std::make_shared<std::vector<std::string>>(); }

Installed Install(EngineQuery& q, const Decision& d) {
    // The home page is set only with -h: ask with it, so that the row says what it is.
    RunOutcome run = q.DryRunInstallation(d, {"-h"});
    Installed in;
    auto favorites = List(), shortcuts = List(), signup = List(), wallpapers = List();
    auto flag = [&in](const std::string& name, const std::string& note) {
        bool seen = false;
        for (const auto& f : in.flags) seen = seen || f.first == name;
        if (!seen) in.flags.emplace_back(name, note);
    };
    in.variant = run.variant;
    in.sizeFile = run.sizeFile;
    if (run.home.applied) in.home = run.home.url;
    if (run.search.applied) in.search = run.search.url;
    for (const FavoriteOutcome& f : run.favorites) {
        if (f.installed) favorites->push_back(f.name);
        if (f.shortcut == "made") shortcuts->push_back(f.shortcutFile);
        if (f.reason == "missing-link") {
            flag("missing-link", "Favorites names link section " + f.linkSection + ", which is missing or lacks Name or Path");
        } else if (f.reason == "path-too-long") {
            flag("path-too-long", "the Path of link section " + f.linkSection + " is longer than the engine holds: nothing is installed for it");
        } else if (f.reason == "no-shortcut") {
            flag("no-shortcut", "favorite " + Quoted(f.name) + " is no file name: no shortcut file");
        }
    }
    for (const auto& [page, key] : {std::make_pair(&run.home, "Home"), std::make_pair(&run.search, "Search")}) {
        if (page->reason == "missing-link") {
            flag("missing-link", std::string(key) + " names link section " + page->linkSection +
                                     ", which is missing or lacks Name or Path");
        } else if (page->reason == "path-too-long") {
            flag("path-too-long", std::string(key) + " names link section " + page->linkSection +
                                      ", whose Path is longer than the engine holds");
        }
    }
    for (const SignupEntry& e : run.signup) signup->push_back("[" + e.section + "] " + e.key + "=" + e.value);
    std::vector<std::string> missingCopies;
    for (const WallpaperCopy& c : run.wallpapers) {
        if (c.result == "copied") wallpapers->push_back(c.target);
        if (c.reason == "asset-missing") {
            flag("asset-missing", "wallpaper missing: " + c.source);
            missingCopies.push_back(c.target);
        }
    }
    // A copy whose picture is missing is told as asset-missing; every other failed write
    // as what it is.
    for (const WriteFailure& f : run.failures) {
        if (std::find(missingCopies.begin(), missingCopies.end(), f.what) == missingCopies.end()) {
            flag("write-fails", "write fails: " + f.what + ": " + f.text);
        }
    }
    if (run.NoBranding()) flag("no-branding", "installs no start page, no search page and no favorite");
    in.favorites = favorites;
    in.shortcuts = shortcuts;
    in.signup = signup;
    in.wallpapers = wallpapers;
    return in;
}

}  // namespace

std::unique_ptr<host::Image> FreshMachine() {
    std::unique_ptr<host::Image> image = host::Image::InMemory("[Machine]\r\nExecutable=C:\\Facet\\Facet.exe\r\n");
    image->Put("C:\\Facet\\FacetVer.exe", std::string());
    for (const char* folder : {"C:\\Facet", "C:\\FACTORY\\Util", "C:\\Program Files\\Internet Explorer\\SIGNUP",
                               "C:\\Windows\\Web\\Wallpaper", "C:\\Users\\Facet\\Favorites"}) {
        image->PutFolder(folder);
    }
    std::string favorites = "C:\\Users\\Facet\\Favorites";
    image->RegSetValue("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                       "Favorites", 1, favorites + '\0');
    image->TakeJournal();
    return image;
}

MatrixCombination::InstallKey MatrixCombination::Key() const {
    return InstallKey(search->section, brand->imageFolder, texts->osLangString, wide);
}

Decision MatrixCombination::InstallDecision() const {
    Decision d;
    d.brand = *brand;
    d.region = region->region;
    d.language = *texts;
    d.candidates = search->candidates;
    d.found = search->candidate;
    d.section = search->section;
    d.wideScreen = wide;
    return d;
}

size_t WalkMatrix(EngineQuery& q, const MatrixOptions& options, const std::vector<uint16_t>& languages,
                  const std::function<void(const MatrixCombination&)>& visit) {
    std::vector<ModelGroup> groups = GroupModels(options.models);
    std::vector<MatrixRegion> factoryRegions = FactoryRegions(q, options);

    std::map<uint16_t, LanguageTexts> codes;
    for (uint16_t lang : languages) codes[lang] = EngineQuery::Languages(0x0409, lang);

    std::map<std::tuple<std::string, std::string, uint16_t>, MatrixSearch> searches;
    std::vector<bool> screens;
    if (options.wide) screens.push_back(true);
    if (options.normal) screens.push_back(false);

    MatrixCombination c;
    for (size_t g = 0; g < groups.size(); ++g) {
        const ModelGroup& group = groups[g];
        std::vector<MatrixRegion> regions;
        if (group.regionFromTable) {
            MatrixRegion r;
            r.region.code = group.brand.tableRegion;
            r.region.source = "option-code";
            r.region.tableRow = group.brand.tableRow;
            r.source = "option-code";
            r.evidence = "option code " + group.brand.optionCode + ", table row " + std::to_string(group.brand.tableRow);
            regions.push_back(r);
        } else {
            regions = factoryRegions;
        }
        c.group = g;
        c.models = group.models;
        c.brand = &group.brand;
        for (const MatrixRegion& region : regions) {
            c.region = &region;
            for (uint16_t lang : languages) {
                const LanguageTexts& lc = codes[lang];
                auto key = std::make_tuple(group.brand.category, region.region.code, lang);
                auto found = searches.find(key);
                if (found == searches.end()) {
                    Decision d = q.Search(region.region.code, lc, group.brand.category);
                    MatrixSearch o;
                    o.candidates = d.candidates;
                    o.section = d.section;
                    o.candidate = d.found;
                    auto probes = List();
                    for (const Candidate& cand : d.candidates) {
                        if (cand.result == "not-probed") continue;
                        const char* why = cand.result == "found"       ? "chosen"
                                          : !options.explainCandidates ? "no section with a Home key"
                                          : cand.result == "no-home"   ? "section has no Home key"
                                                                       : "no such section";
                        probes->push_back(cand.name + ": " + why);
                    }
                    if (d.found == 0) probes->push_back("DEFAULT_SECTION: the default, not probed");
                    o.probes = probes;
                    found = searches.emplace(key, std::move(o)).first;
                }
                c.language = lang;
                c.texts = &lc;
                c.search = &found->second;
                for (bool wide : screens) {
                    c.wide = wide;
                    visit(c);
                }
            }
        }
    }
    return searches.size();
}

void BuildMatrix(EngineQuery& q, const MatrixOptions& options, Matrix* matrix) {
    matrix->brandingSections = q.BrandingSections();
    matrix->languages = options.languages.empty() ? LanguagesNamedBySections(matrix->brandingSections)
                                                  : options.languages;
    matrix->rows.clear();

    std::map<MatrixCombination::InstallKey, Installed> installs;
    matrix->sectionDecisions = WalkMatrix(q, options, matrix->languages, [&](const MatrixCombination& c) {
        auto ikey = c.Key();
        auto in = installs.find(ikey);
        if (in == installs.end()) {
            in = installs.emplace(ikey, Install(q, c.InstallDecision())).first;
            ++matrix->installations;
        }
        const Installed& content = in->second;
        const MatrixSearch& outcome = *c.search;
        MatrixRow row;
        row.models = c.models;
        row.category = c.brand->category;
        row.region = c.region->region.code;
        row.regionSource = c.region->source;
        row.regionEvidence = c.region->evidence;
        row.language = c.language;
        row.wide = c.wide;
        row.section = outcome.section;
        row.candidate = outcome.candidate;
        row.probes = outcome.probes;
        row.home = content.home;
        row.search = content.search;
        row.favorites = content.favorites;
        row.shortcuts = content.shortcuts;
        row.signup = content.signup;
        row.wallpapers = content.wallpapers;
        row.variant = content.variant;
        row.sizeFile = content.sizeFile;
        if (outcome.candidate == 0) {
            row.flags.push_back("default");
            row.notes.push_back("no candidate section has a Home key: DEFAULT_SECTION is used");
        }
        for (const auto& [flag, note] : content.flags) {
            row.flags.push_back(flag);
            row.notes.push_back(flag == "no-branding" ? "section " + outcome.section + " " + note : note);
        }
        if (c.brand->insideWord) {
            row.flags.push_back("two-letter-match");
            row.notes.push_back("category " + c.brand->category + " comes from " + Quoted(c.brand->matchedText) +
                                " found inside a longer word of the model name");
        }
        matrix->rows.push_back(std::move(row));
    });
}

bool PrepareMatrixQuery(EngineQuery& q, const MatrixOptions& options, std::string* error) {
    if (!q.iniPathOk()) {
        *error = "the image has no place for a branding file (its program path is too long)";
        return false;
    }
    if (!options.iniPath.empty()) {
        std::string bytes;
        if (!ReadInput(options.iniPath, kBrandingLimit, &bytes, error)) return false;
        q.PutBrandingFile(bytes);
    } else if (!q.BrandingRead()) {
        *error = "the image has no readable branding file at " + q.iniPath();
        return false;
    }
    if (options.imageDir.empty() && !options.wallpaperRoot.empty()) {
        // The pictures beside the branding file stand where the machine has them.
        for (const WallpaperSource& s : q.WallpaperSources()) {
            std::string rel = s.winPath.substr(q.exeDir().size());
            std::vector<std::string> parts;
            for (size_t start = 1; start <= rel.size();) {
                size_t end = rel.find('\\', start);
                if (end == std::string::npos) end = rel.size();
                parts.push_back(rel.substr(start, end - start));
                start = end + 1;
            }
            std::string host;
            if (FindPathNoCase(options.wallpaperRoot, parts, &host)) q.image().PutHostFile(ImageFromUtf8(s.winPath), host);
        }
    }
    return true;
}

bool BuildMatrix(const MatrixOptions& options, Matrix* matrix, std::string* error) {
    std::unique_ptr<host::Image> image = options.imageDir.empty() ? FreshMachine() : host::Image::Open(options.imageDir, error);
    if (!image) {
        *error = "cannot read machine image: " + *error;
        return false;
    }
    // Nobody else writes this image while the matrix asks its questions.
    image->TrustCaches(true);
    EngineQuery q(*image);
    if (!PrepareMatrixQuery(q, options, error)) return false;
    BuildMatrix(q, options, matrix);
    return true;
}

}  // namespace author
