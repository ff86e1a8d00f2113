#include "platform/host/profile_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/host/ascii.h"

namespace host {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) { return AsciiSameText(a, b); }

// Walks the text line by line; CR LF, LF and CR all end a line.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}
    bool Next(std::string_view* line) {
        if (rest_.empty()) return false;
        size_t end = 0;
        while (end < rest_.size() && rest_[end] != '\r' && rest_[end] != '\n') ++end;
        *line = rest_.substr(0, end);
        size_t skip = end;
        if (skip < rest_.size()) {
            if (rest_[skip] == '\r' && skip + 1 < rest_.size() && rest_[skip + 1] == '\n') ++skip;
            ++skip;
        }
        rest_.remove_prefix(skip);
        return true;
    }

private:
    std::string_view rest_;
};

// The name of a section header line (already trimmed, starting with '['): up to the
// first ']' or the end of the line, trimmed of blanks.
std::string_view HeaderName(std::string_view line) {
    std::string_view inner = line.substr(1);
    size_t close = inner.find(']');
    if (close != std::string_view::npos) inner = inner.substr(0, close);
    return Trim(inner);
}

// Calls visit(line) for each trimmed line of the first section named `section`.
// Returns false when there is no such section.
template <typename Visit>
bool ForEachLineOfSection(std::string_view text, std::string_view section, Visit visit) {
    LineReader reader(text);
    std::string_view line;
    bool inside = false;
    bool found = false;
    while (reader.Next(&line)) {
        line = Trim(line);
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (inside) return true;  // only the first section of a name is searched
            if (SameName(HeaderName(line), section)) {
                inside = true;
                found = true;
            }
            continue;
        }
        if (inside && line.front() != ';' && !visit(line)) return true;
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

bool ProfileFind(std::string_view text, std::string_view section, std::string_view key, std::string_view* value) {
    section = Trim(section);
    key = Trim(key);
    if (key.empty()) return false;
    bool hit = false;
    ForEachLineOfSection(text, section, [&](std::string_view line) {
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) return true;
        if (!SameName(Trim(line.substr(0, eq)), key)) return true;
        std::string_view v = Trim(line.substr(eq + 1));
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
            v = v.substr(1, v.size() - 2);
        }
        *value = v;
        hit = true;
        return false;  // the first entry of a key wins
    });
    return hit;
}

bool ProfileHasSection(std::string_view text, std::string_view section) {
    return ForEachLineOfSection(text, Trim(section), [](std::string_view) { return false; });
}

size_t ProfileDefault(const char* def, char* buf, size_t size, bool* cut) {
    std::string_view d = def ? std::string_view(def) : std::string_view();
    while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
    return Deliver(d, buf, size, cut);
}

size_t ProfileGetString(std::string_view text, const char* section, const char* key, const char* def, char* buf,
                        size_t size, bool* cut) {
    std::string_view value;
    if (section && key && ProfileFind(text, section, key, &value)) return Deliver(value, buf, size, cut);
    return ProfileDefault(def, buf, size, cut);
}

namespace {

// A line of the file with its place: [begin, end) is its text, next is where the
// following line starts (after its line end).
struct LineSpan {
    size_t begin;
    size_t end;
    size_t next;
};

std::vector<LineSpan> SplitLines(std::string_view text) {
    std::vector<LineSpan> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        size_t next = end;
        if (next < text.size()) {
            if (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ++next;
            ++next;
        }
        lines.push_back({pos, end, next});
        pos = next;
    }
    return lines;
}

}  // namespace

std::string ProfileSetValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    std::vector<LineSpan> lines = SplitLines(text);
    std::string newEntry = std::string(key) + "=" + std::string(value);

    // The first section of that name, and the last entry line within it.
    bool inside = false;
    bool found = false;
    size_t insertAt = 0;
    bool insertNeedsBreak = false;
    for (const LineSpan& span : lines) {
        std::string_view line = Trim(text.substr(span.begin, span.end - span.begin));
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (inside) break;
            if (SameName(HeaderName(line), section)) {
                inside = true;
                found = true;
                insertAt = span.next;
                insertNeedsBreak = span.next == span.end;
            }
            continue;
        }
        if (!inside || line.front() == ';') continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        if (SameName(Trim(line.substr(0, eq)), key)) {
            size_t valueAt = text.find('=', span.begin) + 1;
            return std::string(text.substr(0, valueAt)) + std::string(value) + std::string(text.substr(span.end));
        }
        insertAt = span.next;
        insertNeedsBreak = span.next == span.end;
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
    std::string out;
    bool inSection = false;
    LineReader reader(text);
    std::string_view line;
    while (reader.Next(&line)) {
        line = Trim(line);
        if (line.empty()) continue;
        if (line.front() == '[') {
            out += "[" + std::string(HeaderName(line)) + "]\n";
            inSection = true;
            continue;
        }
        size_t eq = line.find('=');
        if (!inSection || line.front() == ';' || eq == std::string_view::npos) continue;
        out += std::string(Trim(line.substr(0, eq))) + "=" + std::string(Trim(line.substr(eq + 1))) + "\n";
    }
    return out;
}

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

void ProfileIndexBuild(std::string_view text, ProfileIndex* index) {
    index->text = text;
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
            index->sections.push_back(ProfileIndex::Section{HeaderName(Trim(text.substr(start, end - start))), next, nullptr});
        }
        pos = next;
    }
}

bool ProfileIndexHasSection(const ProfileIndex& index, std::string_view section) {
    return FindSection(const_cast<ProfileIndex&>(index), Trim(section)) != nullptr;
}

bool ProfileIndexFind(ProfileIndex& index, std::string_view section, std::string_view key, std::string_view* value) {
    section = Trim(section);
    key = Trim(key);
    if (key.empty()) return false;
    ProfileIndex::Section* found = FindSection(index, section);
    if (found == nullptr) return false;
    if (!found->entries) {
        // The section's lines up to the next header, read by the rules of ProfileFind.
        found->entries = std::make_unique<ProfileIndex::Entries>();
        auto& list = found->entries->list;
        LineReader reader(index.text.substr(found->body));
        std::string_view line;
        while (reader.Next(&line)) {
            line = Trim(line);
            if (line.empty() || line.front() == ';') continue;
            if (line.front() == '[') break;
            size_t eq = line.find('=');
            if (eq == std::string_view::npos) continue;
            std::string_view v = Trim(line.substr(eq + 1));
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
                v = v.substr(1, v.size() - 2);
            }
            list.emplace_back(Trim(line.substr(0, eq)), v);
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
    if (section && key && ProfileIndexFind(index, section, key, &value)) return Deliver(value, buf, size, cut);
    return ProfileDefault(def, buf, size, cut);
}

}  // namespace host
