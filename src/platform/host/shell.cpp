// Shell folder lookup and path joining. The folders come from the image's [Folders];
// a key that is present and empty makes that lookup fail, leaving the buffer untouched.
#include <cstring>
#include <string>

#include "platform/host/machine.h"
#include "platform/win32.h"

HRESULT WINAPI SHGetFolderPathA(HWND, int csidl, HANDLE, DWORD, LPSTR pszPath) {
    const char* key = nullptr;
    const char* fallback = nullptr;
    switch (csidl) {
        case CSIDL_PROGRAM_FILES:
            key = "ProgramFiles";
            fallback = "C:\\Program Files";
            break;
        case CSIDL_WINDOWS:
            key = "Windows";
            fallback = "C:\\Windows";
            break;
        default:
            return E_FAIL;
    }
    std::string value;
    if (!host::MachineValue("Folders", key, &value)) value = fallback;
    if (value.empty() || value.size() >= MAX_PATH || pszPath == nullptr) return E_FAIL;
    memcpy(pszPath, value.c_str(), value.size() + 1);
    return S_OK;
}

// Joins with exactly one backslash; leading backslashes of the appended part are
// dropped. A result of MAX_PATH characters or more fails and leaves pszPath as it was.
BOOL WINAPI PathAppendA(LPSTR pszPath, LPCSTR pszMore) {
    if (pszPath == nullptr || pszMore == nullptr) return FALSE;
    while (*pszMore == '\\') ++pszMore;
    std::string joined = pszPath;
    if (!joined.empty() && *pszMore != '\0' && joined.back() != '\\') joined += '\\';
    joined += pszMore;
    if (joined.size() >= MAX_PATH) return FALSE;
    memcpy(pszPath, joined.c_str(), joined.size() + 1);
    return TRUE;
}

// The running program is the image's [Machine] Executable. A buffer too small gets the
// path cut to nSize - 1 characters and the return value nSize, with error 122.
DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    if (hModule != nullptr || lpFilename == nullptr || nSize == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string exe;
    if (!host::MachineValue("Machine", "Executable", &exe)) exe = "C:\\Facet\\Facet.exe";
    if (exe.size() >= nSize) {
        memcpy(lpFilename, exe.data(), nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    memcpy(lpFilename, exe.c_str(), exe.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(exe.size());
}

// Cuts the last element and the backslash before it; a drive root keeps its backslash
// ("C:\Facet.exe" gives "C:\"). TRUE when something was removed.
BOOL WINAPI PathRemoveFileSpecA(LPSTR pszPath) {
    if (pszPath == nullptr) return FALSE;
    char* slash = strrchr(pszPath, '\\');
    char* cut = nullptr;
    if (slash == nullptr) {
        cut = (pszPath[0] != '\0' && pszPath[1] == ':') ? pszPath + 2 : pszPath;
    } else if (slash == pszPath || (slash == pszPath + 2 && pszPath[1] == ':')) {
        cut = slash + 1;  // the root keeps its backslash
    } else {
        cut = slash;
    }
    if (*cut == '\0') return FALSE;
    *cut = '\0';
    return TRUE;
}
