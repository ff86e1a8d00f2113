// LoadLibraryA, GetProcAddress and FreeLibrary. The one library a run loads, ZMINT.DLL,
// is provided by the image: [ZMINT] present means it loads, Exports lists the entry
// points it has, and ModelName, MachineId and OSVersion are what they report. Like the
// real library, the provider keeps the limits of 259 and 19 characters.
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "formats/ascii.h"
#include "platform/host/machine.h"
#include "platform/win32.h"

// The handle type the header declares; one instance stands for the loaded library.
struct HINSTANCE__ {
    int loads;
};

namespace {

HINSTANCE__ g_zmint = {0};

void WriteCut(char* buf, const std::string& value, size_t limit) {
    size_t n = value.size() < limit ? value.size() : limit;
    memcpy(buf, value.data(), n);
    buf[n] = '\0';
}

void WINAPIV HostGetModelName(char* buf) {
    std::string value;
    host::MachineValue("ZMINT", "ModelName", &value);
    WriteCut(buf, value, 259);
}

void WINAPIV HostGetMachineId(char* buf) {
    std::string value;
    host::MachineValue("ZMINT", "MachineId", &value);
    WriteCut(buf, value, 19);
}

unsigned char WINAPIV HostGetOSVersion() {
    std::string value;
    host::MachineValue("ZMINT", "OSVersion", &value);
    return static_cast<unsigned char>(strtoul(value.c_str(), nullptr, 0));
}

bool HasExport(const char* name) {
    std::string list;
    if (!host::MachineValue("ZMINT", "Exports", &list)) return true;  // all three
    std::stringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        size_t b = item.find_first_not_of(" \t");
        size_t e = item.find_last_not_of(" \t");
        if (b != std::string::npos && item.substr(b, e - b + 1) == name) return true;
    }
    return false;
}

}  // namespace

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
    if (lpLibFileName == nullptr || !formats::AsciiSameText(lpLibFileName, "ZMINT.DLL") ||
        !host::MachineHasSection("ZMINT")) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++g_zmint.loads;
    return &g_zmint;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    if (hModule != &g_zmint || g_zmint.loads == 0 || lpProcName == nullptr || !HasExport(lpProcName)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* fn = nullptr;
    if (strcmp(lpProcName, "zmiGetModelName") == 0) fn = reinterpret_cast<void*>(&HostGetModelName);
    if (strcmp(lpProcName, "zmiGetMachineId") == 0) fn = reinterpret_cast<void*>(&HostGetMachineId);
    if (strcmp(lpProcName, "zmiGetOSVersion") == 0) fn = reinterpret_cast<void*>(&HostGetOSVersion);
    if (fn == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
    return reinterpret_cast<FARPROC>(fn);
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    if (hLibModule != &g_zmint || g_zmint.loads == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --g_zmint.loads;
    return TRUE;
}

namespace host {
int ZmintLoadCount() { return g_zmint.loads; }
}  // namespace host
