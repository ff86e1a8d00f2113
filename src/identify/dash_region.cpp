#include "identify/dash_region.h"

#include <cstring>

#include "base/bounded.h"
#include "config/profile_read.h"
#include "platform/win32.h"
#include "run/log.h"
#include "run/run_state.h"

const char kFactoryOptionsFile[] = "C:\\factory\\Util\\QOR.INI";

namespace {

// Room for two characters: a longer value contributes its first two, unchecked against
// the table and kept in the case it was written in.
// pbCut null: read as the run reads it, once.
DWORD ReadFactoryRegion(char (&szDashRegion)[4], bool* pbCut) {
    return ReadProfileText("uia", "DashRegion", "XX", szDashRegion, 3, kFactoryOptionsFile, pbCut);
}

}  // namespace

int FindOptionCodeRow(const char* pszModelName, char (&szCode)[4]) {
    szCode[0] = '\0';
    const char* hash = strchr(pszModelName, '#');
    if (hash == nullptr) return -2;
    CopyText(szCode, hash + 1);  // at most three characters; fewer when the name ends
    for (size_t i = 0; i < kDashRegionRows; ++i) {
        if (strcmp(DashRegionTable[i].szOptionCode, szCode) == 0) return static_cast<int>(i);
    }
    return -1;
}

void DecideDashRegion(const char* pszModelName, RegionDecision* d) {
    CopyText(d->szDashRegion, "XX");
    d->source = kRegionFallback;
    d->bHasHash = false;
    d->szOptionCode[0] = '\0';
    d->nTableRow = -1;
    d->bFactoryValueCut = false;
    if (pszModelName[0] != '\0') {
        int row = FindOptionCodeRow(pszModelName, d->szOptionCode);
        d->bHasHash = row != -2;
        if (row >= 0) {
            d->nTableRow = row;
            d->source = kRegionFromOptionCode;
            CopyText(d->szDashRegion, DashRegionTable[row].szRegionCode);
            return;
        }
    }
    ReadFactoryRegion(d->szDashRegion, &d->bFactoryValueCut);
    // A line feed cannot come from the file, so it shows whether the key was there.
    char szProbe[4];
    GetPrivateProfileStringA("uia", "DashRegion", "\n", szProbe, 3, kFactoryOptionsFile);
    if (strcmp(szProbe, "\n") != 0) d->source = kRegionFromFactoryFile;
}

void ResolveDashRegion() {
    if (g_run.szModelName[0] != '\0') GetDashRegionFromDMITable(g_run.szModelName, g_run.szDashRegion);
    if (strcmp(g_run.szDashRegion, "XX") == 0) ReadFactoryRegion(g_run.szDashRegion, nullptr);
}

void GetDashRegionFromDMITable(const char* pszModelName, char* pszDashRegion) {
    WriteLog("INFO >>Start GetDashRegionFromDMITable -- Model name : ", pszModelName);
    char szCode[4];
    int row = FindOptionCodeRow(pszModelName, szCode);
    if (row == -2) {
        WriteLog("INFO >> Missing # sign in Model Name. Will get dash region from QOR.INI file", kNewLine);
        return;
    }
    CopyTextN(pszDashRegion, 3, row >= 0 ? DashRegionTable[row].szRegionCode : "XX");
}
