// Display adapters, their monitors and the display modes, from the image's [AdapterN]
// and [Display] sections.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/host/machine.h"
#include "platform/win32.h"

static_assert(sizeof(DISPLAY_DEVICEA) == 424, "DISPLAY_DEVICEA must keep Windows' layout");
static_assert(sizeof(DEVMODEA) == 156, "DEVMODEA must keep Windows' layout");

namespace {

// Copies into a fixed field of the record, always terminated, cut when too long.
template <size_t N>
void Fill(CHAR (&field)[N], const std::string& value) {
    size_t n = value.size() < N - 1 ? value.size() : N - 1;
    memcpy(field, value.data(), n);
    field[n] = '\0';
}

DWORD Flags(const std::string& text) { return static_cast<DWORD>(strtoul(text.c_str(), nullptr, 0)); }

std::string AdapterSection(DWORD i) { return "Adapter" + std::to_string(i); }

}  // namespace

BOOL WINAPI EnumDisplayDevicesA(LPCSTR lpDevice, DWORD iDevNum, PDISPLAY_DEVICEA lpDisplayDevice, DWORD) {
    if (lpDisplayDevice == nullptr || lpDisplayDevice->cb < sizeof(DISPLAY_DEVICEA)) return FALSE;
    std::string name;
    std::string flags;
    if (lpDevice == nullptr) {
        std::string section = AdapterSection(iDevNum);
        if (!host::MachineHasSection(section.c_str())) return FALSE;
        host::MachineValue(section.c_str(), "DeviceName", &name);
        host::MachineValue(section.c_str(), "StateFlags", &flags);
        std::string description;
        host::MachineValue(section.c_str(), "DeviceString", &description);
        Fill(lpDisplayDevice->DeviceName, name);
        Fill(lpDisplayDevice->DeviceString, description);
        lpDisplayDevice->StateFlags = Flags(flags);
        Fill(lpDisplayDevice->DeviceID, "");
        Fill(lpDisplayDevice->DeviceKey, "");
        return TRUE;
    }
    // The monitors of the adapter with that device name.
    long adapter = host::MachineAdapterByName(lpDevice);
    if (adapter < 0) return FALSE;
    std::string section = AdapterSection(static_cast<DWORD>(adapter));
    host::MachineValue(section.c_str(), "DeviceName", &name);
    std::string monitor;
    if (!host::MachineValue(section.c_str(), ("Monitor" + std::to_string(iDevNum)).c_str(), &monitor)) return FALSE;
    size_t bar = monitor.rfind('|');
    std::string deviceId = bar == std::string::npos ? monitor : monitor.substr(0, bar);
    Fill(lpDisplayDevice->DeviceName, name + "\\Monitor" + std::to_string(iDevNum));
    Fill(lpDisplayDevice->DeviceString, "Generic PnP Monitor");
    lpDisplayDevice->StateFlags = bar == std::string::npos ? 0 : Flags(monitor.substr(bar + 1));
    Fill(lpDisplayDevice->DeviceID, deviceId);
    Fill(lpDisplayDevice->DeviceKey, "");
    return TRUE;
}

BOOL WINAPI EnumDisplaySettingsA(LPCSTR, DWORD iModeNum, DEVMODEA* lpDevMode) {
    if (lpDevMode == nullptr) return FALSE;
    std::string modes;
    if (!host::MachineValue("Display", "Modes", &modes)) return FALSE;
    // The current mode is the last one listed.
    std::string chosen;
    DWORD n = 0;
    size_t start = 0;
    while (start <= modes.size()) {
        size_t end = modes.find(',', start);
        if (end == std::string::npos) end = modes.size();
        std::string item = modes.substr(start, end - start);
        if (item.find_first_not_of(" \t") != std::string::npos) {
            if (n == iModeNum || iModeNum == ENUM_CURRENT_SETTINGS) chosen = item;
            if (n == iModeNum) break;
            ++n;
        }
        start = end + 1;
    }
    unsigned long width = 0;
    unsigned long height = 0;
    char* x = nullptr;
    width = strtoul(chosen.c_str(), &x, 10);
    if (chosen.empty() || x == nullptr || (*x != 'x' && *x != 'X')) return FALSE;
    height = strtoul(x + 1, nullptr, 10);
    WORD size = lpDevMode->dmSize;
    WORD extra = lpDevMode->dmDriverExtra;
    memset(lpDevMode, 0, sizeof(*lpDevMode));
    lpDevMode->dmSize = size;
    lpDevMode->dmDriverExtra = extra;
    lpDevMode->dmBitsPerPel = 32;
    lpDevMode->dmPelsWidth = static_cast<DWORD>(width);
    lpDevMode->dmPelsHeight = static_cast<DWORD>(height);
    lpDevMode->dmDisplayFrequency = 60;
    return TRUE;
}
