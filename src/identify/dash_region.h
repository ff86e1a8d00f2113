// The machine's two-character dash region: from the option code after the first "#" of
// the model name, or else from the factory options file.
#pragma once

#include <cstddef>

struct DashRegionRow {
    char szOptionCode[4];  // three characters, A-Z and 0-9
    char szRegionCode[3];  // two characters, digits or A-Z; never "XX"
};

// The region of a machine whose option code is missing or not in the table.
constexpr char kNoDashRegion[] = "XX";

// Option code to region code; searched from the first row to the last.
extern const DashRegionRow DashRegionTable[43];
constexpr size_t kDashRegionRows = sizeof(DashRegionTable) / sizeof(DashRegionTable[0]);

// Writes szDashRegion from the (upper-cased) model name or from C:\factory\Util\QOR.INI.
void ResolveDashRegion();

// Looks up the option code after the first "#" of pszModelName and writes its region
// code, or "XX", into pszDashRegion (room for two characters and the terminator).
// Leaves pszDashRegion untouched when the name has no "#".
void GetDashRegionFromDMITable(const char* pszModelName, char* pszDashRegion);
