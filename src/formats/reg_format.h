// Registry export files (.reg) in memory: the "Windows Registry Editor Version 5.00" and
// "REGEDIT4" formats, 8-bit or UTF-16LE with a byte-order mark. The image's registry.reg
// is read with this and written back with it, in the encoding it was read in; texts are
// Windows-1252 inside (formats/codepage.h). reg_reader.cpp parses, reg_writer.cpp
// writes, reg_tree.cpp holds the keys; reg_internal.h is what the three share.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace formats {

struct RegValue {
    std::string name;  // empty for the default value "@"
    uint32_t type = 0;
    std::string data;  // the value's bytes; texts in Windows-1252 with their NUL
};

struct RegKey {
    std::string path;  // "HKEY_CURRENT_USER\Software\...", roots spelled out
    std::vector<RegValue> values;
};

// One key of the index, listed in the file or implied as the parent of a listed key.
// The values of a listed key stay in the file text until the key is first opened.
struct RegNode;

// Case-insensitive hashing and comparison of key paths, so that the index needs no
// lower-cased copy of every path.
struct RegPathHash {
    size_t operator()(std::string_view path) const;
};
struct RegPathEqual {
    bool operator()(std::string_view a, std::string_view b) const;
};

struct Registry {
    bool utf16 = false;     // the file was UTF-16LE with a byte-order mark
    bool regedit4 = false;  // the file was REGEDIT4 (texts in hex(N) are 8-bit)

    // The parsed file: its 8-bit text (values of keys not yet opened are read from it),
    // the listed keys in file order (null where a key was deleted) and every key, listed
    // or implied, by path. Use the functions below rather than these.
    std::string_view text;
    std::shared_ptr<const void> textOwner;  // keeps `text` alive: a string, or the file mapped
    std::vector<RegNode*> order;
    std::unordered_map<std::string_view, std::unique_ptr<RegNode>, RegPathHash, RegPathEqual> index;

    Registry();
    ~Registry();
    Registry(Registry&&) noexcept;
    Registry& operator=(Registry&&) noexcept;
};

// Parses a whole .reg file. On failure *error names the line.
bool ParseRegText(std::string_view bytes, Registry* reg, std::string* error);
// The same for a file read into memory, which the registry then keeps instead of a copy.
bool ParseRegFile(std::string bytes, Registry* reg, std::string* error);
// The same for bytes that stay valid while `owner` lives (a file mapped into memory):
// the registry keeps the owner rather than a copy of 8-bit text.
bool ParseRegShared(std::string_view bytes, std::shared_ptr<const void> owner, Registry* reg, std::string* error);

// The file for a registry, in the format and encoding it was read in.
std::string FormatRegText(const Registry& reg);
// The same, handed to `put` piece by piece (at most about 1 MiB each), so that a large
// registry is written without building the whole file in memory. Stops when put fails.
bool FormatRegTextTo(const Registry& reg, const std::function<bool(std::string_view)>& put);

// One value in .reg notation: "text", dword:0000001f, hex:..., hex(N):... Long hex data
// is wrapped for a line whose value name and "=" take `column` characters.
std::string FormatRegData(const RegValue& value, bool regedit4, size_t column = 0);

// Keys are matched without regard to case. A key is there when it is listed or implied
// (a parent of a listed key).
// The paths of the keys the file lists, in file order (deleted ones left out).
std::vector<std::string> RegListedKeys(const Registry& reg);
RegKey* FindRegKey(Registry& reg, std::string_view path);
bool RegKeyExists(const Registry& reg, std::string_view path);
RegKey& CreateRegKey(Registry& reg, std::string_view path);
RegValue* FindRegValue(RegKey& key, std::string_view name);

// The immediate subkeys of a key, sorted without regard to case.
std::vector<std::string> RegSubkeys(Registry& reg, std::string_view path);
// Subkey number `index` of that order; empty past the last one or for a missing key.
std::string_view RegSubkeyAt(Registry& reg, std::string_view path, size_t index);

}  // namespace formats
