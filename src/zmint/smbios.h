// Reads the machine's identity out of the firmware's SMBIOS table, as the Windows
// firmware-table call hands it over ('RSMB' provider). Pure bytes in, fixed texts out,
// so the same code is exercised by unit tests and fuzzing on any platform.
//
// What ZMINT.DLL reports, and from where:
//   model name         the System Information (type 1) product name
//   machine identifier the type-1 SKU number; when that is absent or blank, the
//                      Baseboard (type 2) product, since many boards leave the SKU unset
//
// Every text is cleaned the same way: control bytes (below 32) become spaces, blanks at
// either end are dropped, and bytes above 127 pass through untouched (they are in the
// system code page, as the caller expects).
#pragma once

#include <cstddef>
#include <cstdint>

// The room the library's callers give each text, terminator included.
constexpr size_t kModelNameRoom = 260;
constexpr size_t kMachineIdRoom = 20;

// The strings as found, each cleaned and cut to kModelNameRoom - 1 characters; a field
// whose structure or string is missing is empty.
struct SmbiosInfo {
    char szProductName[kModelNameRoom];   // type 1, offset 0x05
    char szSkuNumber[kModelNameRoom];     // type 1, offset 0x19 (a type 1 long enough to hold it)
    char szBoardProduct[kModelNameRoom];  // type 2, offset 0x05
};

// Parses a RawSMBIOSData blob: an 8-byte header (calling method, major and minor
// version, DMI revision, 32-bit little-endian table length) and the structure table.
// Always leaves every field of *out terminated. Returns true when a type 1 structure
// was found; the baseboard may still have been read when it returns false.
bool ParseSmbios(const uint8_t* data, size_t size, SmbiosInfo* out);

// Write the library's values into callers' buffers of exactly kModelNameRoom and
// kMachineIdRoom bytes; nothing past that room is ever touched.
void CopyModelName(const SmbiosInfo& info, char* dst);
void CopyMachineId(const SmbiosInfo& info, char* dst);
