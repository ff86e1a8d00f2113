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

// The factory options file and the value in it that names the region.
extern const char kFactoryOptionsFile[];

enum RegionSource {
    kRegionFromOptionCode,
    kRegionFromFactoryFile,
    kRegionFallback
};

// Where the region came from. nTableRow is the 0-based row of DashRegionTable that
// matched, or -1; szOptionCode holds what followed the first "#" (at most three
// characters; empty, with bHasHash false, when the name has none).
struct RegionDecision {
    char szDashRegion[4];
    RegionSource source;
    bool bHasHash;
    char szOptionCode[4];
    int nTableRow;
    bool bFactoryValueCut;  // the factory file's value had more than two characters
};

// The option code after the first "#" of pszModelName into szCode, and the table row it
// names: the row index, -1 when no row has it, -2 when the name has no "#".
int FindOptionCodeRow(const char* pszModelName, char (&szCode)[4]);

// The region for an upper-cased model name, from the table or else the factory options
// file, as ResolveDashRegion finds it; reads the factory file, writes and logs nothing.
void DecideDashRegion(const char* pszModelName, RegionDecision* pDecision);

// Writes szDashRegion from the (upper-cased) model name or from C:\factory\Util\QOR.INI.
void ResolveDashRegion();

// Looks up the option code after the first "#" of pszModelName and writes its region
// code, or "XX", into pszDashRegion (room for two characters and the terminator).
// Leaves pszDashRegion untouched when the name has no "#".
void GetDashRegionFromDMITable(const char* pszModelName, char* pszDashRegion);
