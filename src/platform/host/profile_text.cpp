#include "platform/host/profile_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/host/ascii.h"

namespace host {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Requested section and key names lose their spaces only: a tab stays part of the name.
std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) { return AsciiSameText(a, b); }

// Column (1-based) of the view `part` inside the view `line`.
int ColumnOf(std::string_view line, std::string_view part) { return static_cast<int>(part.data() - line.data()) + 1; }

// A header line (trimmed, starting with '['): the name runs to the first ']' or to the
// end of the line and is trimmed of blanks; whatever follows the ']' is ignored.
void ClassifyHeader(std::string_view raw, std::string_view line, ProfileLine* out) {
    out->kind = ProfileLine::kHeader;
    std::string_view inner = line.substr(1);
    size_t close = inner.find(']');
    bool closed = close != std::string_view::npos;
    if (closed) inner = inner.substr(0, close);
    out->name = Trim(inner);
    out->nameColumn = ColumnOf(raw, out->name.empty() ? inner : out->name);
    if (!closed) {
        out->headerFlaws |= ProfileLine::kNoClose;
        out->flawColumn = ColumnOf(raw, line) + static_cast<int>(line.size());
    }
    for (size_t i = 0; i < inner.size(); ++i) {
        if (IsBlank(inner[i])) {
            out->headerFlaws |= ProfileLine::kBlankInside;
            if (out->flawColumn == 0) out->flawColumn = ColumnOf(raw, inner) + static_cast<int>(i);
            break;
        }
    }
    if (closed) {
        std::string_view after = Trim(line.substr(1 + close + 1));
        if (!after.empty()) {
            out->headerFlaws |= ProfileLine::kTextAfterClose;
            int at = ColumnOf(raw, after);
            if (out->flawColumn == 0 || at < out->flawColumn) out->flawColumn = at;
        }
    }
}

void ClassifyEntry(std::string_view raw, std::string_view line, size_t eq, ProfileLine* out) {
    out->kind = ProfileLine::kEntry;
    out->key = Trim(line.substr(0, eq));
    out->keyColumn = ColumnOf(raw, out->key.empty() ? line : out->key);
    std::string_view v = Trim(line.substr(eq + 1));
    out->rawValue = v;
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    out->value = v;
    out->valueColumn = v.empty() && out->rawValue.empty() ? ColumnOf(raw, line.substr(eq + 1)) : ColumnOf(raw, v);
}

}  // namespace

bool ProfileLines::Next(ProfileLine* out) {
    if (pos_ >= text_.size()) return false;
    size_t end = pos_;
    while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') ++end;
    size_t next = end;
    if (next < text_.size()) {
        if (text_[next] == '\r' && next + 1 < text_.size() && text_[next + 1] == '\n') ++next;
        ++next;
    }
    *out = ProfileLine();
    out->number = ++number_;
    out->begin = pos_;
    out->end = end;
    out->next = next;
    pos_ = next;

    std::string_view raw = text_.substr(out->begin, end - out->begin);
    std::string_view line = Trim(raw);
    if (line.empty()) return true;  // kBlank
    out->column = ColumnOf(raw, line);
    if (line.front() == '[') {
        ClassifyHeader(raw, line, out);
    } else if (line.front() == ';') {
        out->kind = ProfileLine::kComment;
    } else {
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            out->kind = ProfileLine::kOther;
        } else {
            ClassifyEntry(raw, line, eq, out);
        }
    }
    return true;
}

ProfileParse ParseProfile(std::string_view text) {
    ProfileParse parse;
    ProfileLines lines(text);
    ProfileLine line;
    while (lines.Next(&line)) {
        switch (line.kind) {
            case ProfileLine::kHeader: parse.sections.push_back({line, {}}); break;
            case ProfileLine::kEntry:
                if (parse.sections.empty()) {
                    parse.orphans.push_back(line);
                } else {
                    parse.sections.back().entries.push_back(line);
                }
                break;
            case ProfileLine::kOther: parse.orphans.push_back(line); break;
            case ProfileLine::kBlank:
            case ProfileLine::kComment: break;
        }
    }
    return parse;
}

ProfileEncoding DetectProfileEncoding(std::string_view text) {
    ProfileEncoding enc;
    auto starts = [&](const char* bom, size_t n) { return text.size() >= n && memcmp(text.data(), bom, n) == 0; };
    if (starts("\xEF\xBB\xBF", 3)) {
        enc.form = ProfileEncoding::kUtf8Bom;
    } else if (starts("\xFF\xFE", 2)) {
        enc.form = ProfileEncoding::kUtf16LeBom;
    } else if (starts("\xFE\xFF", 2)) {
        enc.form = ProfileEncoding::kUtf16BeBom;
    } else if (text.size() >= 4) {
        // Text written as UTF-16 without a mark: most ASCII characters leave a NUL in
        // every other byte.
        size_t pairs = text.size() / 2, zeroOdd = 0, zeroEven = 0;
        for (size_t i = 0; i + 1 < text.size(); i += 2) {
            if (text[i] == '\0') ++zeroEven;
            if (text[i + 1] == '\0') ++zeroOdd;
        }
        if (zeroOdd * 2 > pairs || zeroEven * 2 > pairs) enc.form = ProfileEncoding::kUtf16NoBom;
    }
    size_t nul = text.find('\0');
    if (nul != std::string_view::npos) {
        enc.nul = true;
        ProfileLines lines(text);
        ProfileLine line;
        while (lines.Next(&line)) {
            if (nul < line.next || line.next == text.size()) {
                enc.nulLine = line.number;
                enc.nulColumn = static_cast<int>(nul - line.begin) + 1;
                break;
            }
        }
    }
    return enc;
}

namespace {

// Calls visit(line) for each entry line of the first section named `section`. Returns
// false when there is no such section.
template <typename Visit>
bool ForEachEntryOfSection(std::string_view text, std::string_view section, Visit visit) {
    ProfileLines lines(text);
    ProfileLine line;
    bool inside = false;
    bool found = false;
    while (lines.Next(&line)) {
        if (line.kind == ProfileLine::kHeader) {
            if (inside) return true;  // only the first section of a name is searched
            if (SameName(line.name, section)) {
                inside = true;
                found = true;
            }
            continue;
        }
        if (inside && line.kind == ProfileLine::kEntry && !visit(line)) return true;
    }
    return found;
}

size_t Deliver(std::string_view value, char* buf, size_t size, bool* cut) {
    *cut = false;
    if (size == 0) return 0;
    size_t n = value.size();
    if (n > size - 1) {
        n = size - 1;
        *cut = true;
    }
    if (n != 0) memcpy(buf, value.data(), n);
    buf[n] = '\0';
    return n;
}

}  // namespace

std::string_view ProfileRequestName(std::string_view name) { return TrimSpaces(name); }

bool ProfileFind(std::string_view text, std::string_view section, std::string_view key, std::string_view* value) {
    section = ProfileRequestName(section);
    key = ProfileRequestName(key);
    if (key.empty()) return false;
    bool hit = false;
    ForEachEntryOfSection(text, section, [&](const ProfileLine& line) {
        if (!SameName(line.key, key)) return true;
        *value = line.value;
        hit = true;
        return false;  // the first entry of a key wins
    });
    return hit;
}

bool ProfileHasSection(std::string_view text, std::string_view section) {
    return ForEachEntryOfSection(text, ProfileRequestName(section), [](const ProfileLine&) { return false; });
}

size_t ProfileDefault(const char* def, char* buf, size_t size, bool* cut) {
    std::string_view d = def ? std::string_view(def) : std::string_view();
    while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
    return Deliver(d, buf, size, cut);
}

size_t ProfileGetString(std::string_view text, const char* section, const char* key, const char* def, char* buf,
                        size_t size, bool* cut) {
    if (ProfileIsUtf16(text)) {
        std::string_view value;
        std::string unicode = Utf16FileToUtf8(text);
        if (section && key && ProfileFind(unicode, AnsiToUtf8(section), AnsiToUtf8(key), &value)) {
            return Deliver(Utf8ToAnsi(value), buf, size, cut);
        }
        return ProfileDefault(def, buf, size, cut);
    }
    std::string_view value;
    if (section && key && ProfileFind(text, section, key, &value)) return Deliver(value, buf, size, cut);
    return ProfileDefault(def, buf, size, cut);
}

std::string ProfileSetValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
    if (ProfileIsUtf16(text)) {
        return Utf8ToUtf16File(
            ProfileSetValue(Utf16FileToUtf8(text), AnsiToUtf8(section), AnsiToUtf8(key), AnsiToUtf8(value)));
    }
    section = ProfileRequestName(section);
    key = ProfileRequestName(key);
    std::string newEntry = std::string(key) + "=" + std::string(value);

    // The first section of that name, and the last entry line within it.
    bool inside = false;
    bool found = false;
    size_t insertAt = 0;
    bool insertNeedsBreak = false;
    ProfileLines lines(text);
    ProfileLine line;
    while (lines.Next(&line)) {
        if (line.kind == ProfileLine::kHeader) {
            if (inside) break;
            if (SameName(line.name, section)) {
                inside = true;
                found = true;
                insertAt = line.next;
                insertNeedsBreak = line.next == line.end;
            }
            continue;
        }
        if (!inside || line.kind != ProfileLine::kEntry) continue;
        if (SameName(line.key, key)) {
            size_t valueAt = text.find('=', line.begin) + 1;
            return std::string(text.substr(0, valueAt)) + std::string(value) + std::string(text.substr(line.end));
        }
        insertAt = line.next;
        insertNeedsBreak = line.next == line.end;
    }

    std::string out;
    if (found) {
        out.assign(text.substr(0, insertAt));
        if (insertNeedsBreak) out += "\r\n";
        out += newEntry + "\r\n";
        out += text.substr(insertAt);
        return out;
    }
    out.assign(text);
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += "\r\n";
    out += "[" + std::string(section) + "]\r\n" + newEntry + "\r\n";
    return out;
}

std::string ProfileDump(std::string_view text) {
    if (ProfileIsUtf16(text)) return ProfileDump(Utf16FileToUtf8(text));
    std::string out;
    ProfileParse parse = ParseProfile(text);
    for (const ProfileSection& section : parse.sections) {
        out += "[" + std::string(section.header.name) + "]\n";
        for (const ProfileLine& e : section.entries) {
            out += std::string(e.key) + "=" + std::string(e.rawValue) + "\n";
        }
    }
    return out;
}

namespace {

// Windows-1252 at 0x80..0x9F; the five bytes it leaves undefined map to the control
// characters of the same number, as Windows maps them.
const char16_t kCp1252High[32] = {
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x008D,
    0x017D,
    0x008F,
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x009D,
    0x017E,
    0x0178,
};

void AppendUtf8(std::string* out, uint32_t cp) {
    if (cp < 0x80) {
        *out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out += static_cast<char>(0xC0 | (cp >> 6));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out += static_cast<char>(0xE0 | (cp >> 12));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (cp >> 18));
        *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The next code point of UTF-8 text (our own, so well formed; a stray byte is taken as
// U+FFFD so that text from elsewhere cannot derail the walk).
uint32_t NextUtf8(std::string_view s, size_t* i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = byte(*i);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2
                            : (c >> 4) == 0xE   ? 3
                            : (c >> 3) == 0x1E  ? 4
                                                : 0;
    if (len == 0 || *i + len > s.size()) {
        ++*i;
        return 0xFFFD;
    }
    uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F)
                             : len == 3   ? (c & 0x0F)
                                          : (c & 0x07);
    for (size_t k = 1; k < len; ++k) {
        if ((byte(*i + k) & 0xC0) != 0x80) {
            ++*i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (byte(*i + k) & 0x3F);
    }
    *i += len;
    return cp;
}

}  // namespace

size_t ProfileNameHash::operator()(std::string_view name) const {
    uint64_t h = 1469598103934665603ull;  // FNV-1a over the lower-cased bytes
    for (char c : name) h = (h ^ static_cast<unsigned char>(AsciiLower(c))) * 1099511628211ull;
    return static_cast<size_t>(h);
}

bool ProfileNameEqual::operator()(std::string_view a, std::string_view b) const { return SameName(a, b); }

namespace {

// The slot that holds the section of that name, or the free slot where it would go.
uint32_t* SectionSlot(ProfileIndex& index, std::string_view name) {
    size_t mask = index.slots.size() - 1;
    for (size_t i = ProfileNameHash()(name) & mask;; i = (i + 1) & mask) {
        uint32_t& slot = index.slots[i];
        if (slot == 0 || SameName(index.sections[slot - 1].name, name)) return &slot;
    }
}

uint32_t* EntrySlot(ProfileIndex::Entries& entries, std::string_view name) {
    size_t mask = entries.slots.size() - 1;
    for (size_t i = ProfileNameHash()(name) & mask;; i = (i + 1) & mask) {
        uint32_t& slot = entries.slots[i];
        if (slot == 0 || SameName(entries.list[slot - 1].first, name)) return &slot;
    }
}

// The first section of that name.
ProfileIndex::Section* FindSection(ProfileIndex& index, std::string_view name) {
    constexpr size_t kSearchesBeforeTable = 16;
    if (index.slots.empty() && ++index.lookups > kSearchesBeforeTable) {
        size_t capacity = 16;
        while (capacity < index.sections.size() * 2) capacity *= 2;
        index.slots.assign(capacity, 0);
        for (size_t i = 0; i < index.sections.size(); ++i) {
            uint32_t* slot = SectionSlot(index, index.sections[i].name);
            if (*slot == 0) *slot = static_cast<uint32_t>(i + 1);
        }
    }
    if (index.slots.empty()) {
        for (ProfileIndex::Section& section : index.sections) {
            if (section.name.size() == name.size() && SameName(section.name, name)) return &section;
        }
        return nullptr;
    }
    uint32_t* slot = SectionSlot(index, name);
    return *slot == 0 ? nullptr : &index.sections[*slot - 1];
}

}  // namespace

bool ProfileIsUtf16(std::string_view bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xFE;
}

std::string Utf16FileToUtf8(std::string_view bytes) {
    std::string out;
    size_t n = bytes.size() / 2;  // an odd last byte is no character
    for (size_t i = 1; i < n; ++i) {
        auto unit = [&](size_t k) {
            return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                         (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
        };
        uint32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < n && unit(i + 1) >= 0xDC00 && unit(i + 1) < 0xE000) {
            AppendUtf8(&out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else {
            AppendUtf8(&out, u);
        }
    }
    return out;
}

std::string Utf8ToUtf16File(std::string_view text) {
    std::string out = "\xFF\xFE";
    auto put = [&](uint32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    for (size_t i = 0; i < text.size();) {
        uint32_t cp = NextUtf8(text, &i);
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp < 0x10000 ? cp : 0xFFFD);
        }
    }
    return out;
}

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    for (unsigned char c : ansi) AppendUtf8(&out, (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : c);
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        uint32_t cp = NextUtf8(utf8, &i);
        char c = '?';
        if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100)) {
            c = static_cast<char>(cp);
        } else {
            for (size_t k = 0; k < 32; ++k) {
                if (kCp1252High[k] == cp) c = static_cast<char>(0x80 + k);
            }
        }
        out += c;
    }
    return out;
}

void ProfileIndexBuild(std::string_view text, ProfileIndex* index) {
    index->text = text;
    index->unicode = false;
    index->sections.clear();
    index->slots.clear();
    index->lookups = 0;
    // Only header lines matter here; a line is a header when its first non-blank byte is
    // '['. CR LF, LF and CR each end a line.
    const char* data = text.data();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t start = pos;
        while (start < text.size() && IsBlank(data[start])) ++start;
        const void* lf = memchr(data + pos, '\n', text.size() - pos);
        size_t nl = lf ? static_cast<size_t>(static_cast<const char*>(lf) - data) : text.size();
        const void* cr = memchr(data + pos, '\r', nl - pos);
        size_t end = cr ? static_cast<size_t>(static_cast<const char*>(cr) - data) : nl;
        size_t next = (cr && end + 1 != nl) ? end + 1 : std::min(nl + 1, text.size());
        if (start < end && data[start] == '[') {
            // Header lines are classified by the same rules as every other reader's.
            std::string_view raw = text.substr(pos, end - pos);
            ProfileLine header;
            ClassifyHeader(raw, Trim(raw), &header);
            index->sections.push_back(ProfileIndex::Section{header.name, next, nullptr});
        }
        pos = next;
    }
}

bool ProfileIndexHasSection(const ProfileIndex& index, std::string_view section) {
    return FindSection(const_cast<ProfileIndex&>(index), TrimSpaces(section)) != nullptr;
}

bool ProfileIndexFind(ProfileIndex& index, std::string_view section, std::string_view key, std::string_view* value) {
    section = TrimSpaces(section);
    key = TrimSpaces(key);
    if (key.empty()) return false;
    ProfileIndex::Section* found = FindSection(index, section);
    if (found == nullptr) return false;
    if (!found->entries) {
        // The section's lines up to the next header, classified as ProfileFind sees them.
        found->entries = std::make_unique<ProfileIndex::Entries>();
        auto& list = found->entries->list;
        ProfileLines lines(index.text.substr(found->body));
        ProfileLine line;
        while (lines.Next(&line)) {
            if (line.kind == ProfileLine::kHeader) break;
            if (line.kind == ProfileLine::kEntry) list.emplace_back(line.key, line.value);
        }
        auto& slots = found->entries->slots;
        size_t capacity = 16;
        while (capacity < list.size() * 2) capacity *= 2;
        slots.assign(capacity, 0);
        for (size_t i = 0; i < list.size(); ++i) {
            uint32_t* slot = EntrySlot(*found->entries, list[i].first);
            if (*slot == 0) *slot = static_cast<uint32_t>(i + 1);  // the first entry of a key wins
        }
    }
    uint32_t* slot = EntrySlot(*found->entries, key);
    if (*slot == 0) return false;
    *value = found->entries->list[*slot - 1].second;
    return true;
}

size_t ProfileIndexGetString(ProfileIndex& index, const char* section, const char* key, const char* def, char* buf,
                             size_t size, bool* cut) {
    std::string_view value;
    if (index.unicode) {
        // The index is over the UTF-8 form of a UTF-16LE file: names are asked for and the
        // value delivered in the ANSI code page, as the A functions see such a file.
        if (section && key && ProfileIndexFind(index, AnsiToUtf8(section), AnsiToUtf8(key), &value)) {
            return Deliver(Utf8ToAnsi(value), buf, size, cut);
        }
        return ProfileDefault(def, buf, size, cut);
    }
    if (section && key && ProfileIndexFind(index, section, key, &value)) return Deliver(value, buf, size, cut);
    return ProfileDefault(def, buf, size, cut);
}

}  // namespace host
