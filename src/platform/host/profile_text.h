// The profile-string (INI) reading rules of Windows, over text held in memory, so that
// the stand-in, the machine image reader, the tests and the fuzz target share them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace host {

// Finds `key` in the first section named `section` (names compared without regard to
// ASCII case, blanks around the requested names ignored). On success *value is the
// entry's value, trimmed of blanks and of one matching pair of outer quotes.
bool ProfileFind(std::string_view text, std::string_view section, std::string_view key, std::string_view* value);

// True when the text holds a section of that name.
bool ProfileHasSection(std::string_view text, std::string_view section);

// What GetPrivateProfileStringA delivers for a file whose bytes are `text`: the value or
// the default (null means empty, trailing spaces removed), cut to size - 1 characters.
// Returns the count written; *cut says whether the text was cut.
size_t ProfileGetString(std::string_view text, const char* section, const char* key, const char* def, char* buf,
                        size_t size, bool* cut);

// The same for a missing file: only the default is delivered.
size_t ProfileDefault(const char* def, char* buf, size_t size, bool* cut);

// The text of a profile file after WritePrivateProfileStringA(section, key, value): the
// value of the first matching key replaced where it stands (the line keeps its spelling
// up to the "="), a missing key added after the last entry of the first matching
// section, a missing section added at the end of the file. Every other byte stays.
// New lines end in CR LF; names are written trimmed, the value exactly as given.
std::string ProfileSetValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);

// A profile file parsed once for many reads: where each section starts, and, once a
// section has been asked for, its entries (the first of a name). It
// answers exactly as ProfileFind and ProfileGetString do on the same text, which it views
// and must outlive.
struct ProfileNameHash {
    size_t operator()(std::string_view name) const;
};
struct ProfileNameEqual {
    bool operator()(std::string_view a, std::string_view b) const;
};
struct ProfileIndex {
    // The entries of a section (the first of each name) in an open-addressing table:
    // slots hold index + 1 into list, 0 for free.
    struct Entries {
        std::vector<std::pair<std::string_view, std::string_view>> list;
        std::vector<uint32_t> slots;
    };
    struct Section {
        std::string_view name;
        size_t body = 0;                   // where the lines after the header start
        std::unique_ptr<Entries> entries;  // made on first use
    };
    std::string_view text;
    std::vector<Section> sections;  // every section header, in file order
    // A file read for a few names is searched from the top; once it has been asked for
    // many, an open-addressing table over the first section of each name (index + 1, 0
    // for free) answers instead.
    size_t lookups = 0;
    std::vector<uint32_t> slots;
};
void ProfileIndexBuild(std::string_view text, ProfileIndex* index);
bool ProfileIndexFind(ProfileIndex& index, std::string_view section, std::string_view key, std::string_view* value);
bool ProfileIndexHasSection(const ProfileIndex& index, std::string_view section);
size_t ProfileIndexGetString(ProfileIndex& index, const char* section, const char* key, const char* def, char* buf,
                             size_t size, bool* cut);

// Sections and entries of a profile file, one a line: "[name]" and "key=value", names
// and values as the reader sees them. For comparing files by content, not by bytes.
std::string ProfileDump(std::string_view text);

}  // namespace host
