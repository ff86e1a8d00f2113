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
    FindEDIDScreenEx(nRev, nPass, dwWidth, dwHeight, nullptr);
}

void FindEDIDScreenEx(int32_t* nRev, int32_t* nPass, DWORD* dwWidth, DWORD* dwHeight, EdidScreenEvidence* pEvidence) {
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
            char szInstance[260] = "";
            GetEDIDDataEx(pnpIDStr, &nMonRev, &nMonPass, &dwMonWidth, &dwMonHeight, &nDisplayType, szInstance);
            if (nDisplayType == kEdidLcd) {
                *nRev = nMonRev;
                *nPass = nMonPass;
                *dwWidth = dwMonWidth;
                *dwHeight = dwMonHeight;
                if (pEvidence != nullptr) {
                    pEvidence->bLcdFound = true;
                    pEvidence->nAdapter = i;
                    pEvidence->nMonitor = j;
                    CopyText(pEvidence->szAdapterName, szAdapterName);
                    CopyText(pEvidence->szDeviceID, szDeviceID);
                    CopyText(pEvidence->pnpIDStr, pnpIDStr);
                    CopyText(pEvidence->szInstance, szInstance);
                }
                return;
            }
        }
    }
}

void GetMaxDisplayMode(DWORD* dwWidth, DWORD* dwHeight) {
    int nModes = 0;
    int nWidthMode = -1;
    int nHeightMode = -1;
    GetMaxDisplayModeEx(dwWidth, dwHeight, &nModes, &nWidthMode, &nHeightMode);
}

void GetMaxDisplayModeEx(DWORD* dwWidth, DWORD* dwHeight, int* pnModes, int* pnWidthMode, int* pnHeightMode) {
    DEVMODEA mode;
    memset(&mode, 0, sizeof(mode));
    mode.dmSize = sizeof(mode);
    *pnModes = 0;
    *pnWidthMode = -1;
    *pnHeightMode = -1;
    for (DWORD n = 0; EnumDisplaySettingsA(nullptr, n, &mode); ++n) {
        ++*pnModes;
        if (mode.dmPelsWidth < mode.dmPelsHeight) continue;
        if (mode.dmPelsWidth > *dwWidth) {
            *dwWidth = mode.dmPelsWidth;
            *pnWidthMode = static_cast<int>(n);
        }
        if (mode.dmPelsHeight > *dwHeight) {
            *dwHeight = mode.dmPelsHeight;
            *pnHeightMode = static_cast<int>(n);
        }
    }
}

void DecideScreenType(ScreenDecision* d) {
    memset(d, 0, sizeof(*d));
    d->nWidthMode = -1;
    d->nHeightMode = -1;
    FindEDIDScreenEx(&d->nRev, &d->nPass, &d->dwWidth, &d->dwHeight, &d->edid);
    d->bFromEdid = d->nRev >= 1 && d->nPass >= 2 && d->dwWidth != 0 && d->dwHeight != 0;
    if (!d->bFromEdid) {
        // The LCD's own width and height, when one was found, take part in the maxima.
        GetMaxDisplayModeEx(&d->dwWidth, &d->dwHeight, &d->nModes, &d->nWidthMode, &d->nHeightMode);
    }
    // A height of 0 cannot be divided by. Any width over no height is as wide as a screen
    // gets, so it counts as wide; 0 x 0 describes no screen at all and counts as normal.
    if (d->dwHeight == 0) {
        d->bWideScreen = d->dwWidth > 0 ? 1 : 0;
    } else {
        d->bWideScreen = static_cast<double>(d->dwWidth) / static_cast<double>(d->dwHeight) > 1.34 ? 1 : 0;
    }
}

void GetScreenType() {
    static ScreenDecision d;
    char szText[260];

    WriteLog("INFO >> Start GetScreenType", kNewLine);
    DecideScreenType(&d);
    if (d.bFromEdid) {
        FormatText(szText, " nRev = %d, nPass = %d, dwWidth = %d, dwHeight = %d", static_cast<int>(d.nRev),
                   static_cast<int>(d.nPass), static_cast<int>(d.dwWidth), static_cast<int>(d.dwHeight));
        WriteLog("INFO >> Screen information from EDID structure  -->", szText);
    } else {
        FormatText(szText, " width = %d, height = %d", static_cast<int>(d.dwWidth), static_cast<int>(d.dwHeight));
        WriteLog("INFO >> Screen information from OS  -->", szText);
    }
    g_run.bWideScreen = d.bWideScreen;
    FormatText(szText, "Screen type is %s", g_run.bWideScreen ? "WIDE" : "NORMAL");
    WriteLog("INFO >> ", szText);
}
