// Editing a profile file as WritePrivateProfileStringA edits it.
#pragma once

#include "formats/profile_format.h"

namespace formats {

// The text of a profile file after WritePrivateProfileStringA(section, key, value): the
// value of the first matching key replaced where it stands (the line keeps its spelling
// up to the "="), a missing key added after the last entry of the first matching
// section, a missing section added at the end of the file. Every other byte stays.
// New lines end in CR LF; names are written trimmed of spaces, the value exactly as given.
// A UTF-16LE file stays UTF-16LE, the new text converted from the ANSI code page.
std::string ProfileSetValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);

}  // namespace formats
