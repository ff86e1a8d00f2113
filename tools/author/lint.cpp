#include "author/lint.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "actions/favorites.h"
#include "actions/pages.h"
#include "author/lint_assets.h"
#include "config/section.h"
#include "identify/brand.h"
#include "identify/dash_region.h"
#include "identify/language.h"
#include "formats/ascii.h"
#include "platform/host/machine.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"

namespace author {

const LintRule kLintRules[17] = {
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
    {"missing-link", Severity::kError,
     "Home, Search or a Favorites piece names a section that is missing or lacks Name or Path."},
    {"value-cut", Severity::kWarning, "A value longer than the engine's buffer for it."},
    {"list-form", Severity::kWarning,
     "A Favorites list with empty pieces, blanks around a name, or cut at its buffer."},
    {"link-name", Severity::kError, "A favorite Name that is no file name: no shortcut is made."},
    {"link-url", Severity::kWarning, "A Path that is not an absolute http, https, ftp or file URL."},
    {"unused-link", Severity::kNote, "A link section that no branding section uses."},
    {"no-default", Severity::kWarning, "No DEFAULT_SECTION: machines without a match get no branding."},
    {"asset-missing", Severity::kError, "A wallpaper file that some machine would copy is missing."},
    {"asset-format", Severity::kError, "A wallpaper that is not a readable JPEG."},
    {"asset-size", Severity::kWarning,
     "A wallpaper whose pixel size is neither its file name's size nor its transpose."},
};

namespace {

using formats::ProfileLine;
using formats::ProfileSection;

// The rooms the engine reads values into, from its own fields.
constexpr DWORD kListRoom = sizeof(FavoritesPlan::szFavoritesList);  // ReadIniValue
constexpr DWORD kPageKeyRoom = sizeof(PageLink::szLinkSection);      // ReadIniValue
constexpr DWORD kPageNameRoom = sizeof(PageLink::szLinkName);
constexpr DWORD kPagePathRoom = sizeof(PageLink::szLinkPath);
constexpr DWORD kFavoriteNameRoom = sizeof(FavoriteLink::szLinkName);
constexpr DWORD kFavoritePathRoom = sizeof(FavoriteLink::szLinkPath);

Severity SeverityOf(const char* rule) {
    for (const LintRule& r : kLintRules) {
        if (strcmp(r.name, rule) == 0) return r.severity;
    }
    return Severity::kError;
}

std::string Lower(std::string_view s) { return formats::AsciiLowerText(s); }

bool SameName(std::string_view a, std::string_view b) { return formats::AsciiSameText(a, b); }

// The names the engine can put into a section name, asked from its own tables and
// formatting functions.
struct EngineNames {
    std::set<std::string> regions;      // lower case: the region table's codes and "no region"
    std::set<std::string> langStrings;  // lower case: every two-digit primary language text
    std::set<std::string> categories;   // lower case: every sub-brand
    std::vector<std::string> categoryList;

    EngineNames() {
        for (const DashRegionRow& row : DashRegionTable) regions.insert(Lower(row.szRegionCode));
        regions.insert(Lower(kNoDashRegion));
        for (unsigned v = 0; v <= 0x3FF; ++v) {
            char sz[4];
            FormatOSLangString(static_cast<LANGID>(v), sz);
            langStrings.insert(Lower(sz));
        }
        // Every category a model name can give: each rule's own text, and a name that
        // matches none.
        auto addCategory = [&](const char* modelName) {
            BrandDecision d;
            DecideBrand(modelName, &d);
            if (categories.insert(Lower(d.pszSubBrand)).second) categoryList.push_back(d.pszSubBrand);
        };
        for (const BrandRule& rule : kBrandRules) addCategory(rule.szNeedle);
        addCategory("");
    }

    // A four-digit language identifier text the engine writes for some identifier.
    bool IsLangID(const std::string& text) const {
        if (text.size() != 4 || !std::all_of(text.begin(), text.end(), [](char c) { return isxdigit(c & 0xFF); })) {
            return false;
        }
        LanguageCodes codes;
        LANGID id = static_cast<LANGID>(strtoul(text.c_str(), nullptr, 16));
        DecideLanguageCodes(id, id, &codes);
        return SameName(codes.szOSLangID, text);
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
    std::string unreachable;  // for kCandidate: why no machine produces the name, or empty
};

// A name the section search could probe: DEFAULT_SECTION, a category, or one of the
// engine's candidate forms REGION-LANG-CATEGORY with "*" for region or language.
BrandingName ClassifyName(std::string_view name) {
    const EngineNames& names = Names();
    BrandingName out;
    if (SameName(name, kDefaultSection)) {
        out.kind = BrandingName::kDefault;
        return out;
    }
    if (names.categories.count(Lower(name))) {
        out.kind = BrandingName::kCategory;
        return out;
    }
    size_t a = name.find('-');
    size_t b = name.rfind('-');
    if (a == std::string_view::npos || a == b || name.find('-', a + 1) != b) return out;
    std::string region(name.substr(0, a)), lang(name.substr(a + 1, b - a - 1)), category(name.substr(b + 1));
    if (region.empty() || lang.empty() || category.empty()) return out;

    // Which of the engine's candidates this name is: built from its own parts, the
    // language part standing for both language texts.
    SectionCandidates c;
    DecideSectionCandidates(region.c_str(), lang.c_str(), lang.c_str(), category.c_str(), &c);
    if (!SameName(c.szSecRegionLangID, name)) return out;  // too long for any candidate
    bool anyRegion = SameName(c.szSecAnyRegionLang, name) && region == "*";
    bool anyLang = SameName(c.szSecRegionAnyLang, name) && lang == "*";
    out.kind = BrandingName::kCandidate;
    if (!names.categories.count(Lower(category))) {
        std::string list;
        for (const std::string& c : names.categoryList) list += (list.empty() ? "" : ", ") + c;
        out.unreachable = "no machine has the category " + category + " (categories: " + list + ")";
    } else if (anyRegion && anyLang) {
        out.unreachable = "region and language cannot both be \"*\"";
    } else if (!anyRegion && !names.regions.count(Lower(region))) {
        out.unreachable = "no machine has the region code " + region + " (the region table's codes, or XX)";
    } else if (!anyLang && !names.langStrings.count(Lower(lang)) && (anyRegion || !names.IsLangID(lang))) {
        out.unreachable = anyRegion ? "no machine has the primary language " + lang + " (two hex digits, or UN)"
                                    : "no machine has the language " + lang +
                                          " (a language identifier of four hex digits, or a primary language of two)";
    }
    return out;
}

struct Linter {
    std::string file;
    std::string_view text;
    formats::ProfileParse parse;
    std::vector<Finding>* findings;
    std::map<std::string, size_t> first;             // lower-case name -> index of its first section
    std::set<std::string> usedLinks;                 // lower-case names of link sections used
    std::set<std::pair<int, std::string>> reported;  // (line, rule) already reported for a link's value

    void Add(int line, int column, const char* rule, const std::string& message) {
        findings->push_back({file, line, column, SeverityOf(rule), rule, message});
    }

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
    bool CheckCut(const ProfileLine& e, DWORD room, const char* what) {
        if (e.value.size() <= room - 1) return false;
        if (reported.insert({e.number, "value-cut"}).second) {
            Add(e.number, e.valueColumn + static_cast<int>(room - 1), "value-cut",
                std::string(what) + " is " + std::to_string(e.value.size()) + " characters; the engine reads " +
                    std::to_string(room - 1) + " and drops the rest");
        }
        return true;
    }

    void Structure();
    void Encoding(bool* stop);
    void Branding();
    void Link(const ProfileSection& branding, const ProfileLine& ref, std::string_view linkName, bool favorite,
              int column);
    void FavoritesList(const ProfileSection& branding, const ProfileLine& e);
    void Links();
};

void Linter::Encoding(bool* stop) {
    formats::ProfileEncoding enc = formats::DetectProfileEncoding(text);
    *stop = false;
    switch (enc.form) {
        case formats::ProfileEncoding::kAnsi: break;
        case formats::ProfileEncoding::kUtf8Bom:
            Add(1, 1, "encoding",
                "UTF-8 byte-order mark: the reader takes its three bytes as text of line 1, so a header there is "
                "missed; save the file as ANSI text");
            break;
        case formats::ProfileEncoding::kUtf16LeBom:  // read as Unicode; only a second mark lands here
        case formats::ProfileEncoding::kUtf16BeBom:
        case formats::ProfileEncoding::kUtf16NoBom:
            Add(1, 1, "encoding", "the file is UTF-16 text without the little-endian byte-order mark the reader needs; save it as ANSI text or as UTF-16LE with its mark");
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
                "section [" + std::string(h.name) + "] already began on line " +
                    std::to_string(parse.sections[ins.first->second].header.number) +
                    ": the reader searches only the first, so these keys are never read");
        }
        if (h.headerFlaws != 0) {
            std::string what;
            auto add = [&](const char* t) { what += (what.empty() ? "" : "; ") + std::string(t); };
            if (h.headerFlaws & ProfileLine::kNoClose) add("header has no \"]\"");
            if (h.headerFlaws & ProfileLine::kTextAfterClose) add("text after \"]\" is ignored");
            if (h.headerFlaws & ProfileLine::kBlankInside) add("blanks or tabs inside the brackets");
            Add(h.number, h.flawColumn, "header-form",
                what + ": the reader takes the name \"" + std::string(h.name) + "\"");
        }
        std::map<std::string, int> keys;
        for (const ProfileLine& e : s.entries) {
            auto k = keys.insert({Lower(e.key), e.number});
            if (!k.second) {
                Add(e.number, e.keyColumn, "duplicate-key",
                    "key " + std::string(e.key) + " already set on line " + std::to_string(k.first->second) +
                        ": only the first counts");
            }
        }
    }
}

bool IsAbsoluteUrl(std::string_view url) {
    for (const char* scheme : {"http://", "https://", "ftp://"}) {
        size_t n = strlen(scheme);
        if (url.size() > n && SameName(url.substr(0, n), scheme) && url[n] != '/') return true;
    }
    return url.size() > 7 && SameName(url.substr(0, 7), "file://");
}

void Linter::Link(const ProfileSection& branding, const ProfileLine& ref, std::string_view linkName, bool favorite,
                  int column) {
    std::string where = std::string(ref.key) + " of [" + std::string(branding.header.name) + "]";
    const ProfileSection* link = Find(linkName);
    if (link == nullptr) {
        Add(ref.number, column, "missing-link",
            where + " names section [" + std::string(linkName) + "], which does not exist: nothing is installed");
        return;
    }
    usedLinks.insert(Lower(link->header.name));
    // The engine reads Name and Path with "ERROR" as default and skips the link when
    // either reads "ERROR" in any case.
    DWORD nameRoom = favorite ? kFavoriteNameRoom : kPageNameRoom;
    DWORD pathRoom = favorite ? kFavoritePathRoom : kPagePathRoom;
    std::vector<char> buf(std::max(nameRoom, pathRoom));
    bool cut = false;
    for (const char* key : {"Name", "Path"}) {
        formats::ProfileGetString(text, std::string(linkName).c_str(), key, "ERROR", buf.data(),
                                  strcmp(key, "Name") == 0 ? nameRoom : pathRoom, &cut);
        if (formats::AsciiSameText(buf.data(), "ERROR")) {
            Add(ref.number, column, "missing-link",
                where + " names section [" + std::string(link->header.name) + "], which lacks " + key +
                    (Entry(*link, key) ? " (it reads \"ERROR\")" : "") + ": nothing is installed");
            return;
        }
    }
    const ProfileLine* name = Entry(*link, "Name");
    const ProfileLine* path = Entry(*link, "Path");
    if (path) CheckCut(*path, pathRoom, "Path");
    if (!favorite || !name) return;
    if (!CheckCut(*name, nameRoom, "favorite Name")) {
        for (size_t i = 0; i < name->value.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(name->value[i]);
            char one[2] = {static_cast<char>(c), '\0'};
            if ((c != 0 && !IsPlainFileName(one)) || host::InvalidNameChar(c)) {
                if (reported.insert({name->number, "link-name"}).second) {
                    std::string shown = c < 32 ? "a control byte" : std::string("\"") + one + "\"";
                    Add(name->number, name->valueColumn + static_cast<int>(i), "link-name",
                        "favorite Name holds " + shown + " and is no file name: no shortcut file is made");
                }
                break;
            }
        }
        std::string whole(name->value);
        if (reported.count({name->number, "link-name"}) == 0 && !IsPlainFileName(whole.c_str())) {
            reported.insert({name->number, "link-name"});
            Add(name->number, name->valueColumn, "link-name",
                "favorite Name \"" + whole + "\" is a device name and no file name: no shortcut file is made");
        }
    }
}

void Linter::FavoritesList(const ProfileSection& branding, const ProfileLine& e) {
    std::string_view list = e.value;
    if (list.size() > kListRoom - 1) {
        Add(e.number, e.valueColumn + static_cast<int>(kListRoom - 1), "list-form",
            "Favorites list is " + std::to_string(list.size()) + " characters; the engine reads " +
                std::to_string(kListRoom - 1) + " and drops the rest");
        list = list.substr(0, kListRoom - 1);
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
    // The names as the engine cuts the list.
    std::string cut(list);
    char* cursor = &cut[0];
    while (char* piece = NextFavoritePiece(&cursor)) {
        std::string_view name(piece);
        int column = e.valueColumn + static_cast<int>(piece - cut.data());
        if (name.front() == ' ' || name.front() == '\t' || name.back() == ' ' || name.back() == '\t') {
            Add(e.number, column, "list-form",
                "blanks around the name \"" + std::string(name) +
                    "\": the engine passes them on, so the name depends on the reader's trimming");
        }
        Link(branding, e, list.substr(piece - cut.data(), name.size()), true, column);
    }
}

void Linter::Branding() {
    bool haveDefault = false;
    for (size_t i = 0; i < parse.sections.size(); ++i) {
        const ProfileSection& s = parse.sections[i];
        if (first[Lower(s.header.name)] != i) continue;  // a duplicate: never read
        BrandingName kind = ClassifyName(s.header.name);
        if (kind.kind == BrandingName::kNone) continue;
        const ProfileLine& h = s.header;
        if (kind.kind == BrandingName::kDefault) haveDefault = true;
        if (!kind.unreachable.empty()) {
            Add(h.number, h.nameColumn, "unreachable-section",
                "[" + std::string(h.name) + "] is never chosen: " + kind.unreachable);
        }
        // The section search's own probe: "Home" read with "ERROR" as default.
        if (kind.kind != BrandingName::kDefault) {
            char home[kHomeProbeRoom];  // the probe's own room
            bool cut = false;
            formats::ProfileGetString(text, std::string(h.name).c_str(), "Home", "ERROR", home, sizeof(home), &cut);
            if (strcmp(home, "ERROR") == 0) {
                const ProfileLine* e = Entry(s, "Home");
                Add(e ? e->number : h.number, e ? e->valueColumn : h.nameColumn, "no-home",
                    e ? "Home=ERROR reads as a missing Home: the section search never chooses [" +
                            std::string(h.name) + "]"
                      : "branding section [" + std::string(h.name) +
                            "] has no Home key: the section search never chooses it");
            }
        }
        for (const char* key : {"Home", "Search"}) {
            const ProfileLine* e = Entry(s, key);
            if (!e) continue;
            CheckCut(*e, kPageKeyRoom, key);
            if (!e->value.empty()) Link(s, *e, e->value.substr(0, kPageKeyRoom - 1), false, e->valueColumn);
        }
        if (const ProfileLine* e = Entry(s, "Favorites")) FavoritesList(s, *e);
    }
    if (!haveDefault) {
        Add(0, 0, "no-default",
            "no [" + std::string(kDefaultSection) + "]: a machine that matches no branding section gets no branding");
    }
}

void Linter::Links() {
    for (size_t i = 0; i < parse.sections.size(); ++i) {
        const ProfileSection& s = parse.sections[i];
        if (first[Lower(s.header.name)] != i || ClassifyName(s.header.name).kind != BrandingName::kNone) continue;
        const ProfileLine* name = Entry(s, "Name");
        const ProfileLine* path = Entry(s, "Path");
        if (!name && !path) continue;
        if (!usedLinks.count(Lower(s.header.name))) {
            Add(s.header.number, s.header.nameColumn, "unused-link",
                "link section [" + std::string(s.header.name) + "] is used by no branding section");
        }
        if (path && !IsAbsoluteUrl(path->value)) {
            Add(path->number, path->valueColumn, "link-url",
                "Path \"" + std::string(path->value) + "\" is not an absolute http, https, ftp or file URL");
        }
    }
}

}  // namespace

bool LintBrandingText(const std::string& file, const std::string& text, const LintOptions& options,
                      std::vector<Finding>* findings, std::string* error) {
    std::vector<Finding> found;
    // A UTF-16LE file with its byte-order mark is read as Unicode text, which the engine
    // sees in the ANSI code page: lint it as the engine sees it.
    std::string ansi;
    if (formats::ProfileIsUtf16(text)) ansi = formats::Utf8ToAnsi(formats::Utf16FileToUtf8(text));
    const std::string& seen = formats::ProfileIsUtf16(text) ? ansi : text;
    Linter linter{file, seen, formats::ParseProfile(seen), &found, {}, {}, {}};
    bool stop = false;
    linter.Encoding(&stop);
    if (!stop) {
        linter.Structure();
        linter.Branding();
        linter.Links();
    }
    std::stable_sort(found.begin(), found.end(), [](const Finding& a, const Finding& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    if (!options.imageDir.empty() && !LintWallpapers(options.imageDir, &found, error)) return false;
    findings->insert(findings->end(), found.begin(), found.end());
    return true;
}

bool LintBrandingFile(const std::string& path, const LintOptions& options, std::vector<Finding>* findings,
                      std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) {
        *error = "cannot read " + path;
        return false;
    }
    return LintBrandingText(path, bytes.str(), options, findings, error);
}

}  // namespace author
