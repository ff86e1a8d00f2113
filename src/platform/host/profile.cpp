// GetPrivateProfileStringA and WritePrivateProfileStringA over the image's files, with
// the reading and writing rules of Windows (profile_text.cpp).
#include <string>

#include "platform/host/file_cache.h"
#include "platform/host/machine.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"
#include "platform/win32.h"

namespace {

// Windows looks for a profile file named without a folder in the Windows folder.
bool MapProfilePath(LPCSTR lpFileName, host::MappedPath* path) {
    std::string name = lpFileName;
    if (name.find('\\') == std::string::npos && name.find('/') == std::string::npos && name.find(':') == std::string::npos) {
        char windows[MAX_PATH];
        if (SHGetFolderPathA(nullptr, CSIDL_WINDOWS, nullptr, SHGFP_TYPE_CURRENT, windows) < 0) return false;
        name = std::string(windows) + "\\" + name;
    }
    return host::MapPath(name.c_str(), path) == 0;
}

}  // namespace

DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                                      DWORD nSize, LPCSTR lpFileName) {
    bool cut = false;
    size_t count = 0;
    host::MappedPath path;
    formats::ProfileIndex* file = nullptr;
    if (lpFileName != nullptr && lpFileName[0] != '\0' && MapProfilePath(lpFileName, &path) && path.exists) {
        file = host::CachedProfile(path.host);
    }
    if (file) {
        count = formats::ProfileIndexGetString(*file, lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize, &cut);
        SetLastError(cut ? ERROR_MORE_DATA : ERROR_SUCCESS);
    } else {
        count = formats::ProfileDefault(lpDefault, lpReturnedString, nSize, &cut);
        SetLastError(ERROR_FILE_NOT_FOUND);
    }
    return static_cast<DWORD>(count);
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName) {
    if (lpFileName == nullptr || lpFileName[0] == '\0') {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // Deleting keys and sections is not needed by the engine and not offered here.
    if (lpAppName == nullptr || lpKeyName == nullptr || lpString == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    host::MappedPath path;
    if (!MapProfilePath(lpFileName, &path)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    DWORD err = 0;
    std::string text;
    if (path.exists) {
        if (!host::ReadHostFile(path.host, &text)) err = ERROR_ACCESS_DENIED;
    } else if (!host::HostParentIsDirectory(path.host)) {
        err = ERROR_PATH_NOT_FOUND;
    }
    if (err == 0 && host::IsReadOnly(path)) err = ERROR_ACCESS_DENIED;
    if (err == 0) err = host::ReplaceFileContent(path.host, formats::ProfileSetValue(text, lpAppName, lpKeyName, lpString));
    if (err != 0) {
        SetLastError(err);
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
