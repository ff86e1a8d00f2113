#include "author/explain.h"

#include <cstdio>

#include "author/engine_query.h"
#include "author/lint.h"
#include "author/outcome_diff.h"
#include "author/text.h"

namespace author {
namespace {

using Json = nlohmann::ordered_json;

std::string Hex4(unsigned v) {
    char buf[8];
    snprintf(buf, sizeof(buf), "%04X", v & 0xFFFFu);
    return buf;
}

Json LineOrNull(int line) { return line ? Json(line) : Json(nullptr); }

Json ReasonJson(const std::string& reason) { return reason.empty() ? Json(nullptr) : Json(reason); }

struct Values {
    EngineQuery& q;
    std::string file;
    Json list = Json::array();
    void Add(const std::string& section, const std::string& key, const std::string& value, bool cut, size_t room) {
        int line = q.EntryLine(section, key);
        list.push_back({{"section", section},
                        {"key", key},
                        {"value", value},
                        {"file", line ? Json(file) : Json(nullptr)},
                        {"line", LineOrNull(line)},
                        {"cut", cut},
                        {"room", room}});
    }
};

Json IdentificationJson(EngineQuery& q, const ImageFacts& image, const Decision& d) {
    Json id;
    id["library"] = image.library;
    id["machineId"] = image.machineId;
    id["model"] = d.brand.model;
    Json brand{{"brand", d.brand.brand}, {"category", d.brand.category}, {"imageFolder", d.brand.imageFolder}};
    brand["matched"] = TextOrNull(d.brand.matched, d.brand.matchedText);
    brand["offset"] = d.brand.matched ? Json(d.brand.offset) : Json(nullptr);
    brand["insideWord"] = d.brand.insideWord;
    id["brand"] = brand;

    const std::string& factory = EngineQuery::Facts().factoryFile;
    Json region{{"code", d.region.code}, {"source", d.region.source}};
    region["optionCode"] = TextOrNull(d.region.hasHash, d.region.optionCode);
    region["tableRow"] = d.region.tableRow ? Json(d.region.tableRow) : Json(nullptr);
    bool fromFile = d.region.source == "factory-file";
    region["file"] = TextOrNull(fromFile, Utf8FromImage(factory));
    int line = fromFile ? q.FactoryRegionLine() : 0;
    region["line"] = LineOrNull(line);
    region["cut"] = d.region.factoryValueCut;
    id["region"] = region;

    id["language"] = Json{{"userId", Hex4(image.facts.userLanguage)},
                          {"uiId", Hex4(image.facts.uiLanguage)},
                          {"userLangID", d.language.userLangID},
                          {"osLangID", d.language.osLangID},
                          {"osLangString", d.language.osLangString}};

    const ScreenInfo& s = image.screen;
    Json screen{{"shape", s.wide ? "WIDE" : "NORMAL"},
                {"source", s.fromEdid ? "edid" : "display-modes"},
                {"width", s.width},
                {"height", s.height},
                {"nRev", s.nRev},
                {"nPass", s.nPass}};
    screen["monitor"] = s.lcdFound ? Json{{"adapter", s.adapter},
                                          {"monitor", s.monitor},
                                          {"adapterName", s.adapterName},
                                          {"deviceId", s.deviceId},
                                          {"pnpId", s.pnpId},
                                          {"instance", s.instance}}
                                   : Json(nullptr);
    screen["modes"] = s.fromEdid ? Json(nullptr)
                                 : Json{{"count", s.modes},
                                        {"widthMode", s.widthMode >= 0 ? Json(s.widthMode) : Json(nullptr)},
                                        {"heightMode", s.heightMode >= 0 ? Json(s.heightMode) : Json(nullptr)}};
    id["screen"] = screen;
    return id;
}

Json PageJson(EngineQuery& q, const std::string& section, const char* key, const PageOutcome& p, Values* values) {
    if (!p.named) return nullptr;
    const EngineFacts& facts = EngineQuery::Facts();
    values->Add(section, key, p.linkSection, p.sectionCut, facts.pageKeyRoom);
    values->Add(p.linkSection, "Name", p.name, p.nameCut, facts.pageNameRoom);
    values->Add(p.linkSection, "Path", p.url, p.pathTooLong, facts.pathRoom);
    Json page{{"section", p.linkSection}};
    page["url"] = p.reason == "missing-link" || p.reason == "path-too-long" ? Json(nullptr) : Json(p.url);
    page["applied"] = p.applied;
    page["runs"] = p.runs;
    page["nameMissing"] = p.nameMissing;
    page["pathMissing"] = p.pathMissing;
    page["reason"] = ReasonJson(p.reason);
    page["failures"] = FailuresJson(p.failures);
    page["line"] = LineOrNull(q.SectionLine(p.linkSection));
    return page;
}

// Findings of the linter about the files this machine uses: the branding file's lines
// before its first section and of the sections this machine reads, and its wallpapers.
Json FindingsJson(EngineQuery& q, const std::string& file, const std::vector<std::string>& usedSections,
                  const std::vector<std::string>& wallpapers) {
    Json out = Json::array();
    if (!q.BrandingRead()) return out;
    std::vector<Finding> findings;
    LintOptions options;
    options.checkAssets = true;
    options.coverage = false;  // about the product line, not this machine
    LintBranding(q, file, options, &findings);
    for (const Finding& f : findings) {
        bool keep = false;
        if (f.file == file) {
            keep = f.line == 0 || f.line < q.FirstHeaderLine();
            for (const std::string& name : usedSections) {
                int first = 0;
                int last = 0;
                if (!keep && q.SectionSpan(name, &first, &last)) keep = f.line >= first && f.line <= last;
            }
        } else {
            for (const std::string& w : wallpapers) keep = keep || f.message.find("wallpaper " + w + " ") == 0;
        }
        if (keep) out.push_back(FindingJson(f));
    }
    return out;
}

}  // namespace

Json ExplainMachine(host::Image& image, const std::string& imageDir, const std::vector<std::string>& args) {
    EngineQuery q(image);
    ImageFacts facts = q.ReadImageFacts();
    Decision d = q.Decide(facts.facts);
    RunOutcome run = q.DryRun(args);
    host::MappedPath iniMapped;
    std::string iniFile;
    if (q.iniPathOk() && image.MapPath(ImageFromUtf8(q.iniPath()).c_str(), &iniMapped) == 0 && iniMapped.exists) {
        iniFile = iniMapped.inMemory ? q.iniPath() : Utf8FromHost(iniMapped.host);
    }

    Json doc;
    doc["image"] = Utf8FromHost(imageDir);
    Json argList = Json::array();
    for (const std::string& a : args) argList.push_back(Utf8FromHost(a));
    doc["args"] = argList;
    doc["identification"] = IdentificationJson(q, facts, d);
    doc["iniFile"] = Json{{"path", q.iniPath()}, {"hostPath", iniFile}, {"exists", q.iniExists()}};
    doc["signupFile"] = q.signupPath();

    bool identified = facts.library == "read";
    // Without the library the run identifies nothing and has no branding file path; the
    // section search never happens.
    doc["section"] = identified ? Json(run.section) : Json(nullptr);
    doc["sectionLine"] = identified ? LineOrNull(q.SectionLine(run.section)) : Json(nullptr);
    doc["candidates"] = Json::array();
    if (identified) {
        for (const Candidate& c : d.candidates) {
            doc["candidates"].push_back({{"name", c.name}, {"result", c.result}, {"line", LineOrNull(q.SectionLine(c.name))}});
        }
    }
    doc["stops"] = run.stops.empty() ? Json(nullptr) : Json(run.stops);

    Values values{q, iniFile};
    Json favorites = Json::array();
    Json wallpapers = Json::array();
    doc["favoritesFolder"] = nullptr;
    doc["signupStart"] = nullptr;
    doc["home"] = nullptr;
    doc["search"] = nullptr;
    std::vector<std::string> used;
    std::vector<std::string> wallpaperSources;
    if (run.stops.empty()) {
        used.push_back(run.section);
        for (const WallpaperCopy& c : run.wallpapers) {
            wallpapers.push_back({{"source", c.source},
                                  {"target", c.target},
                                  {"exists", c.sourceExists},
                                  {"fits", c.fits},
                                  {"result", c.result},
                                  {"reason", ReasonJson(c.reason)},
                                  {"failures", FailuresJson(c.failures)}});
            wallpaperSources.push_back(c.source);
        }
        doc["wallpaperVariant"] = Json{{"imageFolder", run.variant}, {"sizeFile", run.sizeFile}};
        const EngineFacts& f = EngineQuery::Facts();
        if (!run.favoritesList.empty()) {
            values.Add(run.section, "Favorites", run.favoritesList, run.favoritesListCut, f.listRoom);
            doc["favoritesFolder"] = Json{{"result", run.favoritesFolderResult}, {"path", run.favoritesFolder}};
            doc["signupStart"] = run.signupStart;
        }
        for (const FavoriteOutcome& l : run.favorites) {
            used.push_back(l.linkSection);
            values.Add(l.linkSection, "Name", l.name, l.nameCut, f.favoriteNameRoom);
            values.Add(l.linkSection, "Path", l.url, l.pathTooLong, f.pathRoom);
            Json fav{{"linkSection", l.linkSection}};
            fav["name"] = TextOrNull(!l.nameMissing, l.name);
            fav["url"] = TextOrNull(!l.pathMissing, l.url);
            fav["shortcut"] = TextOrNull(!l.shortcutFile.empty(), l.shortcutFile);
            fav["shortcutResult"] = TextOrNull(l.installed, l.shortcut);
            fav["index"] = l.installed ? Json(l.index) : Json(nullptr);
            fav["reason"] = ReasonJson(l.reason);
            fav["failures"] = FailuresJson(l.failures);
            favorites.push_back(fav);
        }
        doc["home"] = PageJson(q, run.section, "Home", run.home, &values);
        if (run.home.named) used.push_back(run.home.linkSection);
        doc["search"] = PageJson(q, run.section, "Search", run.search, &values);
        if (run.search.named) used.push_back(run.search.linkSection);
    }
    doc["values"] = values.list;
    doc["favorites"] = favorites;
    doc["wallpapers"] = wallpapers;
    Json signup = Json::array();
    for (const SignupEntry& e : run.signup) signup.push_back({{"section", e.section}, {"key", e.key}, {"value", e.value}});
    doc["signup"] = signup;
    doc["failures"] = FailuresJson(run.failures);
    doc["findings"] = FindingsJson(q, iniFile, used, wallpaperSources);

    Json problems = Json::array();
    if (run.NoBranding()) problems.push_back("no-branding");
    if (identified && d.brand.insideWord) problems.push_back("two-letter-match");
    if (!run.failures.empty()) problems.push_back("write-fails");
    doc["problems"] = problems;
    return doc;
}

bool ExplanationHasProblems(const Json& doc) {
    if (!doc["problems"].empty()) return true;
    for (const auto& f : doc["findings"]) {
        if (f["severity"] != "note") return true;
    }
    return false;
}

namespace {

std::string Str(const Json& j) {
    if (j.is_null()) return "";
    if (j.is_string()) return j.get<std::string>();
    return j.dump();
}

// A text from the image, quoted with its control characters shown.
std::string Q(const Json& j) { return Quoted(Str(j)); }

// " (FILE:LINE)" for a value or section that has a line in a file.
std::string At(const std::string& file, const Json& line) {
    if (line.is_null() || file.empty()) return "";
    return " (" + file + ":" + Str(line) + ")";
}

std::string FailureText(const Json& failures) {
    std::string out;
    for (const auto& f : failures) out += "; " + Str(f["what"]) + ": " + Str(f["text"]);
    return out;
}

template <typename Line>
void FormatIdentification(const Json& id, Line line) {
    line("  ZMINT.DLL: read, system ID " + Q(id["machineId"]));
    line("  Model name: " + Q(id["model"]));
    const auto& b = id["brand"];
    std::string brand = "  Brand " + Str(b["brand"]) + ", category " + Str(b["category"]) + ", wallpaper variant " +
                        Str(b["imageFolder"]);
    if (b["matched"].is_null()) {
        line(brand + ": no product text in the model name, so the default");
    } else {
        line(brand + ": " + Q(b["matched"]) + " found at offset " + Str(b["offset"]) + " of the model name");
        if (b["insideWord"].get<bool>()) {
            line("  warning: " + Q(b["matched"]) + " matched inside a longer word or number [two-letter-match]");
        }
    }
    const auto& r = id["region"];
    std::string source = Str(r["source"]);
    if (source == "option-code") {
        line("  Region " + Str(r["code"]) + ": option code " + Q(r["optionCode"]) + ", row " + Str(r["tableRow"]) +
             " of the region table");
    } else {
        std::string why = r["optionCode"].is_null() ? "no \"#\" in the model name"
                                                    : "option code " + Q(r["optionCode"]) + " is not in the table";
        if (source == "factory-file") {
            line("  Region " + Q(r["code"]) + ": " + why + "; DashRegion of [uia] in " + Str(r["file"]) +
                 (r["line"].is_null() ? "" : ":" + Str(r["line"])) +
                 (r["cut"].get<bool>() ? " (cut to its first two characters)" : ""));
        } else {
            line("  Region XX: " + why + ", and no DashRegion in the factory options file (fallback)");
        }
    }
    const auto& lang = id["language"];
    line("  Languages: user " + Str(lang["userId"]) + " gives " + Q(lang["userLangID"]) + "; system UI " +
         Str(lang["uiId"]) + " gives " + Q(lang["osLangID"]) + " and " + Q(lang["osLangString"]));
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

std::string FavoriteText(const Json& f) {
    std::string reason = Str(f["reason"]);
    std::string head = "    [" + Str(f["linkSection"]) + "] ";
    if (reason == "missing-link") {
        return head + "not installed: " +
               (f["name"].is_null() && f["url"].is_null() ? "no such link section, or no Name and no Path"
                : f["name"].is_null()                     ? "no Name"
                                                          : "no Path") +
               " [missing-link]";
    }
    if (reason == "path-too-long") return head + "not installed: its Path is longer than the engine holds [path-too-long]";
    std::string shortcut = Str(f["shortcutResult"]);
    std::string text = head + Q(f["name"]) + " -> " + Str(f["url"]) + ", sign-up Title" + Str(f["index"]) + ", ";
    if (shortcut == "made") {
        text += "shortcut " + Str(f["shortcut"]);
    } else if (shortcut == "failed") {
        text += "shortcut " + Str(f["shortcut"]) + " fails";
    } else if (shortcut == "no-shortcut") {
        text += "no shortcut: the Name is no file name [no-shortcut]";
    } else if (shortcut == "no-favorites-folder") {
        text += "no shortcut: no Favorites folder [no-favorites-folder]";
    } else if (shortcut == "shortcut-path-too-long") {
        text += "no shortcut: its path is too long [shortcut-path-too-long]";
    } else {
        text += "shortcut not written";
    }
    if (!f["failures"].empty()) text += FailureText(f["failures"]) + " [write-fails]";
    return text;
}

}  // namespace

std::string FormatExplanationText(const Json& doc) {
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
            line("  [" + Str(v["section"]) + "] " + Str(v["key"]) + " = " + Q(v["value"]) + At(Str(v["file"]), v["line"]) +
                 (v["cut"].get<bool>() ? "  note: longer than the engine's " + Str(v["room"]) + " characters" : ""));
        }
        if (doc["favoritesFolder"].is_null()) {
            line("  Favorites: none");
        } else {
            line("  Favorites folder: " + Str(doc["favoritesFolder"]["result"]) + " " +
                 Str(doc["favoritesFolder"]["path"]));
            line("  Sign-up numbering starts at Title" + Str(doc["signupStart"]));
            for (const auto& f : doc["favorites"]) line(FavoriteText(f));
        }
        for (const char* key : {"home", "search"}) {
            const auto& p = doc[key];
            std::string label = std::string(key) == "home" ? "Home page" : "Search page";
            if (p.is_null()) {
                line("  " + label + ": none");
                continue;
            }
            std::string text = "  " + label + ": [" + Str(p["section"]) + "]" + At(iniFile, p["line"]) + " ";
            std::string reason = Str(p["reason"]);
            if (reason == "missing-link") {
                text += std::string("cannot be set: the link section lacks ") +
                        (p["nameMissing"].get<bool>() ? "Name" : "Path") + " [missing-link]";
            } else if (reason == "path-too-long") {
                text += "cannot be set: its Path is longer than the engine holds [path-too-long]";
            } else {
                text += Str(p["url"]);
            }
            if (std::string(key) == "home" && reason.empty()) {
                text += p["runs"].get<int>() == 0 ? "; not applied: no -h or /h among the arguments"
                                                  : "; the step runs " + Str(p["runs"]) + " time(s)";
            }
            if (!p["failures"].empty()) text += FailureText(p["failures"]) + " [write-fails]";
            line(text);
        }
        line("  Wallpapers (" + Str(doc["wallpaperVariant"]["imageFolder"]) + ", " +
             Str(doc["wallpaperVariant"]["sizeFile"]) + "); the run stops at the first copy that fails:");
        for (const auto& w : doc["wallpapers"]) {
            std::string result = Str(w["result"]);
            std::string reason = Str(w["reason"]);
            std::string text = "    " + Str(w["source"]) + " -> " + Str(w["target"]) + "  ";
            if (result == "copied") {
                text += "(copied)";
            } else if (result == "not-reached") {
                text += "(not reached)";
            } else if (reason == "path-too-long") {
                text += "(fails: path too long) [path-too-long]";
            } else {
                text += "(fails" + FailureText(w["failures"]) + ") [" + reason + "]";
            }
            line(text);
        }
    }
    line("");
    line("Findings");
    if (doc["findings"].empty() && doc["problems"].empty()) line("  none");
    for (const auto& p : doc["problems"]) {
        std::string name = Str(p);
        line("  " + std::string(name == "no-branding" ? "the machine gets no branding" : name == "two-letter-match" ? "a two-letter match inside a word decided the category"
                                                                                                                    : "a write of the run fails") +
             " [" + name + "]");
    }
    for (const auto& f : doc["findings"]) {
        line("  " + Str(f["file"]) + ":" + Str(f["line"]) + ":" + Str(f["column"]) + ": " + Str(f["severity"]) + ": " +
             Str(f["message"]) + " [" + Str(f["rule"]) + "]");
    }
    return out;
}

}  // namespace author
