#include "author/lint.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "author/output.h"
#include "author/text.h"
#include "formats/ascii.h"
#include "formats/profile_reader.h"

namespace author {

const LintRule kLintRules[23] = {
    {"duplicate-section", Severity::kError, "A second section of a name already seen: its keys are never read."},
    {"duplicate-key", Severity::kWarning, "A key repeated in a section: only the first counts."},
    {"orphan-line", Severity::kWarning,
     "Text before the first header, or a line in a section that is no entry, comment or blank."},
    {"header-form", Severity::kWarning,
     "A header without ']', with text after it, or with blanks or tabs inside the brackets."},
    {"encoding", Severity::kError,
     "A byte-order mark, UTF-16 or NUL bytes: the reader misses the first header or stops."},
    {"no-home", Severity::kError, "A section named like a branding section without Home: never chosen."},
    {"unreachable-section", Severity::kWarning,
     "A branding-form name no machine can produce (unknown region code, language, or category)."},
    {"factory-region", Severity::kNote,
     "A section for a region outside the region table: chosen only through a factory file's DashRegion."},
    {"missing-link", Severity::kError,
     "Home, Search or a Favorites piece names a section that is missing or lacks Name or Path."},
    {"path-too-long", Severity::kError,
     "A link Path longer than the engine holds: nothing is installed for the link."},
    {"value-cut", Severity::kWarning, "A value longer than the engine's buffer for it."},
    {"list-form", Severity::kWarning,
     "A Favorites list with empty pieces, blanks around a name, or cut at its buffer."},
    {"no-shortcut", Severity::kError, "A favorite Name that Windows refuses as a file name: no shortcut is made."},
    {"link-url", Severity::kWarning, "A Path that is not an absolute http, https, ftp or file URL."},
    {"value-comment", Severity::kWarning,
     "A \";\" or \"#\" after a value: Windows has no end-of-line comments and keeps it in the value."},
    {"shadowed-section", Severity::kWarning,
     "A branding section never chosen: for every machine it could serve, an earlier candidate is chosen."},
    {"no-catch-all", Severity::kWarning,
     "A category with branding sections but no plain category section: some of its machines get DEFAULT_SECTION."},
    {"lint-directive", Severity::kWarning, "A facet-lint comment directive that is not understood or names no rule."},
    {"unused-link", Severity::kNote, "A link section that no branding section uses."},
    {"no-default", Severity::kWarning, "No DEFAULT_SECTION: machines without a match get no branding."},
    {"asset-missing", Severity::kError, "A wallpaper file that some machine would copy is missing."},
    {"asset-format", Severity::kError, "A wallpaper that is not a readable JPEG."},
    {"asset-size", Severity::kWarning,
     "A wallpaper whose pixel size is neither its file name's size nor its transpose."},
};

namespace {

// The header of a JPEG (its markers up to the frame size) lies in its first bytes; a
// wallpaper is never read whole to check it.
constexpr size_t kJpegHeadBytes = 2u << 20;

using formats::ProfileLine;
using formats::ProfileSection;

Severity SeverityOf(const char* rule) {
    for (const LintRule& r : kLintRules) {
        if (strcmp(r.name, rule) == 0) return r.severity;
    }
    return Severity::kError;
}

std::string Lower(std::string_view s) { return formats::AsciiLowerText(s); }
bool SameName(std::string_view a, std::string_view b) { return formats::AsciiSameText(a, b); }
std::string S(std::string_view v) { return std::string(v); }

// The names the engine can put into a section name, from its own tables (lower case).
struct EngineNames {
    std::unordered_set<std::string> regions;
    std::unordered_set<std::string> langStrings;
    std::unordered_set<std::string> categories;
    std::string categoryList;

    EngineNames() {
        const EngineFacts& f = EngineQuery::Facts();
        for (const EngineFacts::RegionRow& row : f.regionTable) regions.insert(Lower(row.region));
        regions.insert(Lower(f.noRegion));
        for (const std::string& s : f.langStrings) langStrings.insert(Lower(s));
        for (const std::string& c : f.categories) {
            categories.insert(Lower(c));
            categoryList += (categoryList.empty() ? "" : ", ") + c;
        }
    }

    // A four-digit language identifier text the engine writes for some identifier.
    static bool IsLangID(const std::string& text) {
        if (text.size() != 4 || !std::all_of(text.begin(), text.end(), [](char c) { return isxdigit(c & 0xFF); })) {
            return false;
        }
        uint16_t id = static_cast<uint16_t>(strtoul(text.c_str(), nullptr, 16));
        return SameName(EngineQuery::Languages(id, id).osLangID, text);
    }
};

const EngineNames& Names() {
    static const EngineNames names;
    return names;
}

// What a section's name makes of it for the section search.
struct BrandingName {
    enum Kind {
        kNone,
        kDefault,
        kCategory,
        kCandidate
    } kind = kNone;
    std::string unreachable;    // why no machine produces the name, or empty
    std::string factoryRegion;  // a region outside the table: only a factory file gives it
    // The parts of the name (the file's text): a category section has only its category.
    std::string region, lang, category;
};

// A name the section search could probe: DEFAULT_SECTION, a category, or one of the
// engine's candidate forms REGION-LANG-CATEGORY with "*" for region or language.
BrandingName ClassifyName(std::string_view name, const LintOptions& options) {
    const EngineNames& names = Names();
    BrandingName out;
    if (SameName(name, EngineQuery::Facts().defaultSection)) {
        out.kind = BrandingName::kDefault;
        return out;
    }
    if (names.categories.count(Lower(name))) {
        out.kind = BrandingName::kCategory;
        out.category = S(name);
        return out;
    }
    size_t a = name.find('-');
    size_t b = name.rfind('-');
    if (a == std::string_view::npos || a == b || name.find('-', a + 1) != b) return out;
    std::string region(name.substr(0, a)), lang(name.substr(a + 1, b - a - 1)), category(name.substr(b + 1));
    if (region.empty() || lang.empty() || category.empty()) return out;

    // Which of the engine's candidates this name is: built from its own parts, the
    // language part standing for both language texts.
    std::vector<std::string> c = EngineQuery::Candidates(Utf8FromImage(region), Utf8FromImage(lang),
                                                         Utf8FromImage(lang), Utf8FromImage(category));
    std::string utf8 = Utf8FromImage(name);
    if (!SameName(c[0], utf8)) return out;  // too long for any candidate
    bool anyRegion = SameName(c[2], utf8) && region == "*";
    bool anyLang = SameName(c[3], utf8) && lang == "*";
    out.kind = BrandingName::kCandidate;
    out.region = region;
    out.lang = lang;
    out.category = category;
    if (!names.categories.count(Lower(category))) {
        out.unreachable = "no machine has the category " + category + " (categories: " + names.categoryList + ")";
    } else if (anyRegion && anyLang) {
        out.unreachable = "region and language cannot both be \"*\"";
    } else if (!anyLang && !names.langStrings.count(Lower(lang)) && (anyRegion || !names.IsLangID(lang))) {
        out.unreachable = anyRegion ? "no machine has the primary language " + lang + " (two hex digits, or UN)"
                                    : "no machine has the language " + lang +
                                          " (a language identifier of four hex digits, or a primary language of two)";
    } else if (!anyRegion && !names.regions.count(Lower(region))) {
        // Not a code of the table: a machine gets it only from its factory file, whose
        // value the engine cuts to two characters and takes as it is.
        bool used = false;
        for (const std::string& value : options.regions) {
            used = used || SameName(ImageFromUtf8(value).substr(0, 2), region);
        }
        if (region.size() > 2) {
            out.unreachable = "no machine has the region code " + region +
                              " (the region table's codes, XX, or two characters of a factory file's DashRegion)";
        } else if (!options.regionsGiven) {
            out.factoryRegion = "[" + S(name) + "] is chosen only on machines whose factory options file holds "
                                                "DashRegion=" +
                                region + " (" + region + " is not in the region table)";
        } else if (!used) {
            out.unreachable = "no machine has the region code " + region +
                              " (not in the region table, and no factory uses DashRegion=" + region + ")";
        }
    }
    return out;
}

bool IsAbsoluteUrl(std::string_view url) {
    for (const char* scheme : {"http://", "https://", "ftp://"}) {
        size_t n = strlen(scheme);
        if (url.size() > n && SameName(url.substr(0, n), scheme) && url[n] != '/') return true;
    }
    return url.size() > 7 && SameName(url.substr(0, 7), "file://");
}

// The two language texts of a section name, as the engine makes them from every UI
// language identifier (the index is the identifier), and the identifiers grouped by their
// primary-language text (lower case).
struct LanguageRow {
    char id[8];
    char primary[4];
};
struct LanguageTable {
    std::vector<LanguageRow> rows;
    std::map<std::string, std::vector<uint16_t>> byPrimary;
    std::unordered_map<std::string, uint16_t> byId;

    LanguageTable() : rows(0x10000) {
        for (unsigned v = 0; v < rows.size(); ++v) {
            LanguageTexts t = EngineQuery::Languages(0x0409, static_cast<uint16_t>(v));
            snprintf(rows[v].id, sizeof(rows[v].id), "%s", t.osLangID.c_str());
            snprintf(rows[v].primary, sizeof(rows[v].primary), "%s", t.osLangString.c_str());
            byPrimary[Lower(t.osLangString)].push_back(static_cast<uint16_t>(v));
            byId.emplace(Lower(t.osLangID), static_cast<uint16_t>(v));
        }
    }
};
const LanguageTable& Languages() {
    static const LanguageTable table;
    return table;
}
const std::vector<LanguageRow>& LanguageRows() { return Languages().rows; }

// The machines' languages as the sections of one file tell them apart: per primary
// language, the identifiers some section names, and one identifier no section names
// (every other identifier of that primary language meets the same candidates).
struct LanguageDomain {
    std::map<std::string, std::vector<uint16_t>> byPrimary;  // lower-case primary -> identifiers
    std::unordered_map<std::string, uint16_t> named;         // lower-case identifier text -> identifier
    std::vector<uint16_t> representatives;                   // one per primary, unnamed where there is one

    explicit LanguageDomain(const std::unordered_set<std::string>& langParts) {
        const LanguageTable& table = Languages();
        for (const std::string& part : langParts) {
            if (auto id = table.byId.find(part); id != table.byId.end()) named.emplace(part, id->second);
        }
        for (const auto& n : named) byPrimary[Lower(table.rows[n.second].primary)].push_back(n.second);
        for (const auto& [primary, all] : table.byPrimary) {
            std::vector<uint16_t>& mine = byPrimary[primary];
            uint16_t pick = all.front();
            for (uint16_t v : all) {
                if (!named.count(Lower(table.rows[v].id))) {
                    pick = v;
                    break;
                }
            }
            if (std::find(mine.begin(), mine.end(), pick) == mine.end()) mine.push_back(pick);
            representatives.push_back(pick);
        }
    }
    // The identifiers a section name's language part admits ("*": all).
    std::vector<uint16_t> Of(const std::string& part) const {
        std::vector<uint16_t> out;
        std::string lower = Lower(part);
        if (lower == "*") {
            for (const auto& group : byPrimary) out.insert(out.end(), group.second.begin(), group.second.end());
        } else if (auto g = byPrimary.find(lower); g != byPrimary.end()) {
            out = g->second;
        } else if (auto n = named.find(lower); n != named.end()) {
            out.push_back(n->second);
        }
        return out;
    }
    std::vector<uint16_t> Representatives() const { return representatives; }
};

// A section the section search could choose: a reachable candidate-form or category name
// with a Home the probe accepts.
struct Choosable {
    const ProfileSection* section;
    BrandingName name;
};

struct Linter {
    EngineQuery& query;
    const LintOptions& options;
    std::string file;
    std::string_view text;
    const formats::ProfileParse& parse;
    std::vector<Finding>* findings;
    std::unordered_map<std::string, size_t> first;       // lower-case name -> index of its first section
    std::unordered_set<std::string> usedLinks;           // lower-case names of link sections used
    std::set<std::pair<int, std::string>> reported;      // (line, rule) already reported
    std::unordered_map<std::string, SectionPlan> plans;  // lower-case section -> what it installs
    std::vector<Choosable> choosable;                    // in file order
    std::unordered_set<std::string> chosen;              // lower-case names the search has chosen
    std::unordered_set<std::string> refused;             // and those its probe refused

    // Messages are made of the file's own text (Windows-1252) and ours (ASCII): one
    // conversion here makes them UTF-8.
    void Add(int line, int column, const char* rule, const std::string& message) {
        findings->push_back({file, line, column, SeverityOf(rule), rule, Utf8FromImage(message)});
    }
    bool Once(int line, const char* rule) { return reported.insert({line, rule}).second; }

    // The first section of a name, as the reader finds it (requested names trimmed).
    const ProfileSection* Find(std::string_view name) const {
        auto it = first.find(Lower(formats::ProfileRequestName(name)));
        return it == first.end() ? nullptr : &parse.sections[it->second];
    }
    static const ProfileLine* Entry(const ProfileSection& section, std::string_view key) {
        for (const ProfileLine& e : section.entries) {
            if (SameName(e.key, key)) return &e;
        }
        return nullptr;
    }

    // A value longer than the room the engine reads it into.
    void CheckCut(const ProfileLine& e, size_t room, const char* what) {
        if (e.value.size() <= room || !Once(e.number, "value-cut")) return;
        Add(e.number, e.valueColumn + static_cast<int>(room), "value-cut",
            std::string(what) + " is " + std::to_string(e.value.size()) + " characters; the engine reads " +
                std::to_string(room) + " and drops the rest");
    }

    void Encoding(bool* stop);
    void Structure();
    void Branding();
    void Reference(const ProfileSection& branding, const ProfileLine& ref, std::string_view linkName, int column,
                   const std::string& reason, bool favorite, const std::string& name);
    void FavoritesList(const ProfileSection& branding, const ProfileLine& e, const SectionPlan& plan);
    void Links();
    void Values();
    void Coverage();
    std::vector<std::string> MachineRegions(bool* closed);
    int ChosenFirst(const std::string& region, uint16_t lang, const std::string& category, const std::string& name,
                    std::string* chosenName, int* place = nullptr);
    void Directives(std::map<int, std::set<std::string>>* disabled);
};

void Linter::Encoding(bool* stop) {
    formats::ProfileEncoding enc = formats::DetectProfileEncoding(query.BrandingBytes());
    *stop = false;
    switch (enc.form) {
        case formats::ProfileEncoding::kAnsi: break;
        case formats::ProfileEncoding::kUtf8Bom:
            Add(1, 1, "encoding",
                "UTF-8 byte-order mark: the reader takes its three bytes as text of line 1, so a header there is "
                "missed; save the file as ANSI text");
            break;
        case formats::ProfileEncoding::kUtf16LeBom: return;  // read as Unicode: the engine sees its text
        case formats::ProfileEncoding::kUtf16BeBom:
        case formats::ProfileEncoding::kUtf16NoBom:
            Add(1, 1, "encoding",
                "the file is UTF-16 text without the little-endian byte-order mark the reader needs; save it as "
                "ANSI text or as UTF-16LE with its mark");
            *stop = true;
            return;
    }
    if (enc.nul) {
        Add(enc.nulLine, enc.nulColumn, "encoding", "NUL byte: the reader stops at it and misses the rest of the line");
    }
}

void Linter::Structure() {
    for (const ProfileLine& o : parse.orphans) {
        bool beforeHeader = parse.sections.empty() || o.number < parse.sections.front().header.number;
        Add(o.number, o.column, "orphan-line",
            beforeHeader ? "text before the first section header belongs to no section and is never read"
                         : "line is no entry (no \"=\"), comment or blank: the reader ignores it");
    }
    for (size_t i = 0; i < parse.sections.size(); ++i) {
        const ProfileSection& s = parse.sections[i];
        const ProfileLine& h = s.header;
        auto ins = first.insert({Lower(h.name), i});
        if (!ins.second) {
            Add(h.number, h.nameColumn, "duplicate-section",
                "section [" + S(h.name) + "] already began on line " +
                    std::to_string(parse.sections[ins.first->second].header.number) +
                    ": the reader searches only the first, so these keys are never read");
        }
        if (h.headerFlaws != 0) {
            std::string what;
            auto add = [&](const char* t) { what += (what.empty() ? "" : "; ") + std::string(t); };
            if (h.headerFlaws & ProfileLine::kNoClose) add("header has no \"]\"");
            if (h.headerFlaws & ProfileLine::kTextAfterClose) add("text after \"]\" is ignored");
            if (h.headerFlaws & ProfileLine::kBlankInside) add("blanks or tabs inside the brackets");
            Add(h.number, h.flawColumn, "header-form", what + ": the reader takes the name \"" + S(h.name) + "\"");
        }
        std::unordered_map<std::string, int> keys;
        for (const ProfileLine& e : s.entries) {
            auto k = keys.insert({Lower(e.key), e.number});
            if (!k.second) {
                Add(e.number, e.keyColumn, "duplicate-key",
                    "key " + S(e.key) + " already set on line " + std::to_string(k.first->second) +
                        ": only the first counts");
            }
        }
    }
}

// One link a branding section names, with the engine's outcome for it (`reason`).
void Linter::Reference(const ProfileSection& branding, const ProfileLine& ref, std::string_view linkName, int column,
                       const std::string& reason, bool favorite, const std::string& name) {
    const EngineFacts& facts = EngineQuery::Facts();
    std::string where = S(ref.key) + " of [" + S(branding.header.name) + "]";
    const ProfileSection* link = Find(linkName);
    if (link == nullptr) {
        Add(ref.number, column, "missing-link",
            where + " names section [" + S(linkName) + "], which does not exist: nothing is installed");
        return;
    }
    usedLinks.insert(Lower(link->header.name));
    const ProfileLine* nameLine = Entry(*link, "Name");
    const ProfileLine* pathLine = Entry(*link, "Path");
    if (reason == "missing-link") {
        bool noName = nameLine == nullptr || SameName(nameLine->value, "ERROR");
        const char* key = noName ? "Name" : "Path";
        Add(ref.number, column, "missing-link",
            where + " names section [" + S(link->header.name) + "], which lacks " + key +
                (Entry(*link, key) ? " (it reads \"ERROR\")" : "") + ": nothing is installed");
        return;
    }
    if (reason == "path-too-long" && pathLine && Once(pathLine->number, "path-too-long")) {
        Add(pathLine->number, pathLine->valueColumn + static_cast<int>(facts.pathRoom), "path-too-long",
            "Path of [" + S(link->header.name) + "] is " + std::to_string(pathLine->value.size()) +
                " characters; the engine holds " + std::to_string(facts.pathRoom) +
                " and installs nothing for this link");
    }
    if (favorite && nameLine) CheckCut(*nameLine, facts.favoriteNameRoom, "favorite Name");
    if (reason != "no-shortcut" || !nameLine || !Once(nameLine->number, "no-shortcut")) return;
    // Where in the Name the engine's test fails: the first byte Windows refuses, or the
    // whole Name when it is a device name.
    std::string ansi = ImageFromUtf8(name);
    int at = 0;
    std::string shown = "\"" + ansi + "\" is a device name";
    for (size_t i = 0; i < ansi.size(); ++i) {
        char one[2] = {ansi[i], '\0'};
        if (!EngineQuery::IsFileName(one)) {
            at = static_cast<int>(i);
            unsigned char c = static_cast<unsigned char>(ansi[i]);
            shown = "holds " + (c < 32 ? std::string("a control byte") : "\"" + std::string(one) + "\"");
            break;
        }
    }
    Add(nameLine->number, nameLine->valueColumn + at, "no-shortcut",
        "favorite Name " + shown + " and is no file name: no shortcut file is made");
}

void Linter::FavoritesList(const ProfileSection& branding, const ProfileLine& e, const SectionPlan& plan) {
    const size_t room = EngineQuery::Facts().listRoom;
    std::string_view list = e.value;
    if (list.size() > room) {
        Add(e.number, e.valueColumn + static_cast<int>(room), "list-form",
            "Favorites list is " + std::to_string(list.size()) + " characters; the engine reads " +
                std::to_string(room) + " and drops the rest");
        list = list.substr(0, room);
    }
    if (list.empty()) return;
    // Empty pieces: the engine skips them, so a doubled comma usually means a lost name.
    for (size_t i = 0; i <= list.size(); ++i) {
        bool pieceEnds = i == list.size() || list[i] == ',';
        bool pieceEmpty = i == 0 || list[i - 1] == ',';
        if (pieceEnds && pieceEmpty) {
            Add(e.number, e.valueColumn + static_cast<int>(i), "list-form",
                "empty piece in the Favorites list (a leading, trailing or doubled comma): nothing is installed "
                "for it");
        }
    }
    // The names as the engine cuts the list; the engine's outcome for each, in order.
    std::vector<std::pair<size_t, size_t>> pieces = EngineQuery::FavoritePieces(list);
    for (size_t k = 0; k < pieces.size(); ++k) {
        std::string_view name = list.substr(pieces[k].first, pieces[k].second);
        int column = e.valueColumn + static_cast<int>(pieces[k].first);
        if (name.front() == ' ' || name.front() == '\t' || name.back() == ' ' || name.back() == '\t') {
            Add(e.number, column, "list-form",
                "blanks around the name \"" + S(name) +
                    "\": the engine passes them on, so the name depends on the reader's trimming");
        }
        const FavoriteOutcome* outcome = k < plan.favorites.size() ? &plan.favorites[k] : nullptr;
        Reference(branding, e, name, column, outcome ? outcome->reason : std::string(), true,
                  outcome ? outcome->name : std::string());
    }
}

void Linter::Branding() {
    bool haveDefault = false;
    const EngineFacts& facts = EngineQuery::Facts();
    for (size_t i = 0; i < parse.sections.size(); ++i) {
        const ProfileSection& s = parse.sections[i];
        if (first[Lower(s.header.name)] != i) continue;  // a duplicate: never read
        BrandingName kind = ClassifyName(s.header.name, options);
        if (kind.kind == BrandingName::kNone) continue;
        const ProfileLine& h = s.header;
        if (kind.kind == BrandingName::kDefault) haveDefault = true;
        if (!kind.unreachable.empty()) {
            Add(h.number, h.nameColumn, "unreachable-section", "[" + S(h.name) + "] is never chosen: " + kind.unreachable);
        }
        if (!kind.factoryRegion.empty()) Add(h.number, h.nameColumn, "factory-region", kind.factoryRegion);
        // The section search's own probe: Home read with "ERROR" as default.
        if (kind.kind != BrandingName::kDefault) {
            const ProfileLine* e = Entry(s, "Home");
            if (e == nullptr || e->value.substr(0, facts.probeRoom) == "ERROR") {
                Add(e ? e->number : h.number, e ? e->valueColumn : h.nameColumn, "no-home",
                    e ? "Home=ERROR reads as a missing Home: the section search never chooses [" + S(h.name) + "]"
                      : "branding section [" + S(h.name) + "] has no Home key: the section search never chooses it");
            } else if (kind.unreachable.empty()) {
                choosable.push_back({&s, kind});
            }
        }
        SectionPlan plan = query.PlanSection(Utf8FromImage(h.name));
        for (const char* key : {"Home", "Search"}) {
            const ProfileLine* e = Entry(s, key);
            if (!e) continue;
            CheckCut(*e, facts.pageKeyRoom, key);
            const PageOutcome& page = strcmp(key, "Home") == 0 ? plan.home : plan.search;
            if (!e->value.empty()) {
                Reference(s, *e, e->value.substr(0, facts.pageKeyRoom), e->valueColumn, page.reason, false, page.name);
            }
        }
        if (const ProfileLine* e = Entry(s, "Favorites")) FavoritesList(s, *e, plan);
    }
    if (!haveDefault) {
        Add(0, 0, "no-default",
            "no [" + facts.defaultSection + "]: a machine that matches no branding section gets no branding");
    }
}

void Linter::Links() {
    for (size_t i = 0; i < parse.sections.size(); ++i) {
        const ProfileSection& s = parse.sections[i];
        if (first[Lower(s.header.name)] != i || ClassifyName(s.header.name, options).kind != BrandingName::kNone) {
            continue;
        }
        const ProfileLine* name = Entry(s, "Name");
        const ProfileLine* path = Entry(s, "Path");
        if (!name && !path) continue;
        if (!usedLinks.count(Lower(s.header.name))) {
            Add(s.header.number, s.header.nameColumn, "unused-link",
                "link section [" + S(s.header.name) + "] is used by no branding section");
        }
        if (path && !IsAbsoluteUrl(path->value)) {
            Add(path->number, path->valueColumn, "link-url",
                "Path \"" + S(path->value) + "\" is not an absolute http, https, ftp or file URL");
        }
    }
}

void Linter::Values() {
    for (size_t i = 0; i < parse.sections.size(); ++i) {
        const ProfileSection& s = parse.sections[i];
        if (first[Lower(s.header.name)] != i) continue;
        for (const ProfileLine& e : s.entries) {
            if (Entry(s, e.key) != &e || e.rawValue.size() != e.value.size()) continue;  // unread, or quoted whole
            // A ";" or "#" after a blank: written as a comment, read as part of the value.
            size_t at = 1;
            while (at < e.value.size() && !((e.value[at] == ';' || e.value[at] == '#') &&
                                            (e.value[at - 1] == ' ' || e.value[at - 1] == '\t'))) {
                ++at;
            }
            if (at >= e.value.size()) continue;
            Add(e.number, e.valueColumn + static_cast<int>(at), "value-comment",
                "\"" + S(e.value.substr(at)) + "\" is no comment: Windows keeps it, so " + S(e.key) + " of [" +
                    S(s.header.name) + "] reads \"" + S(e.value) + "\"; put the comment on a line of its own");
        }
    }
}

// The regions machines can have: the region table's, the fallback, and with --regions
// what the factory files give (the engine's reading of each value). *closed says whether
// that is all of them (without --regions a factory file may give any code).
std::vector<std::string> Linter::MachineRegions(bool* closed) {
    std::vector<std::string> out;
    auto add = [&out](const std::string& code) {
        for (const std::string& have : out) {
            if (SameName(have, code)) return;
        }
        out.push_back(code);
    };
    for (const EngineFacts::RegionRow& row : EngineQuery::Facts().regionTable) add(row.region);
    add(EngineQuery::Facts().noRegion);
    for (const std::string& value : options.regions) {
        query.SetFactoryRegion(&value);
        add(query.FactoryRegion().code);
    }
    *closed = options.regionsGiven;
    return out;
}

// The candidate the section search chooses for a machine of this region, language and
// category (1-5, 0 for DEFAULT_SECTION, its name in *chosenName). With `name`, only when
// that section is one of the machine's candidates (-1 when not), and *position is its
// place. The probe's answer for a name does not depend on the machine, so names the
// search has chosen or refused before, and names the file does not hold, answer without
// asking it again.
int Linter::ChosenFirst(const std::string& region, uint16_t lang, const std::string& category,
                        const std::string& name, std::string* chosenName, int* place) {
    const LanguageRow& row = LanguageRows()[lang];
    std::vector<std::string> candidates = EngineQuery::Candidates(region, row.id, row.primary, category);
    size_t end = candidates.size();
    if (!name.empty()) {
        end = 0;
        while (end < candidates.size() && !SameName(candidates[end], name)) ++end;
        if (end == candidates.size()) return -1;
        *place = static_cast<int>(end) + 1;
    }
    size_t j = 0;
    for (; j < end; ++j) {
        std::string lower = Lower(candidates[j]);
        if (chosen.count(lower)) {
            *chosenName = candidates[j];
            return static_cast<int>(j) + 1;
        }
        if (refused.count(lower)) continue;
        if (Find(ImageFromUtf8(candidates[j])) != nullptr) break;
        refused.insert(lower);  // no such section
    }
    if (j == end) {
        // Every earlier candidate refused: the section itself, which has a Home, or the default.
        *chosenName = name.empty() ? EngineQuery::Facts().defaultSection : name;
        return name.empty() ? 0 : static_cast<int>(end) + 1;
    }
    Decision d = query.Search(region, {"", row.id, row.primary}, category);
    for (const Candidate& c : d.candidates) {
        if (c.result == "found") chosen.insert(Lower(c.name));
        if (c.result == "no-section" || c.result == "no-home") refused.insert(Lower(c.name));
    }
    *chosenName = d.section;
    return d.found;
}

void Linter::Coverage() {
    if (choosable.empty()) return;
    std::unordered_set<std::string> langParts;
    for (const Choosable& c : choosable) langParts.insert(Lower(c.name.lang));
    const LanguageDomain languages(langParts);
    bool closed = false;
    const std::vector<std::string> regions = MachineRegions(&closed);

    // A section every machine of whose gets an earlier candidate.
    for (const Choosable& c : choosable) {
        bool anyRegion = c.name.kind == BrandingName::kCategory || c.name.region == "*";
        if (anyRegion && !closed) continue;  // some factory file may give a region nothing else names
        std::vector<std::string> own{Utf8FromImage(c.name.region)};
        const std::vector<std::string>& served = anyRegion ? regions : own;
        std::vector<uint16_t> langs = languages.Of(c.name.kind == BrandingName::kCategory ? "*" : c.name.lang);
        std::string name = Utf8FromImage(c.section->header.name), category = Utf8FromImage(c.name.category);
        std::set<std::string> by;
        bool serves = false, wins = false;
        for (size_t r = 0; r < served.size() && !wins; ++r) {
            for (size_t l = 0; l < langs.size() && !wins; ++l) {
                std::string instead;
                int place = 0;
                int found = ChosenFirst(served[r], langs[l], category, name, &instead, &place);
                if (found < 0) continue;
                serves = true;
                // Chosen here, or not chosen for a reason of its own (no-home says why).
                wins = found == 0 || found >= place;
                if (!wins) by.insert(instead);
            }
        }
        if (!serves || wins) continue;
        std::string list;
        size_t shown = 0;
        for (const std::string& b : by) {
            if (shown++ == 3) break;
            list += (list.empty() ? "[" : ", [") + b + "]";
        }
        if (by.size() > 3) list += " and " + std::to_string(by.size() - 3) + " more";
        const ProfileLine& h = c.section->header;
        findings->push_back({file, h.number, h.nameColumn, Severity::kWarning, "shadowed-section",
                             Utf8FromImage("[" + S(h.name) + "] is never chosen: every machine it could serve gets an "
                                                             "earlier candidate of the section search: ") +
                                 list});
    }

    // A category whose machines the branding sections do not all reach.
    const std::vector<uint16_t> representatives = languages.Representatives();
    for (const std::string& category : EngineQuery::Facts().categories) {
        const Choosable* firstOf = nullptr;
        bool catchAll = false;
        for (const Choosable& c : choosable) {
            if (!SameName(Utf8FromImage(c.name.category), category)) continue;
            catchAll = catchAll || c.name.kind == BrandingName::kCategory;
            if (!firstOf && c.name.kind == BrandingName::kCandidate) firstOf = &c;
        }
        if (!firstOf || catchAll) continue;
        size_t fallen = 0;
        std::string example;
        for (const std::string& region : regions) {
            for (uint16_t lang : representatives) {
                std::string instead;
                if (ChosenFirst(region, lang, category, "", &instead) != 0) continue;
                if (fallen++ == 0) example = "region " + region + ", primary language " + LanguageRows()[lang].primary;
            }
        }
        if (fallen == 0) continue;
        const ProfileLine& h = firstOf->section->header;
        findings->push_back(
            {file, h.number, h.nameColumn, Severity::kWarning, "no-catch-all",
             "category " + category + " has branding sections but no [" + category + "]: " + std::to_string(fallen) +
                 " of " + std::to_string(regions.size() * representatives.size()) + " combinations (" +
                 std::to_string(regions.size()) + " regions x " + std::to_string(representatives.size()) +
                 " primary languages) get [" + EngineQuery::Facts().defaultSection + "], e.g. " + example});
    }
}

// Comment directives: "; facet-lint: disable=RULE[,RULE]" accepts those rules' findings on
// the line after it.
void Linter::Directives(std::map<int, std::set<std::string>>* disabled) {
    static const std::string_view kMark = "facet-lint:";
    formats::ProfileLines lines(text);
    ProfileLine line;
    while (lines.Next(&line)) {
        if (line.kind != ProfileLine::kComment) continue;
        size_t start = line.begin + static_cast<size_t>(line.column);  // after the ";"
        std::string_view body = formats::profile_detail::Trim(text.substr(start, line.end - start));
        if (body.size() < kMark.size() || !SameName(body.substr(0, kMark.size()), kMark)) continue;
        std::string_view rest = formats::profile_detail::Trim(body.substr(kMark.size()));
        auto columnOf = [&](std::string_view at) { return static_cast<int>(at.data() - text.data() - line.begin) + 1; };
        int column = columnOf(rest);
        static const std::string_view kDisable = "disable=";
        if (rest.size() < kDisable.size() || !SameName(rest.substr(0, kDisable.size()), kDisable)) {
            Add(line.number, column, "lint-directive",
                "facet-lint directive not understood: write \"; facet-lint: disable=RULE[,RULE]\"");
            continue;
        }
        size_t at = kDisable.size();
        while (at <= rest.size()) {
            size_t comma = rest.find(',', at);
            if (comma == std::string_view::npos) comma = rest.size();
            std::string_view rule = formats::profile_detail::Trim(rest.substr(at, comma - at));
            if (IsLintRule(rule)) {
                (*disabled)[line.number + 1].insert(S(rule));
            } else {
                Add(line.number, columnOf(rest.substr(at)), "lint-directive",
                    "facet-lint directive names no rule \"" + S(rule) + "\" (facet-sim lint --help lists them)");
            }
            at = comma + 1;
        }
    }
}

// Every wallpaper some machine would copy from the image: there, a JPEG, of its size.
void LintWallpapers(EngineQuery& query, std::vector<Finding>* findings) {
    host::Image& image = query.image();
    for (const WallpaperSource& source : query.WallpaperSources()) {
        host::MappedPath path;
        std::string winPath = ImageFromUtf8(source.winPath);
        bool mapped = image.MapPath(winPath.c_str(), &path) == 0;
        // Findings name the file where the image would hold it, so that a path that
        // leads out of the image is named as one inside it.
        std::string file = source.winPath;
        if (mapped && !path.inMemory && !image.dir().empty()) {
            file = Utf8FromHost(path.host);
        } else if (!image.dir().empty() && winPath.size() > 2) {
            std::string rel = winPath.substr(2);
            std::replace(rel.begin(), rel.end(), '\\', '/');
            file = Utf8FromHost(image.dir() + "/drive_c" + rel);
        }
        if (!mapped || !path.exists || path.folder) {
            findings->push_back({file, 0, 0, Severity::kError, "asset-missing",
                                 "wallpaper " + source.winPath +
                                     " is missing: on a machine of this variant the copy fails and ends the "
                                     "wallpaper step"});
            continue;
        }
        std::string head;
        int width = 0, height = 0;
        if (!path.regular || image.ReadHead(path, kJpegHeadBytes, &head) != 0 || !ReadJpegSize(head, &width, &height)) {
            findings->push_back(
                {file, 0, 0, Severity::kError, "asset-format", "wallpaper " + source.winPath + " is not a readable JPEG"});
            continue;
        }
        unsigned w = static_cast<unsigned>(width), h = static_cast<unsigned>(height);
        if (!((w == source.width && h == source.height) || (w == source.height && h == source.width))) {
            findings->push_back({file, 0, 0, Severity::kWarning, "asset-size",
                                 "wallpaper " + source.winPath + " is " + std::to_string(width) + "x" +
                                     std::to_string(height) + " pixels, not " + std::to_string(source.width) + "x" +
                                     std::to_string(source.height) + " (or its transpose) as its name says"});
        }
    }
}

}  // namespace

bool ReadJpegSize(const std::string& bytes, int* width, int* height) {
    tjhandle handle = tjInitDecompress();
    if (handle == nullptr) return false;
    int subsampling = 0, colorspace = 0;
    bool ok = tjDecompressHeader3(handle, reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<unsigned long>(bytes.size()), width, height, &subsampling,
                                  &colorspace) == 0;
    tjDestroy(handle);
    return ok && *width > 0 && *height > 0;
}

bool IsLintRule(std::string_view name) {
    for (const LintRule& r : kLintRules) {
        if (name == r.name) return true;
    }
    return false;
}

void LintBranding(EngineQuery& query, const std::string& file, const LintOptions& options,
                  std::vector<Finding>* findings) {
    std::vector<Finding> found;
    Linter linter{query, options, file, query.BrandingText(), query.BrandingParse(), &found, {}, {}, {}, {}, {}, {}, {}};
    bool stop = false;
    linter.Encoding(&stop);
    std::map<int, std::set<std::string>> accepted;  // line -> rules a directive accepts there
    if (!stop) {
        linter.Structure();
        linter.Values();
        linter.Branding();
        linter.Links();
        if (options.coverage) linter.Coverage();
        linter.Directives(&accepted);
    }
    std::stable_sort(found.begin(), found.end(), [](const Finding& a, const Finding& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    if (options.checkAssets) LintWallpapers(query, &found);
    for (const Finding& f : found) {
        auto on = accepted.find(f.line);
        if (on != accepted.end() && on->second.count(f.rule)) continue;
        if (std::find(options.disabled.begin(), options.disabled.end(), f.rule) != options.disabled.end()) continue;
        findings->push_back(f);
    }
}

bool LintImage(const std::string& imageDir, const LintOptions& options, std::vector<Finding>* findings,
               std::string* error) {
    std::unique_ptr<host::Image> image = host::Image::Open(imageDir, error);
    if (!image) {
        *error = "cannot read machine image: " + *error;
        return false;
    }
    EngineQuery query(*image);
    if (!query.iniPathOk()) {
        *error = "the image has no place for a branding file (its program path is too long)";
        return false;
    }
    if (!query.BrandingRead()) {
        *error = "the image has no readable branding file at " + query.iniPath();
        return false;
    }
    host::MappedPath path;
    std::string file = query.iniPath();
    if (image->MapPath(ImageFromUtf8(query.iniPath()).c_str(), &path) == 0 && !path.host.empty()) {
        // Named under the folder as it was given, as the file given by name is.
        const std::string& dir = image->dir();
        bool inside = !dir.empty() && path.host.compare(0, dir.size(), dir) == 0;
        file = Utf8FromHost(inside ? imageDir + path.host.substr(dir.size()) : path.host);
    }
    LintBranding(query, file, options, findings);
    return true;
}

bool LintBrandingText(const std::string& file, const std::string& text, const std::string& imageDir,
                      const LintOptions& options, std::vector<Finding>* findings, std::string* error) {
    std::unique_ptr<host::Image> image =
        imageDir.empty() ? host::Image::InMemory() : host::Image::Open(imageDir, error);
    if (!image) {
        *error = "cannot read machine image: " + *error;
        return false;
    }
    EngineQuery query(*image);
    if (!query.iniPathOk()) {
        *error = "the image has no place for a branding file (its program path is too long)";
        return false;
    }
    query.PutBrandingFile(text);
    LintOptions used = options;
    used.checkAssets = options.checkAssets && !imageDir.empty();
    LintBranding(query, file, used, findings);
    return true;
}

bool LintBrandingFile(const std::string& path, const std::string& imageDir, const LintOptions& options,
                      std::vector<Finding>* findings, std::string* error) {
    std::string bytes;
    if (!ReadInput(path, kBrandingLimit, &bytes, error)) return false;
    return LintBrandingText(Utf8FromHost(path), bytes, imageDir, options, findings, error);
}

}  // namespace author
