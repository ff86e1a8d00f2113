#include "config/section.h"

#include <cstring>

#include "base/bounded.h"
#include "identify/dash_region.h"
#include "identify/language.h"
#include "run/log.h"
#include "run/run_state.h"

namespace {

// Fills szExeDir and szIniPath. A module path that does not fit its field, or a folder
// too long to take "\Facet.INI", leaves both empty with an error line, so that the run
// stops at the branding-file check instead of reading some other, cut-off path.
void ResolveIniPath() {
    DWORD n = GetModuleFileNameA(nullptr, g_run.szExeDir, sizeof(g_run.szExeDir));
    if (n == 0 || n >= sizeof(g_run.szExeDir)) {
        g_run.szExeDir[0] = '\0';
        WriteLog("ERROR >> Path of the executable is too long", kNewLine);
        return;
    }
    PathRemoveFileSpecA(g_run.szExeDir);
    if (!FormatText(g_run.szIniPath, "%s\\Facet.INI", g_run.szExeDir)) {
        g_run.szIniPath[0] = '\0';
        WriteLog("ERROR >> Path of FACET.INI is too long: ", g_run.szExeDir);
    }
}

}  // namespace

void ResolveLocaleAndSection() {
    ResolveLanguageCodes();
    ResolveIniPath();
    ResolveDashRegion();

    FormatText(g_run.szSecRegionLangID, "%s-%s-%s", g_run.szDashRegion, g_run.szOSLangID, g_run.szSubBrand);
    FormatText(g_run.szSecRegionLang, "%s-%s-%s", g_run.szDashRegion, g_run.szOSLangString, g_run.szSubBrand);
    FormatText(g_run.szSecAnyRegionLang, "*-%s-%s", g_run.szOSLangString, g_run.szSubBrand);
    FormatText(g_run.szSecRegionAnyLang, "%s-*-%s", g_run.szDashRegion, g_run.szSubBrand);

    FindIniSection();

    if (SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, g_run.szSignupPath) < 0 ||
        !PathAppendA(g_run.szSignupPath, "Internet Explorer\\SIGNUP\\INSTALL.INS")) {
        g_run.szSignupPath[0] = '\0';
    }
}

void FindIniSection() {
    struct Probe {
        const char* szSearchLine;
        const char* szName;
    };
    const Probe probes[] = {
        {"        Look for section -->", g_run.szSecRegionLangID},
        {"        Look for section -->", g_run.szSecRegionLang},
        {"        Look for section -->", g_run.szSecAnyRegionLang},
        {"        Look for -->", g_run.szSecRegionAnyLang},
        {"        Look for -->", g_run.szSubBrand},
    };

    WriteLog("INFO >> Find section name to read from INI file", kEmpty);
    CopyText(g_run.szSection, "DEFAULT_SECTION");
    for (const Probe& probe : probes) {
        WriteLog(probe.szSearchLine, probe.szName);
        char szHome[50];
        GetPrivateProfileStringA(probe.szName, "Home", "ERROR", szHome, sizeof(szHome), g_run.szIniPath);
        if (strcmp(szHome, "ERROR") != 0) {
            CopyText(g_run.szSection, probe.szName);
            break;
        }
    }
    WriteLog("INFO >> INI section will be used -->", g_run.szSection);
}

DWORD ReadIniValue(const char* szKey, char (&szValue)[260]) {
    return GetPrivateProfileStringA(g_run.szSection, szKey, kEmpty, szValue, sizeof(szValue), g_run.szIniPath);
}

bool ReadLinkPath(const char* szLinkSection, char (&szLinkPath)[260]) {
    DWORD n =
        GetPrivateProfileStringA(szLinkSection, "Path", "ERROR", szLinkPath, sizeof(szLinkPath), g_run.szIniPath);
    if (n < sizeof(szLinkPath) - 1) return true;
    char szLonger[sizeof(szLinkPath) + 1];
    n = GetPrivateProfileStringA(szLinkSection, "Path", "ERROR", szLonger, sizeof(szLonger), g_run.szIniPath);
    return n < sizeof(szLinkPath);
}

const char kLinkPathTooLong[] = "ERROR >> Link path is too long. Nothing installed for link: ";
