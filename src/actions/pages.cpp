#include "actions/pages.h"

#include <cstring>

#include "actions/signup.h"
#include "base/bounded.h"
#include "config/section.h"
#include "run/log.h"
#include "run/run_state.h"
#include "run/version_file.h"

namespace {

const char kBrowserMain[] = "Software\\Microsoft\\Internet Explorer\\Main";

enum class PageLink { Usable, Missing, TooLong };

// A link section's Name (only tested) and Path. Missing when either is missing or reads
// "ERROR" in any case; TooLong when the Path did not fit its field.
PageLink ReadPageLink(const char* szLinkSection, char (&szLinkName)[50], char (&szLinkPath)[260]) {
    GetPrivateProfileStringA(szLinkSection, "Name", "ERROR", szLinkName, sizeof(szLinkName), g_run.szIniPath);
    bool bWhole = ReadLinkPath(szLinkSection, szLinkPath);
    if (lstrcmpiA(szLinkName, "ERROR") == 0 || lstrcmpiA(szLinkPath, "ERROR") == 0) return PageLink::Missing;
    return bWhole ? PageLink::Usable : PageLink::TooLong;
}

// A page value of the browser's settings; a failure is logged with the value's full name.
void WritePageValue(const char* szValueName, DWORD dwType, const void* pData, DWORD cbData) {
    LONG result = WriteRegistryValue(HKEY_CURRENT_USER, kBrowserMain, szValueName, dwType, pData, cbData);
    if (result != ERROR_SUCCESS) {
        char szWhat[128];
        FormatText(szWhat, "HKEY_CURRENT_USER\\%s\\%s", kBrowserMain, szValueName);
        LogWriteFailure("ERROR >> Write registry value failed --->", szWhat, static_cast<DWORD>(result));
    }
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

// Link-section names in branding files are short, but ReadIniValue may deliver up to
// 259 characters. The name is kept in a field of that width, so a long name is used
// whole: it is neither cut into the name of another section nor written past its field.
void SetHomePage() {
    char szLinkSection[260] = "";
    char szLinkName[50] = "";
    char szLinkPath[260] = "";

    WriteLog("INFO >>****  Start SetHomePage  ****", kNewLine);
    ReadIniValue("Home", szLinkSection);
    if (szLinkSection[0] == '\0') {
        WriteLog("INFO >>   End SetHomePage - Nothing to install", kNewLine);
        return;
    }
    PageLink link = ReadPageLink(szLinkSection, szLinkName, szLinkPath);
    WriteLog("INFO >>   Set Home to this link: ", szLinkSection);
    if (link == PageLink::Missing) {
        WriteLog("ERROR >> Failed to read home link:", szLinkSection);
    } else if (link == PageLink::TooLong) {
        WriteLog(kLinkPathTooLong, szLinkSection);
    } else {
        WritePageValue("Start Page", REG_SZ, szLinkPath, static_cast<DWORD>(strlen(szLinkPath) + 1));
        WriteSignupEntry("URL", "Home_page", szLinkPath);
    }
    WriteLog("INFO >>End SetHomePage", kNewLine);
}

void SetSearchPage() {
    char szLinkSection[260] = "";
    char szLinkName[50] = "";
    char szLinkPath[260] = "";
    const DWORD dwUseCustomSearch = 1;

    WriteLog("INFO >>**** Start SetSearchPage ****", kNewLine);
    ReadIniValue("Search", szLinkSection);
    if (szLinkSection[0] == '\0') {
        WriteLog("INFO >>End SetSearchPage - Nothing to install", kNewLine);
        return;
    }
    WriteLog("INFO >>   Set search to this link: ", szLinkSection);
    PageLink link = ReadPageLink(szLinkSection, szLinkName, szLinkPath);
    if (link == PageLink::Missing) {
        WriteLog("ERROR >> Failed to read Search link:", szLinkSection);
    } else if (link == PageLink::TooLong) {
        WriteLog(kLinkPathTooLong, szLinkSection);
    } else {
        WritePageValue("Search Bar", REG_SZ, szLinkPath, static_cast<DWORD>(strlen(szLinkPath) + 1));
        WritePageValue("Use Custom Search URL", REG_DWORD, &dwUseCustomSearch, sizeof(dwUseCustomSearch));
        WriteSignupEntry("URL", "Search_Page", szLinkPath);
    }
    WriteLog("INFO >>SetSearchPage Ends", kNewLine);
}
