// ZMINT.DLL, the machine-information library that Facet loads by name. It answers from
// the firmware's SMBIOS table (see smbios.h for which strings it takes). Whatever goes
// wrong, a caller's buffer receives a terminated text, empty at worst, and never more
// than the room the callers are known to give.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "smbios.h"

namespace {

// 'RSMB' spelled out, to keep clear of multi-character constants.
constexpr DWORD kProviderRawSmbios = 0x52534D42;

// The table is read afresh for every call: each export stands alone, the table is a few
// kilobytes, and there is no state to keep between calls or to release on unload.
void ReadSmbiosInfo(SmbiosInfo* info) {
    ParseSmbios(nullptr, 0, info);
    UINT size = GetSystemFirmwareTable(kProviderRawSmbios, 0, nullptr, 0);
    if (size == 0) return;
    HANDLE heap = GetProcessHeap();
    void* buffer = HeapAlloc(heap, 0, size);
    if (buffer == nullptr) return;
    // A table that grew between the two calls comes back as a larger size and no data.
    UINT got = GetSystemFirmwareTable(kProviderRawSmbios, 0, buffer, size);
    if (got > 0 && got <= size) ParseSmbios(static_cast<const uint8_t*>(buffer), got, info);
    HeapFree(heap, 0, buffer);
}

typedef LONG(WINAPI* RtlGetVersionFn)(OSVERSIONINFOW*);

unsigned char ClampToByte(DWORD value) {
    return static_cast<unsigned char>(value > 255 ? 255 : value);
}

// RtlGetVersion first: GetVersionExA answers 6 on every Windows from 8.1 on unless the
// host program's manifest declares that version, and Facet.exe's manifest is not ours.
unsigned char QueryOsMajorVersion() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll != nullptr) {
        FARPROC proc = GetProcAddress(ntdll, "RtlGetVersion");
        if (proc != nullptr) {
            RtlGetVersionFn rtlGetVersion =
                reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(proc));
            OSVERSIONINFOW version;
            ZeroMemory(&version, sizeof(version));
            version.dwOSVersionInfoSize = sizeof(version);
            if (rtlGetVersion(&version) == 0) return ClampToByte(version.dwMajorVersion);
        }
    }
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExA(&version)) return ClampToByte(version.dwMajorVersion);
    return 0;
}

}  // namespace

// The exported names are fixed by zmint.def; the callers find them by these exact names.
extern "C" {

// pszModelName: a 260-byte buffer.
void zmiGetModelName(char* pszModelName) {
    if (pszModelName == nullptr) return;
    SmbiosInfo info;
    ReadSmbiosInfo(&info);
    CopyModelName(info, pszModelName);
}

unsigned char zmiGetOSVersion() {
    return QueryOsMajorVersion();
}

// pszMachineId: a 20-byte buffer.
void zmiGetMachineId(char* pszMachineId) {
    if (pszMachineId == nullptr) return;
    SmbiosInfo info;
    ReadSmbiosInfo(&info);
    CopyMachineId(info, pszMachineId);
}

}  // extern "C"
