#include "run/version_file.h"

#include <cstring>

#include "base/bounded.h"
#include "run/log.h"
#include "run/run_state.h"

void StoreLastErrorText(const char* szText) {
    CopyText(g_run.szLastError, szText);
    for (char* p = g_run.szLastError; *p; ++p) {
        if (*p == '\r' || *p == '\n') *p = ' ';
    }
}

void FormatLastError(DWORD dwError) {
    char* pszText = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                             nullptr, dwError, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<LPSTR>(&pszText), 0, nullptr);
    if (n == 0 || pszText == nullptr) {
        // No text for this code: the number at least tells the factory what happened.
        char szUnknown[64];
        FormatText(szUnknown, "Unknown error %lu", static_cast<unsigned long>(dwError));
        StoreLastErrorText(szUnknown);
        return;
    }
    StoreLastErrorText(pszText);
    LocalFree(pszText);
}

void LogWriteFailure(const char* szMessage, const char* szWhat, DWORD dwError) {
    // Room for the longest message, a 259-character path and the section and key names;
    // a longer text is cut, never overrun.
    char szLine[640];
    FormatText(szLine, "%s%s  Error is: ", szMessage, szWhat);
    FormatLastError(dwError);
    WriteLog(szLine, g_run.szLastError);
}

void CopyVersionFile() {
    char szSource[260];
    char szTarget[260];

    WriteLog("INFO >>   Start Copy Version File", kNewLine);
    bool bFit = FormatText(szSource, "%s\\%s", g_run.szExeDir, "FacetVer.exe");
    WriteLog("INFO >>   Source location  ---> ", szSource);
    bFit = FormatText(szTarget, "%s\\%s", g_run.szWorkDir, "FacetVer.exe") && bFit;
    WriteLog("INFO >>   Version file full path  ---> ", szTarget);

    // A path that did not fit is not copied (its cut form could name another file); it
    // fails as Windows fails such a path.
    if (bFit && CopyFileA(szSource, szTarget, FALSE)) {
        WriteLog("INFO >>   Copy Version File succeeded", kNewLine);
    } else {
        FormatLastError(bFit ? GetLastError() : static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
        WriteLog("ERROR >> Copy Version File failed.  Error is: ", g_run.szLastError);
    }
    WriteLog("INFO >>   End Copy Version File", kNewLine);
}

void GetVersionStamp() {
    char szPath[260];
    DWORD dwHandle = 0;
    DWORD dwSize = 0;
    if (FormatText(szPath, "%s\\%s", g_run.szExeDir, "FacetVer.exe")) {
        dwSize = GetFileVersionInfoSizeA(szPath, &dwHandle);
    }
    if (dwSize == 0) {
        WriteLog("GetFileVersionInfoSize Failed", kNewLine);
        return;
    }
    // A resource that can be sized but not read, or that holds no fixed file
    // information, leaves szVersion empty: the summary then shows no version.
    HGLOBAL hBlock = GlobalAlloc(GMEM_MOVEABLE, dwSize);
    if (hBlock == nullptr) return;
    void* pBlock = GlobalLock(hBlock);
    if (pBlock != nullptr) {
        VS_FIXEDFILEINFO* pFixed = nullptr;
        UINT cbFixed = 0;
        if (GetFileVersionInfoA(szPath, dwHandle, dwSize, pBlock) &&
            VerQueryValueA(pBlock, "\\", reinterpret_cast<LPVOID*>(&pFixed), &cbFixed) && pFixed != nullptr &&
            cbFixed >= sizeof(VS_FIXEDFILEINFO)) {
            FormatText(g_run.szVersion, "%u.%u.%u.%u", static_cast<unsigned>(pFixed->dwFileVersionMS >> 16),
                       static_cast<unsigned>(pFixed->dwFileVersionMS & 0xFFFF),
                       static_cast<unsigned>(pFixed->dwFileVersionLS >> 16),
                       static_cast<unsigned>(pFixed->dwFileVersionLS & 0xFFFF));
        }
        GlobalUnlock(hBlock);
    }
    GlobalFree(hBlock);
}
