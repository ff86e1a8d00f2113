// The registry functions over the image's registry.reg. Every change is written back to
// the file at once, so the image after a run shows exactly what the run left.
#include <cstring>
#include <string>
#include <vector>

#include "platform/host/machine.h"
#include "formats/reg_format.h"
#include "platform/win32.h"

struct HKEY__ {
    uint32_t magic;
    std::string path;
};

namespace {

constexpr uint32_t kKeyMagic = 0x52454721;

const char* RootName(HKEY root) {
    switch (reinterpret_cast<uintptr_t>(root)) {
        case 0x80000000u: return "HKEY_CLASSES_ROOT";
        case 0x80000001u: return "HKEY_CURRENT_USER";
        case 0x80000002u: return "HKEY_LOCAL_MACHINE";
        case 0x80000003u: return "HKEY_USERS";
        case 0x80000005u: return "HKEY_CURRENT_CONFIG";
        default: return nullptr;
    }
}

// The full path of hKey\lpSubKey, or empty for a handle we did not give out.
std::string FullPath(HKEY hKey, LPCSTR lpSubKey) {
    std::string base;
    if (const char* root = RootName(hKey)) {
        base = root;
    } else if (hKey != nullptr && hKey->magic == kKeyMagic) {
        base = hKey->path;
    } else {
        return "";
    }
    if (lpSubKey != nullptr && lpSubKey[0] != '\0') base += std::string("\\") + lpSubKey;
    return base;
}

HKEY NewHandle(const std::string& path) { return new HKEY__{kKeyMagic, path}; }

}  // namespace

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES,
                            HKEY* phkResult, LPDWORD lpdwDisposition) {
    std::string path = FullPath(hKey, lpSubKey);
    if (path.empty() || phkResult == nullptr) return ERROR_INVALID_HANDLE;
    formats::Registry& reg = host::MachineRegistry();
    bool existed = formats::RegKeyExists(reg, path);
    if (!existed && host::IsRegistryKeyReadOnly(path)) return ERROR_ACCESS_DENIED;
    if (!formats::FindRegKey(reg, path)) {
        formats::CreateRegKey(reg, path);
        if (DWORD err = host::SaveMachineRegistry()) return static_cast<LONG>(err);
    }
    if (lpdwDisposition) *lpdwDisposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *phkResult = NewHandle(path);
    return ERROR_SUCCESS;
}

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, DWORD, HKEY* phkResult) {
    std::string path = FullPath(hKey, lpSubKey);
    if (path.empty() || phkResult == nullptr) return ERROR_INVALID_HANDLE;
    if (!formats::RegKeyExists(host::MachineRegistry(), path)) return ERROR_FILE_NOT_FOUND;
    *phkResult = NewHandle(path);
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, BYTE* lpData,
                             LPDWORD lpcbData) {
    std::string path = FullPath(hKey, nullptr);
    if (path.empty()) return ERROR_INVALID_HANDLE;
    formats::RegKey* key = formats::FindRegKey(host::MachineRegistry(), path);
    formats::RegValue* value = key ? formats::FindRegValue(*key, lpValueName ? lpValueName : "") : nullptr;
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    if (lpType) *lpType = value->type;
    DWORD size = static_cast<DWORD>(value->data.size());
    if (lpData == nullptr) {
        if (lpcbData) *lpcbData = size;
        return ERROR_SUCCESS;
    }
    if (lpcbData == nullptr) return ERROR_INVALID_PARAMETER;
    if (*lpcbData < size) {
        *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    memcpy(lpData, value->data.data(), size);
    *lpcbData = size;
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
    std::string path = FullPath(hKey, nullptr);
    if (path.empty() || RootName(hKey) != nullptr) return ERROR_INVALID_HANDLE;
    if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
    if (host::IsRegistryKeyReadOnly(path)) return ERROR_ACCESS_DENIED;
    formats::RegKey& key = formats::CreateRegKey(host::MachineRegistry(), path);
    std::string name = lpValueName ? lpValueName : "";
    std::string data(reinterpret_cast<const char*>(lpData), cbData);
    if (formats::RegValue* value = formats::FindRegValue(key, name)) {
        value->type = dwType;
        value->data = data;
    } else {
        key.values.push_back(formats::RegValue{name, dwType, data});
    }
    return static_cast<LONG>(host::SaveMachineRegistry());
}

LONG WINAPI RegCloseKey(HKEY hKey) {
    if (RootName(hKey) != nullptr) return ERROR_SUCCESS;
    if (hKey == nullptr || hKey->magic != kKeyMagic) return ERROR_INVALID_HANDLE;
    hKey->magic = 0;
    delete hKey;
    return ERROR_SUCCESS;
}

// Subkeys in the order Windows gives them: sorted without regard to case.
LONG WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD, LPSTR lpClass,
                          LPDWORD lpcchClass, FILETIME* lpftLastWriteTime) {
    std::string path = FullPath(hKey, nullptr);
    if (path.empty() || lpName == nullptr || lpcchName == nullptr) return ERROR_INVALID_PARAMETER;
    std::string_view name = formats::RegSubkeyAt(host::MachineRegistry(), path, dwIndex);
    if (name.empty()) return ERROR_NO_MORE_ITEMS;
    if (name.size() + 1 > *lpcchName) return ERROR_MORE_DATA;
    memcpy(lpName, name.data(), name.size());
    lpName[name.size()] = '\0';
    *lpcchName = static_cast<DWORD>(name.size());
    if (lpClass && lpcchClass && *lpcchClass > 0) {
        lpClass[0] = '\0';
        *lpcchClass = 0;
    }
    if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}
