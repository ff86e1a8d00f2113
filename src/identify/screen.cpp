#include "identify/screen.h"

#include <cstring>

#include "base/bounded.h"
#include "identify/edid.h"
#include "run/log.h"
#include "run/run_state.h"

bool MonitorPnpId(const char* szDeviceID, char (&pnpIDStr)[260]) {
    memset(pnpIDStr, 0, sizeof(pnpIDStr));
    char szID[260];
    CopyText(szID, szDeviceID);
    char* pszPart = StrChrA(szID, '\\');
    if (pszPart == nullptr) return false;
    StrTrimA(pszPart, "\\");
    // Without a backslash after the identifier the rest of the text is the identifier.
    char* pszEnd = StrChrA(pszPart, '\\');
    if (pszEnd != nullptr) *pszEnd = '\0';
    if (pszPart[0] == '\0') return false;
    CopyText(pnpIDStr, pszPart);
    return true;
}

void FindEDIDScreen(int32_t* nRev, int32_t* nPass, DWORD* dwWidth, DWORD* dwHeight) {
    DISPLAY_DEVICEA adapter;
    DISPLAY_DEVICEA monitor;
    for (DWORD i = 0;; ++i) {
        memset(&adapter, 0, sizeof(adapter));
        adapter.cb = sizeof(adapter);
        if (!EnumDisplayDevicesA(nullptr, i, &adapter, 0)) return;
        if (adapter.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER) continue;

        char szAdapterName[260];
        CopyTextN(szAdapterName, sizeof(szAdapterName), adapter.DeviceName);
        for (DWORD j = 0;; ++j) {
            memset(&monitor, 0, sizeof(monitor));
            monitor.cb = sizeof(monitor);
            if (!EnumDisplayDevicesA(szAdapterName, j, &monitor, 0)) break;
            if (!(monitor.StateFlags & DISPLAY_DEVICE_ACTIVE) && monitor.StateFlags != DISPLAY_DEVICE_ATTACHED) continue;

            char szDeviceID[260];
            // DeviceID is a fixed 128-byte field that need not be terminated.
            memset(szDeviceID, 0, sizeof(szDeviceID));
            memcpy(szDeviceID, monitor.DeviceID, sizeof(monitor.DeviceID));
            char pnpIDStr[260];
            if (!MonitorPnpId(szDeviceID, pnpIDStr) || lstrcmpA(pnpIDStr, "Default_Monitor") == 0) continue;

            int32_t nMonRev = 0;
            int32_t nMonPass = 0;
            DWORD dwMonWidth = 0;
            DWORD dwMonHeight = 0;
            int32_t nDisplayType = kEdidNone;
            GetEDIDData(pnpIDStr, &nMonRev, &nMonPass, &dwMonWidth, &dwMonHeight, &nDisplayType);
            if (nDisplayType == kEdidLcd) {
                *nRev = nMonRev;
                *nPass = nMonPass;
                *dwWidth = dwMonWidth;
                *dwHeight = dwMonHeight;
                return;
            }
        }
    }
}

void GetMaxDisplayMode(DWORD* dwWidth, DWORD* dwHeight) {
    DEVMODEA mode;
    memset(&mode, 0, sizeof(mode));
    mode.dmSize = sizeof(mode);
    for (DWORD n = 0; EnumDisplaySettingsA(nullptr, n, &mode); ++n) {
        if (mode.dmPelsWidth < mode.dmPelsHeight) continue;
        if (mode.dmPelsWidth > *dwWidth) *dwWidth = mode.dmPelsWidth;
        if (mode.dmPelsHeight > *dwHeight) *dwHeight = mode.dmPelsHeight;
    }
}

void GetScreenType() {
    int32_t nRev = 0;
    int32_t nPass = 0;
    DWORD dwWidth = 0;
    DWORD dwHeight = 0;
    char szText[260];

    WriteLog("INFO >> Start GetScreenType", kNewLine);
    FindEDIDScreen(&nRev, &nPass, &dwWidth, &dwHeight);
    FormatText(szText, " nRev = %d, nPass = %d, dwWidth = %d, dwHeight = %d", static_cast<int>(nRev),
               static_cast<int>(nPass), static_cast<int>(dwWidth), static_cast<int>(dwHeight));
    if (nRev >= 1 && nPass >= 2 && dwWidth != 0 && dwHeight != 0) {
        WriteLog("INFO >> Screen information from EDID structure  -->", szText);
    } else {
        // The LCD's own width and height, when one was found, take part in the maxima.
        GetMaxDisplayMode(&dwWidth, &dwHeight);
        FormatText(szText, " width = %d, height = %d", static_cast<int>(dwWidth), static_cast<int>(dwHeight));
        WriteLog("INFO >> Screen information from OS  -->", szText);
    }
    // A height of 0 cannot be divided by. Any width over no height is as wide as a screen
    // gets, so it counts as wide; 0 x 0 describes no screen at all and counts as normal.
    if (dwHeight == 0) {
        g_run.bWideScreen = dwWidth > 0 ? 1 : 0;
    } else {
        g_run.bWideScreen = static_cast<double>(dwWidth) / static_cast<double>(dwHeight) > 1.34 ? 1 : 0;
    }
    FormatText(szText, "Screen type is %s", g_run.bWideScreen ? "WIDE" : "NORMAL");
    WriteLog("INFO >> ", szText);
}
