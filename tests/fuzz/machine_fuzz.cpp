// Feeds arbitrary machine.ini text to the image reader and then runs the identification,
// which reads everything the file describes: the library's presence, exports and values,
// the language identifiers, the shell folders, the executable path, the adapters and
// their monitor lines, the display modes. The read-only list is tried with a folder and a
// file write. Nothing may crash or overrun, whatever the file holds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_image.h"
#include "identify/machine_info.h"
#include "platform/host/machine.h"
#include "platform/win32.h"
#include "run/run_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_image::Put("machine.ini", std::string(reinterpret_cast<const char*>(data), size));
    std::string error;
    if (!host::OpenMachine(fuzz_image::Dir(), &error)) return 0;

    ResetRunState();
    strcpy(g_run.szLogPath, "C:\\fuzz.log");
    LoadMachineInfo();

    // What the engine reads only on some roads, read here on every input.
    char buf[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, buf);
    SHGetFolderPathA(nullptr, CSIDL_WINDOWS, nullptr, SHGFP_TYPE_CURRENT, buf);
    GetModuleFileNameA(nullptr, buf, sizeof(buf));
    DEVMODEA mode;
    for (DWORD i = 0; i < 4096 && EnumDisplaySettingsA(nullptr, i, &mode); ++i) {
    }
    DISPLAY_DEVICEA adapter;
    adapter.cb = sizeof(adapter);
    for (DWORD a = 0; a < 64 && EnumDisplayDevicesA(nullptr, a, &adapter, 0); ++a) {
        DISPLAY_DEVICEA monitor;
        monitor.cb = sizeof(monitor);
        for (DWORD m = 0; m < 64 && EnumDisplayDevicesA(adapter.DeviceName, m, &monitor, 0); ++m) {
        }
    }
    CreateDirectoryA("C:\\fuzz-dir", nullptr);
    WritePrivateProfileStringA("S", "k", "v", "C:\\fuzz.ini");
    host::CloseMachine();
    remove((fuzz_image::Dir() + "/drive_c/fuzz.log").c_str());
    remove((fuzz_image::Dir() + "/drive_c/fuzz.ini").c_str());
    rmdir((fuzz_image::Dir() + "/drive_c/fuzz-dir").c_str());
    return 0;
}
