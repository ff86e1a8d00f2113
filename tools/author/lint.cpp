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

const LintRule kLintRules[19] = {
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

void LintBranding(EngineQuery& query, const std::string& file, const LintOptions& options,
                  std::vector<Finding>* findings) {
    std::vector<Finding> found;
    Linter linter{query, options, file, query.BrandingText(), query.BrandingParse(), &found, {}, {}, {}, {}};
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
    if (options.checkAssets) LintWallpapers(query, &found);
    findings->insert(findings->end(), found.begin(), found.end());
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
