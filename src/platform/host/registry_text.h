// Registry export files (.reg) in memory: the "Windows Registry Editor Version 5.00" and
// "REGEDIT4" formats, 8-bit or UTF-16LE with a byte-order mark. The image's registry.reg
// is read with this and written back with it, in the encoding it was read in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace host {

struct RegValue {
    std::string name;  // empty for the default value "@"
    DWORD type = 0;
    std::string data;  // the value's bytes; texts in the ANSI code page with their NUL
};

struct RegKey {
    std::string path;  // "HKEY_CURRENT_USER\Software\...", roots spelled out
    std::vector<RegValue> values;
};

struct Registry {
    std::vector<RegKey> keys;  // in file order; parents of a listed key are implied
    bool utf16 = false;        // the file was UTF-16LE with a byte-order mark
    bool regedit4 = false;     // the file was REGEDIT4 (texts in hex(N) are 8-bit)
};

// Parses a whole .reg file. On failure *error names the line.
bool ParseRegText(std::string_view bytes, Registry* reg, std::string* error);

// The file for a registry, in the format and encoding it was read in.
std::string FormatRegText(const Registry& reg);

// One value in .reg notation: "text", dword:0000001f, hex:..., hex(N):... Long hex data
// is wrapped for a line whose value name and "=" take `column` characters.
std::string FormatRegData(const RegValue& value, bool regedit4, size_t column = 0);

// Keys are matched without regard to case. A key is there when it is listed or implied
// (a parent of a listed key).
RegKey* FindRegKey(Registry& reg, std::string_view path);
bool RegKeyExists(const Registry& reg, std::string_view path);
RegKey& CreateRegKey(Registry& reg, std::string_view path);
RegValue* FindRegValue(RegKey& key, std::string_view name);

// The immediate subkeys of a key, sorted without regard to case.
std::vector<std::string> RegSubkeys(const Registry& reg, std::string_view path);

}  // namespace host
