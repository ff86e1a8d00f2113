#include "author/explain.h"

#include <cstdio>
#include <map>

#include "author/engine_query.h"
#include "author/lint.h"
#include "identify/machine_info.h"
#include "formats/ascii.h"
#include "platform/host/machine.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"
#include "run/driver.h"

namespace author {
namespace {

using Json = nlohmann::ordered_json;

std::string Hex4(unsigned v) {
    char buf[8];
    snprintf(buf, sizeof(buf), "%04X", v & 0xFFFFu);
    return buf;
}

// Where sections and entries of one profile file stand, as the reader finds them: the
// first section of a name, and the first entry of a key in it.
class ProfileLocator {
public:
    ProfileLocator() = default;
    ProfileLocator(const std::string& winPath) : winPath_(winPath) {
        host::MappedPath path;
        if (host::MapPath(winPath.c_str(), &path) != 0 || !path.exists || host::CurrentImage()->ReadFile(path, &text_) != 0) return;
        hostPath_ = path.host;
        parse_ = formats::ParseProfile(text_);
    }
    const std::string& hostPath() const { return hostPath_; }
    const std::string& winPath() const { return winPath_; }

    const formats::ProfileSection* Section(const std::string& name) const {
        std::string_view want = Trim(name);
        for (const formats::ProfileSection& s : parse_.sections) {
            if (formats::AsciiSameText(s.header.name, want)) return &s;
        }
        return nullptr;
    }
    int SectionLine(const std::string& name) const {
        const formats::ProfileSection* s = Section(name);
        return s ? s->header.number : 0;
    }
    int EntryLine(const std::string& section, const std::string& key) const {
        const formats::ProfileSection* s = Section(section);
        if (s == nullptr) return 0;
        for (const formats::ProfileLine& e : s->entries) {
            if (formats::AsciiSameText(e.key, Trim(key))) return e.number;
        }
        return 0;
    }
    // The line range [first, last] a section covers (up to the next header).
    bool SectionSpan(const std::string& name, int* first, int* last) const {
        std::string_view want = Trim(name);
        for (size_t i = 0; i < parse_.sections.size(); ++i) {
            if (!formats::AsciiSameText(parse_.sections[i].header.name, want)) continue;
            *first = parse_.sections[i].header.number;
            *last = i + 1 < parse_.sections.size() ? parse_.sections[i + 1].header.number - 1 : 1 << 30;
            return true;
        }
        return false;
    }
    int FirstHeaderLine() const { return parse_.sections.empty() ? 1 << 30 : parse_.sections[0].header.number; }

    // {"file", "line"} of a place in this file, or null when it has none.
    Json Where(int line) const {
        if (line == 0) return nullptr;
        return Json{{"file", hostPath_}, {"line", line}};
    }

private:
    static std::string_view Trim(std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
        return s;
    }
    std::string winPath_;
    std::string hostPath_;
    std::string text_;
    formats::ProfileParse parse_;
};

bool WindowsFileExists(const char* winPath) {
    host::MappedPath path;
    return winPath[0] != '\0' && host::MapPath(winPath, &path) == 0 && path.exists && !path.folder;
}

Json ValueJson(const ProfileLocator& ini, const std::string& section, const std::string& key,
               const std::string& value, bool cut, int room) {
    Json v{{"section", section}, {"key", key}, {"value", value}};
    Json where = ini.Where(ini.EntryLine(section, key));
    v["file"] = where.is_null() ? Json(nullptr) : where["file"];
    v["line"] = where.is_null() ? Json(nullptr) : where["line"];
    v["cut"] = cut;
    v["room"] = room;  // characters the engine's buffer holds
    return v;
}

Json IdentificationJson(const ImageFacts& image, const Decision& d, const ProfileLocator& qor) {
    Json id;
    id["library"] = image.identity == kIdentityRead        ? "read"
                    : image.identity == kIdentityNoLibrary ? "not-loaded"
                                                           : "missing-export";
    id["machineId"] = image.szMachineId;
    id["model"] = d.modelName;
    Json brand{{"brand", d.brand.pszBrand}, {"category", d.brand.pszSubBrand}, {"imageFolder", d.brand.pszImageFolder}};
    brand["matched"] = d.brand.pszMatched ? Json(d.brand.pszMatched) : Json(nullptr);
    brand["offset"] = d.brand.pszMatched ? Json(d.brand.nMatchOffset) : Json(nullptr);
    brand["insideWord"] = d.brand.bInsideWord;
    id["brand"] = brand;

    Json region{{"code", d.region.szDashRegion}};
    region["source"] = d.region.source == kRegionFromOptionCode    ? "option-code"
                       : d.region.source == kRegionFromFactoryFile ? "factory-file"
                                                                   : "fallback";
    region["optionCode"] = d.region.bHasHash ? Json(d.region.szOptionCode) : Json(nullptr);
    region["tableRow"] = d.region.nTableRow >= 0 ? Json(d.region.nTableRow + 1) : Json(nullptr);
    Json where = d.region.source == kRegionFromFactoryFile ? qor.Where(qor.EntryLine("uia", "DashRegion")) : Json();
    region["file"] = d.region.source == kRegionFromFactoryFile ? Json(qor.winPath()) : Json(nullptr);
    region["line"] = where.is_null() ? Json(nullptr) : where["line"];
    region["cut"] = d.region.bFactoryValueCut;
    id["region"] = region;

    id["language"] = Json{{"userId", Hex4(image.facts.userLanguage)},
                          {"uiId", Hex4(image.facts.uiLanguage)},
                          {"userLangID", d.language.szUserLangID},
                          {"osLangID", d.language.szOSLangID},
                          {"osLangString", d.language.szOSLangString}};

    const ScreenDecision& s = image.screen;
    Json screen{{"shape", s.bWideScreen ? "WIDE" : "NORMAL"},
                {"source", s.bFromEdid ? "edid" : "display-modes"},
                {"width", s.dwWidth},
                {"height", s.dwHeight},
                {"nRev", s.nRev},
                {"nPass", s.nPass}};
    if (s.edid.bLcdFound) {
        screen["monitor"] = Json{{"adapter", s.edid.nAdapter}, {"monitor", s.edid.nMonitor}, {"adapterName", s.edid.szAdapterName}, {"deviceId", s.edid.szDeviceID}, {"pnpId", s.edid.pnpIDStr}, {"instance", s.edid.szInstance}};
    } else {
        screen["monitor"] = nullptr;
    }
    screen["modes"] = s.bFromEdid ? Json(nullptr)
                                  : Json{{"count", s.nModes},
                                         {"widthMode", s.nWidthMode >= 0 ? Json(s.nWidthMode) : Json(nullptr)},
                                         {"heightMode", s.nHeightMode >= 0 ? Json(s.nHeightMode) : Json(nullptr)}};
    id["screen"] = screen;
    return id;
}

const char* ShortcutText(int n) {
    switch (n) {
        case kShortcutMade: return "made";
        case kShortcutNoFolder: return "no-folder";
        case kShortcutBadName: return "bad-name";
        case kShortcutTooLong: return "path-too-long";
    }
    return "no-folder";
}

const char* FolderText(int n) {
    switch (n) {
        case kFavoritesFolderFound: return "found";
        case kFavoritesFolderEmpty: return "empty";
        case kFavoritesFolderTooLong: return "too-long";
    }
    return "unreadable";
}

Json PageJson(EngineQuery& q, const Decision& d, const ProfileLocator& ini, const char* key, int runs, Json* values) {
    PageLink link;
    q.DecidePage(d, key, &link);
    if (link.szLinkSection[0] == '\0') return nullptr;
    values->push_back(ValueJson(ini, d.probe.szSection, key, link.szLinkSection, link.bSectionCut, 259));
    values->push_back(ValueJson(ini, link.szLinkSection, "Name", link.szLinkName, link.bNameCut, 49));
    values->push_back(ValueJson(ini, link.szLinkSection, "Path", link.szLinkPath, link.bPathCut, 259));
    Json page{{"section", link.szLinkSection}};
    page["url"] = link.bUsable ? Json(link.szLinkPath) : Json(nullptr);
    page["applied"] = link.bUsable && runs > 0;
    page["runs"] = runs;  // how many times the step runs with these arguments
    page["nameMissing"] = link.bNameMissing;
    page["pathMissing"] = link.bPathMissing;
    Json where = ini.Where(ini.SectionLine(link.szLinkSection));
    page["line"] = where.is_null() ? Json(nullptr) : where["line"];
    return page;
}

// Findings of the linter about the files this machine uses: the branding file's lines
// before its first section and of the sections this machine reads, and its wallpapers.
Json FindingsJson(const std::string& imageDir, const ProfileLocator& ini, const std::vector<std::string>& usedSections,
                  const std::vector<std::string>& wallpaperHostPaths) {
    Json out = Json::array();
    if (ini.hostPath().empty()) return out;
    std::vector<Finding> findings;
    std::string error;
    LintOptions options;
    options.imageDir = imageDir;
    if (!LintBrandingFile(ini.hostPath(), options, &findings, &error)) return out;
    for (const Finding& f : findings) {
        bool keep = false;
        if (f.file == ini.hostPath()) {
            keep = f.line == 0 || f.line < ini.FirstHeaderLine();
            for (const std::string& name : usedSections) {
                int first = 0;
                int last = 0;
                if (!keep && ini.SectionSpan(name, &first, &last)) keep = f.line >= first && f.line <= last;
            }
        } else {
            for (const std::string& p : wallpaperHostPaths) keep = keep || f.file == p;
        }
        if (keep) out.push_back(FindingJson(f));
    }
    return out;
}

}  // namespace

Json ExplainMachine(const std::string& imageDir, const std::vector<std::string>& args) {
    EngineQuery q;
    ImageFacts image;
    q.ReadImageFacts(&image);
    Decision d;
    q.Decide(image.facts, &d);
    ProfileLocator ini(q.iniPath());
    ProfileLocator qor(kFactoryOptionsFile);

    int homeRuns = 0;
    for (const std::string& a : args) homeRuns += IsHomePageSwitch(a.c_str()) ? 1 : 0;

    Json doc;
    doc["image"] = imageDir;
    doc["args"] = args;
    doc["identification"] = IdentificationJson(image, d, qor);
    doc["iniFile"] = Json{{"path", q.iniPath()}, {"hostPath", ini.hostPath()}, {"exists", q.iniExists()}};
    doc["signupFile"] = q.signupPath();

    bool identified = image.identity == kIdentityRead;
    // Without the library the run identifies nothing and has no branding file path; the
    // section search never happens.
    doc["section"] = identified ? Json(d.probe.szSection) : Json(nullptr);
    Json where = identified ? ini.Where(ini.SectionLine(d.probe.szSection)) : Json();
    doc["sectionLine"] = where.is_null() ? Json(nullptr) : where["line"];
    doc["candidates"] = Json::array();
    if (identified) {
        CandidateResult results[kSectionCandidates];
        q.CandidateResults(d, results);
        for (int i = 0; i < kSectionCandidates; ++i) {
            const char* name = SectionCandidateName(d.candidates, i);
            Json c{{"name", name}, {"result", CandidateResultName(results[i])}};
            int line = ini.SectionLine(name);
            c["line"] = line ? Json(line) : Json(nullptr);
            doc["candidates"].push_back(c);
        }
    }

    doc["stops"] = nullptr;
    if (!identified) {
        doc["stops"] = image.identity == kIdentityNoLibrary ? "ZMINT.DLL cannot be loaded: no branding file path"
                                                            : "ZMINT.DLL lacks an export: no branding file path";
    } else if (!q.iniExists()) {
        doc["stops"] = "Facet.INI not found";
    }

    Json values = Json::array();
    Json favorites = Json::array();
    Json wallpapers = Json::array();
    doc["favoritesFolder"] = nullptr;
    doc["signupStart"] = nullptr;
    doc["home"] = nullptr;
    doc["search"] = nullptr;
    std::vector<std::string> used;
    std::vector<std::string> wallpaperHostPaths;
    if (doc["stops"].is_null()) {
        used.push_back(d.probe.szSection);
        WallpaperPlan wp;
        q.DecideWallpapers(d, image.facts, &wp);
        // A source also exists when an earlier copy of the plan makes it.
        std::vector<std::string> made;
        for (const WallpaperPlan::Copy& c : wp.copies) {
            bool exists = c.bFits && WindowsFileExists(c.szSource);
            for (const std::string& m : made) exists = exists || formats::AsciiSameText(m, c.szSource);
            if (exists && c.bFits) made.push_back(c.szTarget);
            wallpapers.push_back(Json{{"source", c.szSource}, {"target", c.szTarget}, {"exists", exists}, {"fits", c.bFits}});
            host::MappedPath path;
            if (host::MapPath(c.szSource, &path) == 0) wallpaperHostPaths.push_back(path.host);
        }
        doc["wallpaperVariant"] = Json{{"imageFolder", wp.szImageFolder}, {"sizeFile", wp.szSizeFile}};

        FavoritesPlan plan;
        std::vector<FavoriteItem> items;
        q.DecideFavorites(d, &plan, &items);
        if (plan.szFavoritesList[0] != '\0') {
            values.push_back(ValueJson(ini, d.probe.szSection, "Favorites", plan.szFavoritesList, plan.bListCut, 259));
            doc["favoritesFolder"] = Json{{"result", FolderText(plan.nFolder)}, {"path", plan.szFavoritesDir}};
            doc["signupStart"] = plan.nFirstIndex;
        }
        for (const FavoriteItem& item : items) {
            used.push_back(item.linkSection);
            const FavoriteLink& l = item.link;
            values.push_back(ValueJson(ini, item.linkSection, "Name", l.szLinkName, l.bNameCut, 259));
            values.push_back(ValueJson(ini, item.linkSection, "Path", l.szLinkPath, l.bPathCut, 259));
            Json f{{"linkSection", item.linkSection}};
            f["name"] = l.bNameMissing ? Json(nullptr) : Json(l.szLinkName);
            f["url"] = l.bPathMissing ? Json(nullptr) : Json(l.szLinkPath);
            f["shortcut"] = !l.bSkipped && l.nShortcut == kShortcutMade ? Json(l.szShortcutFile) : Json(nullptr);
            if (l.bSkipped) {
                f["skipped"] = l.bNameMissing && l.bPathMissing ? "no such link section, or no Name and no Path"
                               : l.bNameMissing                 ? "no Name"
                                                                : "no Path";
            } else {
                f["skipped"] = nullptr;
            }
            f["shortcutResult"] = l.bSkipped ? Json(nullptr) : Json(ShortcutText(l.nShortcut));
            f["index"] = item.index ? Json(item.index) : Json(nullptr);
            favorites.push_back(f);
        }
        doc["home"] = PageJson(q, d, ini, "Home", homeRuns, &values);
        if (!doc["home"].is_null()) used.push_back(doc["home"]["section"].get<std::string>());
        doc["search"] = PageJson(q, d, ini, "Search", 1, &values);
        if (!doc["search"].is_null()) used.push_back(doc["search"]["section"].get<std::string>());
    }
    doc["values"] = values;
    doc["favorites"] = favorites;
    doc["wallpapers"] = wallpapers;
    doc["findings"] = FindingsJson(imageDir, ini, used, wallpaperHostPaths);
    return doc;
}

}  // namespace author

namespace author {
namespace {

std::string Str(const nlohmann::ordered_json& j) {
    if (j.is_null()) return "";
    if (j.is_string()) return j.get<std::string>();
    return j.dump();
}

// " (FILE:LINE)" for a value or section that has a line in a file.
std::string At(const std::string& file, const nlohmann::ordered_json& line) {
    if (line.is_null() || file.empty()) return "";
    return " (" + file + ":" + Str(line) + ")";
}

template <typename Line>
void FormatIdentification(const nlohmann::ordered_json& id, Line line) {
    line("  ZMINT.DLL: read, system ID \"" + Str(id["machineId"]) + "\"");
    line("  Model name: \"" + Str(id["model"]) + "\"");
    const auto& b = id["brand"];
    std::string brand = "  Brand " + Str(b["brand"]) + ", category " + Str(b["category"]) + ", wallpaper variant " +
                        Str(b["imageFolder"]);
    if (b["matched"].is_null()) {
        line(brand + ": no product text in the model name, so the default");
    } else {
        line(brand + ": \"" + Str(b["matched"]) + "\" found at offset " + Str(b["offset"]) + " of the model name");
        if (b["insideWord"].get<bool>()) {
            line("  warning: \"" + Str(b["matched"]) + "\" matched inside a longer word or number");
        }
    }
    const auto& r = id["region"];
    std::string source = Str(r["source"]);
    if (source == "option-code") {
        line("  Region " + Str(r["code"]) + ": option code \"" + Str(r["optionCode"]) + "\", row " + Str(r["tableRow"]) +
             " of the region table");
    } else {
        std::string why = r["optionCode"].is_null() ? "no \"#\" in the model name"
                                                    : "option code \"" + Str(r["optionCode"]) + "\" is not in the table";
        if (source == "factory-file") {
            line("  Region \"" + Str(r["code"]) + "\": " + why + "; DashRegion of [uia] in " + Str(r["file"]) +
                 (r["line"].is_null() ? "" : ":" + Str(r["line"])) +
                 (r["cut"].get<bool>() ? " (cut to its first two characters)" : ""));
        } else {
            line("  Region XX: " + why + ", and no DashRegion in the factory options file (fallback)");
        }
    }
    const auto& lang = id["language"];
    line("  Languages: user " + Str(lang["userId"]) + " gives \"" + Str(lang["userLangID"]) + "\"; system UI " +
         Str(lang["uiId"]) + " gives \"" + Str(lang["osLangID"]) + "\" and \"" + Str(lang["osLangString"]) + "\"");
    const auto& s = id["screen"];
    std::string screen = "  Screen " + Str(s["shape"]) + ", " + Str(s["width"]) + " x " + Str(s["height"]);
    if (Str(s["source"]) == "edid") {
        const auto& m = s["monitor"];
        line(screen + " from the EDID (version " + Str(s["nRev"]) + ", revision " + Str(s["nPass"]) + ") of monitor " +
             Str(m["monitor"]) + " of adapter " + Str(m["adapter"]) + " (" + Str(m["adapterName"]) + ", " +
             Str(m["deviceId"]) + "), instance " + Str(m["pnpId"]) + "\\" + Str(m["instance"]));
    } else {
        const auto& modes = s["modes"];
        line(screen + " from the display modes (" + Str(modes["count"]) + " modes; widest " +
             (modes["widthMode"].is_null() ? std::string("none") : "mode " + Str(modes["widthMode"])) + ", highest " +
             (modes["heightMode"].is_null() ? std::string("none") : "mode " + Str(modes["heightMode"])) + ")");
        if (!s["monitor"].is_null()) {
            const auto& m = s["monitor"];
            line("    the LCD " + Str(m["pnpId"]) + "\\" + Str(m["instance"]) + " gave version " + Str(s["nRev"]) +
                 ", revision " + Str(s["nPass"]) + ": not accepted, its size took part in the maxima");
        }
    }
}

}  // namespace

std::string FormatExplanationText(const nlohmann::ordered_json& doc) {
    std::string out;
    auto line = [&out](const std::string& s) { out += s + "\n"; };
    const auto& id = doc["identification"];
    const std::string iniFile = Str(doc["iniFile"]["hostPath"]);

    line("Machine image " + Str(doc["image"]) + " (dry run: nothing in the image is changed)");
    std::string args;
    for (const auto& a : doc["args"]) args += " " + Str(a);
    line("Arguments:" + (args.empty() ? std::string(" (none)") : args));
    line("");
    line("Identification");
    if (Str(id["library"]) != "read") {
        line("  ZMINT.DLL: " + Str(id["library"]) + ": the run identifies nothing and reads no branding file");
    } else {
        FormatIdentification(id, line);
    }
    line("");
    line("Section search in " + Str(doc["iniFile"]["path"]) + (iniFile.empty() ? " (not found)" : " = " + iniFile));
    int n = 0;
    for (const auto& c : doc["candidates"]) {
        std::string result = Str(c["result"]);
        std::string text = result == "found"        ? "found"
                           : result == "no-home"    ? "section has no Home key"
                           : result == "no-section" ? "no such section"
                                                    : "not probed";
        line("  " + std::to_string(++n) + ". " + Str(c["name"]) + ": " + text + At(iniFile, c["line"]));
    }
    if (doc["section"].is_null()) {
        line("  no search: the run has no branding file path");
    } else {
        line("  Chosen: " + Str(doc["section"]) + At(iniFile, doc["sectionLine"]));
    }
    line("");
    if (!doc["stops"].is_null()) {
        line("The run stops before the branding actions: " + Str(doc["stops"]));
    } else {
        line("Plan");
        for (const auto& v : doc["values"]) {
            line("  [" + Str(v["section"]) + "] " + Str(v["key"]) + " = \"" + Str(v["value"]) + "\"" +
                 At(Str(v["file"]), v["line"]) +
                 (v["cut"].get<bool>() ? "  note: cut at the engine's " + Str(v["room"]) + " characters" : ""));
        }
        if (doc["favoritesFolder"].is_null()) {
            line("  Favorites: none");
        } else {
            line("  Favorites folder: " + Str(doc["favoritesFolder"]["result"]) + " " +
                 Str(doc["favoritesFolder"]["path"]));
            line("  Sign-up numbering starts at Title" + Str(doc["signupStart"]));
            for (const auto& f : doc["favorites"]) {
                std::string head = "    [" + Str(f["linkSection"]) + "] ";
                if (!f["skipped"].is_null()) {
                    line(head + "skipped: " + Str(f["skipped"]));
                    continue;
                }
                std::string shortcut = Str(f["shortcutResult"]);
                line(head + "\"" + Str(f["name"]) + "\" -> " + Str(f["url"]) + ", sign-up Title" + Str(f["index"]) +
                     ", " +
                     (shortcut == "made"        ? "shortcut " + Str(f["shortcut"])
                      : shortcut == "bad-name"  ? std::string("no shortcut: the Name is no file name")
                      : shortcut == "no-folder" ? std::string("no shortcut: no Favorites folder")
                                                : std::string("no shortcut: its path is too long")));
            }
        }
        for (const char* key : {"home", "search"}) {
            const auto& p = doc[key];
            std::string label = std::string(key) == "home" ? "Home page" : "Search page";
            if (p.is_null()) {
                line("  " + label + ": none");
                continue;
            }
            std::string text = "  " + label + ": [" + Str(p["section"]) + "]" + At(iniFile, p["line"]) + " ";
            if (p["url"].is_null()) {
                text += std::string("cannot be set: the link section lacks ") +
                        (p["nameMissing"].get<bool>() ? "Name" : "Path");
            } else {
                text += Str(p["url"]);
            }
            if (std::string(key) == "home") {
                text += p["runs"].get<int>() == 0 ? "; not applied: no -h or /h among the arguments"
                                                  : "; the step runs " + Str(p["runs"]) + " time(s)";
            }
            line(text);
        }
        line("  Wallpapers (" + Str(doc["wallpaperVariant"]["imageFolder"]) + ", " +
             Str(doc["wallpaperVariant"]["sizeFile"]) + "); the run stops at the first copy that fails:");
        for (const auto& w : doc["wallpapers"]) {
            line("    " + Str(w["source"]) + " -> " + Str(w["target"]) +
                 (!w["fits"].get<bool>()    ? "  (path too long: not copied)"
                  : w["exists"].get<bool>() ? "  (source exists)"
                                            : "  (source missing)"));
        }
    }
    line("");
    line("Findings");
    if (doc["findings"].empty()) line("  none");
    for (const auto& f : doc["findings"]) {
        line("  " + Str(f["file"]) + ":" + Str(f["line"]) + ":" + Str(f["column"]) + ": " + Str(f["severity"]) + ": " +
             Str(f["message"]) + " [" + Str(f["rule"]) + "]");
    }
    return out;
}

}  // namespace author
