#include "actions/pages.h"

#include <cstring>

#include "config/section.h"
#include "run/log.h"
#include "run/run_state.h"

namespace {

const char kBrowserMain[] = "Software\\Microsoft\\Internet Explorer\\Main";

// A link section's Name (only tested) and Path. False when either is missing or reads
// "ERROR" in any case.
bool ReadPageLink(const char* szLinkSection, char (&szLinkName)[kPageLinkNameRoom], char (&szLinkPath)[kPageLinkPathRoom]) {
    GetPrivateProfileStringA(szLinkSection, "Name", "ERROR", szLinkName, sizeof(szLinkName), g_run.szIniPath);
    GetPrivateProfileStringA(szLinkSection, "Path", "ERROR", szLinkPath, sizeof(szLinkPath), g_run.szIniPath);
    return lstrcmpiA(szLinkName, "ERROR") != 0 && lstrcmpiA(szLinkPath, "ERROR") != 0;
}

}  // namespace

LONG WriteRegistryValue(HKEY hRoot, const char* szKeyPath, const char* szValueName, DWORD dwType, const void* pData,
                        DWORD cbData) {
    HKEY hKey = nullptr;
    DWORD dwDisposition = 0;
    LONG result = RegCreateKeyExA(hRoot, szKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                  &hKey, &dwDisposition);
    if (result != ERROR_SUCCESS) return result;
    result = RegSetValueExA(hKey, szValueName, 0, dwType, static_cast<const BYTE*>(pData), cbData);
    RegCloseKey(hKey);
    return result;
}

// The link-section name lives in a field as wide as any value ReadIniValue delivers, so
// a name longer than four characters is used whole rather than cut or overrun.
void SetHomePage() {
    char szLinkSection[260] = "";
    char szLinkName[kPageLinkNameRoom] = "";
    char szLinkPath[kPageLinkPathRoom] = "";

    WriteLog("INFO >>****  Start SetHomePage  ****", kNewLine);
    ReadIniValue("Home", szLinkSection);
    if (szLinkSection[0] == '\0') {
        WriteLog("INFO >>   End SetHomePage - Nothing to install", kNewLine);
        return;
    }
    bool bUsable = ReadPageLink(szLinkSection, szLinkName, szLinkPath);
    WriteLog("INFO >>   Set Home to this link: ", szLinkSection);
    if (!bUsable) {
        WriteLog("ERROR >> Failed to read home link:", szLinkSection);
    } else {
        WriteRegistryValue(HKEY_CURRENT_USER, kBrowserMain, "Start Page", REG_SZ, szLinkPath,
                           static_cast<DWORD>(strlen(szLinkPath) + 1));
        WritePrivateProfileStringA("URL", "Home_page", szLinkPath, g_run.szSignupPath);
    }
    WriteLog("INFO >>End SetHomePage", kNewLine);
}

void SetSearchPage() {
    char szLinkSection[260] = "";
    char szLinkName[kPageLinkNameRoom] = "";
    char szLinkPath[kPageLinkPathRoom] = "";
    const DWORD dwUseCustomSearch = 1;

    WriteLog("INFO >>**** Start SetSearchPage ****", kNewLine);
    ReadIniValue("Search", szLinkSection);
    if (szLinkSection[0] == '\0') {
        WriteLog("INFO >>End SetSearchPage - Nothing to install", kNewLine);
        return;
    }
    WriteLog("INFO >>   Set search to this link: ", szLinkSection);
    if (!ReadPageLink(szLinkSection, szLinkName, szLinkPath)) {
        WriteLog("ERROR >> Failed to read Search link:", szLinkSection);
    } else {
        WriteRegistryValue(HKEY_CURRENT_USER, kBrowserMain, "Search Bar", REG_SZ, szLinkPath,
                           static_cast<DWORD>(strlen(szLinkPath) + 1));
        WriteRegistryValue(HKEY_CURRENT_USER, kBrowserMain, "Use Custom Search URL", REG_DWORD, &dwUseCustomSearch,
                           sizeof(dwUseCustomSearch));
        WritePrivateProfileStringA("URL", "Search_Page", szLinkPath, g_run.szSignupPath);
    }
    WriteLog("INFO >>SetSearchPage Ends", kNewLine);
}
