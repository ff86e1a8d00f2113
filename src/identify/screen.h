// Wide or normal screen, from the first LCD's EDID or else from the display modes.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// Which monitor FindEDIDScreen settled on: adapter and monitor numbers in enumeration
// order, their names, and the EDID instance whose block gave the values.
struct EdidScreenEvidence {
    bool bLcdFound;
    DWORD nAdapter;
    DWORD nMonitor;
    char szAdapterName[260];
    char szDeviceID[260];
    char pnpIDStr[260];
    char szInstance[260];
};

// How GetScreenType decides. nRev, nPass, dwWidth and dwHeight are the values it logs.
struct ScreenDecision {
    int32_t nRev;
    int32_t nPass;
    DWORD dwWidth;
    DWORD dwHeight;
    bool bFromEdid;  // the LCD's EDID was accepted; otherwise the display modes decided
    EdidScreenEvidence edid;
    int nModes;      // display modes enumerated (fall-back only)
    int nWidthMode;  // the mode that gave the largest width, or -1 (none raised it)
    int nHeightMode;
    int32_t bWideScreen;
};

// The whole decision of GetScreenType from the display enumeration and the registry;
// writes and logs nothing.
void DecideScreenType(ScreenDecision* pDecision);

// Writes bWideScreen and logs the source, the numbers and the outcome.
void GetScreenType();

// The first monitor in use whose EDID says LCD, in adapter and monitor order. All four
// out-values are written together, and only when such a monitor is found.
void FindEDIDScreen(int32_t* nRev, int32_t* nPass, DWORD* dwWidth, DWORD* dwHeight);

// The same, saying in *pEvidence (when not null) which monitor it was.
void FindEDIDScreenEx(int32_t* nRev, int32_t* nPass, DWORD* dwWidth, DWORD* dwHeight, EdidScreenEvidence* pEvidence);

// Raises dwWidth and dwHeight to the largest width and height among the landscape
// (and square) modes of the current display device; never lowers them.
void GetMaxDisplayMode(DWORD* dwWidth, DWORD* dwHeight);

// The same, counting the modes and naming the ones that raised each value (or -1).
void GetMaxDisplayModeEx(DWORD* dwWidth, DWORD* dwHeight, int* pnModes, int* pnWidthMode, int* pnHeightMode);

// The Plug and Play identifier of a monitor DeviceID ("MONITOR\ABC1234\{guid}\0001"
// gives ABC1234) into pnpIDStr (260 bytes). False when the DeviceID has no backslash or
// nothing after it, and the monitor cannot be named.
bool MonitorPnpId(const char* szDeviceID, char (&pnpIDStr)[260]);
