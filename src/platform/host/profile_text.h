// The profile-string (INI) reading rules of Windows, over text held in memory, so that
// the stand-in, the machine image reader, the tests and the fuzz target share them.
#pragma once

#include <cstddef>
#include <string_view>

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

}  // namespace host
