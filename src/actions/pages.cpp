#include "actions/pages.h"

#include <cstring>

#include "config/profile_read.h"
#include "actions/signup.h"
#include "base/bounded.h"
#include "config/section.h"
#include "run/log.h"
#include "run/run_state.h"
#include "run/version_file.h"

namespace {

const char kBrowserMain[] = "Software\\Microsoft\\Internet Explorer\\Main";

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

void DecidePageLink(const char* szKey, bool bCheckCuts, PageLink* p) {
    DecidePageLink(g_run.szIniPath, g_run.szSection, szKey, bCheckCuts, p);
}

void DecidePageLink(const char* szIniPath, const char* szSection, const char* szKey, bool bCheckCuts, PageLink* p) {
    memset(p, 0, sizeof(*p));
    ReadIniValueChecked(szIniPath, szSection, szKey, p->szLinkSection, bCheckCuts ? &p->bSectionCut : nullptr);
    if (p->szLinkSection[0] == '\0') return;
    ReadProfileText(p->szLinkSection, "Name", "ERROR", p->szLinkName, sizeof(p->szLinkName), szIniPath,
                    bCheckCuts ? &p->bNameCut : nullptr);
    // The Path is always checked: a cut address is never installed.
    ReadProfileText(p->szLinkSection, "Path", "ERROR", p->szLinkPath, sizeof(p->szLinkPath), szIniPath,
                    &p->bPathCut);
    p->bNameMissing = lstrcmpiA(p->szLinkName, "ERROR") == 0;
    p->bPathMissing = lstrcmpiA(p->szLinkPath, "ERROR") == 0;
    p->bUsable = !p->bNameMissing && !p->bPathMissing && !p->bPathCut;
}

// Link-section names in branding files are short, but ReadIniValue may deliver up to
// 259 characters. The name is kept in a field of that width, so a long name is used
// whole: it is neither cut into the name of another section nor written past its field.
void SetHomePage() {
    PageLink link;

    WriteLog("INFO >>****  Start SetHomePage  ****", kNewLine);
    DecidePageLink("Home", false, &link);
    if (link.szLinkSection[0] == '\0') {
        WriteLog("INFO >>   End SetHomePage - Nothing to install", kNewLine);
        return;
    }
    WriteLog("INFO >>   Set Home to this link: ", link.szLinkSection);
    if (link.bNameMissing || link.bPathMissing) {
        WriteLog("ERROR >> Failed to read home link:", link.szLinkSection);
    } else if (link.bPathCut) {
        WriteLog(kLinkPathTooLong, link.szLinkSection);
    } else {
        WritePageValue("Start Page", REG_SZ, link.szLinkPath, static_cast<DWORD>(strlen(link.szLinkPath) + 1));
        WriteSignupEntry("URL", "Home_page", link.szLinkPath);
    }
    WriteLog("INFO >>End SetHomePage", kNewLine);
}

void SetSearchPage() {
    PageLink link;
    const DWORD dwUseCustomSearch = 1;

    WriteLog("INFO >>**** Start SetSearchPage ****", kNewLine);
    DecidePageLink("Search", false, &link);
    if (link.szLinkSection[0] == '\0') {
        WriteLog("INFO >>End SetSearchPage - Nothing to install", kNewLine);
        return;
    }
    WriteLog("INFO >>   Set search to this link: ", link.szLinkSection);
    if (link.bNameMissing || link.bPathMissing) {
        WriteLog("ERROR >> Failed to read Search link:", link.szLinkSection);
    } else if (link.bPathCut) {
        WriteLog(kLinkPathTooLong, link.szLinkSection);
    } else {
        WritePageValue("Search Bar", REG_SZ, link.szLinkPath, static_cast<DWORD>(strlen(link.szLinkPath) + 1));
        WritePageValue("Use Custom Search URL", REG_DWORD, &dwUseCustomSearch, sizeof(dwUseCustomSearch));
        WriteSignupEntry("URL", "Search_Page", link.szLinkPath);
    }
    WriteLog("INFO >>SetSearchPage Ends", kNewLine);
}
