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
