#include "actions/pages.h"

#include <cstring>

#include "config/profile_read.h"
#include "config/section.h"
#include "run/log.h"
#include "run/run_state.h"

namespace {

const char kBrowserMain[] = "Software\\Microsoft\\Internet Explorer\\Main";

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
    memset(p, 0, sizeof(*p));
    ReadIniValueChecked(szKey, p->szLinkSection, bCheckCuts ? &p->bSectionCut : nullptr);
    if (p->szLinkSection[0] == '\0') return;
    ReadProfileText(p->szLinkSection, "Name", "ERROR", p->szLinkName, sizeof(p->szLinkName), g_run.szIniPath,
                    bCheckCuts ? &p->bNameCut : nullptr);
    ReadProfileText(p->szLinkSection, "Path", "ERROR", p->szLinkPath, sizeof(p->szLinkPath), g_run.szIniPath,
                    bCheckCuts ? &p->bPathCut : nullptr);
    p->bNameMissing = lstrcmpiA(p->szLinkName, "ERROR") == 0;
    p->bPathMissing = lstrcmpiA(p->szLinkPath, "ERROR") == 0;
    p->bUsable = !p->bNameMissing && !p->bPathMissing;
}

// The link-section name lives in a field as wide as any value ReadIniValue delivers, so
// a name longer than four characters is used whole rather than cut or overrun.
void SetHomePage() {
    PageLink link;

    WriteLog("INFO >>****  Start SetHomePage  ****", kNewLine);
    DecidePageLink("Home", false, &link);
    if (link.szLinkSection[0] == '\0') {
        WriteLog("INFO >>   End SetHomePage - Nothing to install", kNewLine);
        return;
    }
    WriteLog("INFO >>   Set Home to this link: ", link.szLinkSection);
    if (!link.bUsable) {
        WriteLog("ERROR >> Failed to read home link:", link.szLinkSection);
    } else {
        WriteRegistryValue(HKEY_CURRENT_USER, kBrowserMain, "Start Page", REG_SZ, link.szLinkPath,
                           static_cast<DWORD>(strlen(link.szLinkPath) + 1));
        WritePrivateProfileStringA("URL", "Home_page", link.szLinkPath, g_run.szSignupPath);
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
    if (!link.bUsable) {
        WriteLog("ERROR >> Failed to read Search link:", link.szLinkSection);
    } else {
        WriteRegistryValue(HKEY_CURRENT_USER, kBrowserMain, "Search Bar", REG_SZ, link.szLinkPath,
                           static_cast<DWORD>(strlen(link.szLinkPath) + 1));
        WriteRegistryValue(HKEY_CURRENT_USER, kBrowserMain, "Use Custom Search URL", REG_DWORD, &dwUseCustomSearch,
                           sizeof(dwUseCustomSearch));
        WritePrivateProfileStringA("URL", "Search_Page", link.szLinkPath, g_run.szSignupPath);
    }
    WriteLog("INFO >>SetSearchPage Ends", kNewLine);
}
