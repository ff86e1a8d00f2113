#include "identify/dash_region.h"

#include <cstring>

#include "base/bounded.h"
#include "platform/win32.h"
#include "run/log.h"
#include "run/run_state.h"

void ResolveDashRegion() {
    if (g_run.szModelName[0] != '\0') GetDashRegionFromDMITable(g_run.szModelName, g_run.szDashRegion);
    if (strcmp(g_run.szDashRegion, kNoDashRegion) == 0) {
        // Room for two characters: a longer value contributes its first two, unchecked
        // against the table and kept in the case it was written in.
        GetPrivateProfileStringA("uia", "DashRegion", kNoDashRegion, g_run.szDashRegion, 3, "C:\\factory\\Util\\QOR.INI");
    }
}

void GetDashRegionFromDMITable(const char* pszModelName, char* pszDashRegion) {
    WriteLog("INFO >>Start GetDashRegionFromDMITable -- Model name : ", pszModelName);
    const char* hash = strchr(pszModelName, '#');
    if (hash == nullptr) {
        WriteLog("INFO >> Missing # sign in Model Name. Will get dash region from QOR.INI file", kNewLine);
        return;
    }
    char szCode[4];
    CopyText(szCode, hash + 1);  // at most three characters; fewer when the name ends
    for (const DashRegionRow& row : DashRegionTable) {
        if (strcmp(row.szOptionCode, szCode) == 0) {
            CopyTextN(pszDashRegion, 3, row.szRegionCode);
            return;
        }
    }
    CopyTextN(pszDashRegion, 3, kNoDashRegion);
}
