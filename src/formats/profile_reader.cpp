#include "formats/profile_reader.h"

#include <algorithm>
#include <cstring>

#include "formats/ascii.h"

namespace formats {
namespace profile_detail {

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

}  // namespace profile_detail

using namespace profile_detail;

namespace {

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

}  // namespace formats
