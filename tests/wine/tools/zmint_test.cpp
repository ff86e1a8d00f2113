// A stand-in ZMINT.DLL for the Wine scenarios: reports the scenario's [ZMINT] values,
// read from zmint-test.ini beside the DLL, within the library's limits (259 and 19
// characters). Built once per subset of exports, so that the missing-export paths run
// under Wine too; the .def file of each build decides which names exist.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

HMODULE g_self = nullptr;

void ValuesPath(char* path, DWORD room) {
    DWORD n = GetModuleFileNameA(g_self, path, room);
    if (n == 0 || n >= room) {
        path[0] = '\0';
        return;
    }
    char* slash = strrchr(path, '\\');
    if (slash) slash[1] = '\0';
    strncat(path, "zmint-test.ini", room - strlen(path) - 1);
}

void ReadValue(const char* key, char* out, DWORD room) {
    char path[MAX_PATH];
    ValuesPath(path, sizeof(path));
    GetPrivateProfileStringA("ZMINT", key, "", out, room, path);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_self = instance;
    return TRUE;
}

extern "C" void zmiGetModelName(char* buf) { ReadValue("ModelName", buf, 260); }

extern "C" void zmiGetMachineId(char* buf) { ReadValue("MachineId", buf, 20); }

extern "C" unsigned char zmiGetOSVersion() {
    char value[16];
    ReadValue("OSVersion", value, sizeof(value));
    return static_cast<unsigned char>(strtoul(value, nullptr, 0));
}

// Exported by the build that has none of the three, which must still export something.
extern "C" void zmintTestPlaceholder() {}
