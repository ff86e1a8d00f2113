#include "formats/profile_index.h"

#include <cstring>

#include "formats/ascii.h"
#include "formats/profile_reader.h"

namespace formats {

using namespace profile_detail;

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

}  // namespace formats
