// GetPrivateProfileStringA and WritePrivateProfileStringA over the image's files, with
// the reading and writing rules of Windows (formats/profile_*).
#include <string>

#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "platform/host/machine.h"
#include "platform/win32.h"

namespace {

// Windows looks for a profile file named without a folder in the Windows folder.
DWORD MapProfilePath(LPCSTR lpFileName, host::MappedPath* path) {
    std::string name = lpFileName;
    if (name.find('\\') == std::string::npos && name.find('/') == std::string::npos && name.find(':') == std::string::npos) {
        char windows[MAX_PATH];
        if (SHGetFolderPathA(nullptr, CSIDL_WINDOWS, nullptr, SHGFP_TYPE_CURRENT, windows) < 0) {
            return ERROR_PATH_NOT_FOUND;
        }
        name = std::string(windows) + "\\" + name;
    }
    return host::MapPath(name.c_str(), path);
}

}  // namespace

DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                                      DWORD nSize, LPCSTR lpFileName) {
    bool cut = false;
    size_t count = 0;
    host::MappedPath path;
    formats::ProfileIndex* file = nullptr;
    if (lpFileName != nullptr && lpFileName[0] != '\0' && MapProfilePath(lpFileName, &path) == 0 && path.regular) {
        file = host::CurrentImage()->Profile(path);
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
    host::Image* image = host::CurrentImage();
    host::MappedPath path;
    // A path that cannot name a file in the image reads as a missing one, as it always has.
    DWORD err = MapProfilePath(lpFileName, &path) == 0 ? 0 : ERROR_PATH_NOT_FOUND;
    if (err == 0 && path.exists && !path.regular) err = ERROR_ACCESS_DENIED;
    if (err == 0 && !path.exists && !path.parentFolder) err = ERROR_PATH_NOT_FOUND;
    if (err == 0 && image->IsReadOnly(path)) err = ERROR_ACCESS_DENIED;
    if (err == 0) err = image->WriteProfileValue(path, lpAppName, lpKeyName, lpString);
    if (err != 0) {
        if (image) image->NoteFailure(lpFileName, err, lpAppName, lpKeyName);
        SetLastError(err);
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
