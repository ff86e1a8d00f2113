// Reading values of a profile file held in memory, with the rules of
// GetPrivateProfileStringA.
#pragma once

#include "formats/profile_format.h"

namespace formats {

// Finds `key` in the first section named `section` (names compared without regard to
// ASCII case, spaces around the requested names ignored, tabs kept). On success *value
// is the entry's value, trimmed of blanks and of one matching pair of outer quotes.
bool ProfileFind(std::string_view text, std::string_view section, std::string_view key, std::string_view* value);

// True when the text holds a section of that name.
bool ProfileHasSection(std::string_view text, std::string_view section);

// What GetPrivateProfileStringA delivers for a file whose bytes are `text`: the value or
// the default (null means empty, trailing spaces removed), cut to size - 1 characters.
// Returns the count written; *cut says whether the text was cut. A UTF-16LE file (see
// ProfileIsUtf16) is read as Unicode and its value delivered in the ANSI code page.
size_t ProfileGetString(std::string_view text, const char* section, const char* key, const char* def, char* buf,
                        size_t size, bool* cut);

// The same for a missing file: only the default is delivered.
size_t ProfileDefault(const char* def, char* buf, size_t size, bool* cut);

// Sections and entries of a profile file, one a line: "[name]" and "key=value", names
// and values as the reader sees them. For comparing files by content, not by bytes.
std::string ProfileDump(std::string_view text);

}  // namespace formats
