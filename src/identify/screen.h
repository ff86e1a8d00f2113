// Wide or normal screen, from the first LCD's EDID or else from the display modes.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// Writes bWideScreen and logs the source, the numbers and the outcome.
void GetScreenType();

// The first monitor in use whose EDID says LCD, in adapter and monitor order. All four
// out-values are written together, and only when such a monitor is found.
void FindEDIDScreen(int32_t* nRev, int32_t* nPass, DWORD* dwWidth, DWORD* dwHeight);

// Raises dwWidth and dwHeight to the largest width and height among the landscape
// (and square) modes of the current display device; never lowers them.
void GetMaxDisplayMode(DWORD* dwWidth, DWORD* dwHeight);

// The Plug and Play identifier of a monitor DeviceID ("MONITOR\ABC1234\{guid}\0001"
// gives ABC1234) into pnpIDStr (260 bytes). False when the DeviceID has no backslash or
// nothing after it, and the monitor cannot be named.
bool MonitorPnpId(const char* szDeviceID, char (&pnpIDStr)[260]);
