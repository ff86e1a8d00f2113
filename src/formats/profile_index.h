// A profile file parsed once for many reads (the stand-in's cache and machine.ini).
#pragma once

#include <memory>
#include <unordered_map>

#include "formats/profile_format.h"

namespace formats {

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
    bool unicode = false;           // text is the UTF-8 form of a UTF-16LE file
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

}  // namespace formats
