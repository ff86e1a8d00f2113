// The registry functions over the image's registry.reg. Every change is written back to
// the file at once, so the image after a run shows exactly what the run left.
#include <cstring>
#include <string>
#include <vector>

#include "platform/host/machine.h"
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

LONG Failed(host::Image* image, const std::string& what, DWORD error) {
    image->NoteFailure(what, error);
    return static_cast<LONG>(error);
}

}  // namespace

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES,
                            HKEY* phkResult, LPDWORD lpdwDisposition) {
    std::string path = FullPath(hKey, lpSubKey);
    host::Image* image = host::CurrentImage();
    if (path.empty() || phkResult == nullptr) return ERROR_INVALID_HANDLE;
    if (image == nullptr) return ERROR_ACCESS_DENIED;
    bool existed = image->RegKeyExists(path);
    if (DWORD err = image->RegCreateKey(path)) return Failed(image, path, err);
    if (lpdwDisposition) *lpdwDisposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *phkResult = NewHandle(path);
    return ERROR_SUCCESS;
}

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, DWORD, HKEY* phkResult) {
    std::string path = FullPath(hKey, lpSubKey);
    host::Image* image = host::CurrentImage();
    if (path.empty() || phkResult == nullptr) return ERROR_INVALID_HANDLE;
    if (image == nullptr || !image->RegKeyExists(path)) return ERROR_FILE_NOT_FOUND;
    *phkResult = NewHandle(path);
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, BYTE* lpData,
                             LPDWORD lpcbData) {
    std::string path = FullPath(hKey, nullptr);
    host::Image* image = host::CurrentImage();
    if (path.empty()) return ERROR_INVALID_HANDLE;
    const formats::RegValue* value = image ? image->RegFindValue(path, lpValueName ? lpValueName : "") : nullptr;
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
    host::Image* image = host::CurrentImage();
    if (path.empty() || RootName(hKey) != nullptr) return ERROR_INVALID_HANDLE;
    if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
    if (image == nullptr) return ERROR_ACCESS_DENIED;
    std::string name = lpValueName ? lpValueName : "";
    std::string data(reinterpret_cast<const char*>(lpData), cbData);
    if (DWORD err = image->RegSetValue(path, name, dwType, std::move(data))) {
        return Failed(image, path + "\\" + name, err);
    }
    return ERROR_SUCCESS;
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
    host::Image* image = host::CurrentImage();
    if (path.empty() || lpName == nullptr || lpcchName == nullptr) return ERROR_INVALID_PARAMETER;
    std::string name = image ? image->RegSubkeyAt(path, dwIndex) : std::string();
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
