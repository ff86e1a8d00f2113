// GetPrivateProfileStringA over the image's files, with the reading rules of Windows
// (profile_text.cpp).
#include <fstream>
#include <sstream>
#include <string>

#include "platform/host/machine.h"
#include "platform/host/profile_text.h"
#include "platform/win32.h"

DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                                      DWORD nSize, LPCSTR lpFileName) {
    bool cut = false;
    size_t count = 0;
    std::string text;
    bool read = false;
    host::MappedPath path;
    if (lpFileName != nullptr && lpFileName[0] != '\0' && host::MapPath(lpFileName, &path) == 0 && path.exists &&
        !host::HostIsDirectory(path.host)) {
        std::ifstream in(path.host, std::ios::binary);
        if (in) {
            std::ostringstream buf;
            buf << in.rdbuf();
            text = buf.str();
            read = true;
        }
    }
    if (read) {
        count = host::ProfileGetString(text, lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize, &cut);
        SetLastError(cut ? ERROR_MORE_DATA : ERROR_SUCCESS);
    } else {
        count = host::ProfileDefault(lpDefault, lpReturnedString, nSize, &cut);
        SetLastError(ERROR_FILE_NOT_FOUND);
    }
    return static_cast<DWORD>(count);
}
