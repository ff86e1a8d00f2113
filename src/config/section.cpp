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

    BuildSectionCandidates(g_run.szDashRegion, g_run.szOSLangID, g_run.szOSLangString, g_run.szSubBrand,
                           g_run.szSecRegionLangID, g_run.szSecRegionLang, g_run.szSecAnyRegionLang,
                           g_run.szSecRegionAnyLang);

    FindIniSection();

    if (SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, g_run.szSignupPath) < 0 ||
        !PathAppendA(g_run.szSignupPath, "Internet Explorer\\SIGNUP\\INSTALL.INS")) {
        g_run.szSignupPath[0] = '\0';
    }
}

bool BuildSectionCandidates(const char* szRegion, const char* szLangID, const char* szLangString,
                            const char* szSubBrand, char (&szRegionLangID)[32], char (&szRegionLang)[32],
                            char (&szAnyRegionLang)[20], char (&szRegionAnyLang)[20]) {
    bool bFit = FormatText(szRegionLangID, "%s-%s-%s", szRegion, szLangID, szSubBrand);
    bFit = FormatText(szRegionLang, "%s-%s-%s", szRegion, szLangString, szSubBrand) && bFit;
    bFit = FormatText(szAnyRegionLang, "*-%s-%s", szLangString, szSubBrand) && bFit;
    return FormatText(szRegionAnyLang, "%s-*-%s", szRegion, szSubBrand) && bFit;
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
    CopyText(g_run.szSection, kDefaultSection);
    for (const Probe& probe : probes) {
        WriteLog(probe.szSearchLine, probe.szName);
        char szHome[kHomeProbeRoom];
        GetPrivateProfileStringA(probe.szName, "Home", "ERROR", szHome, sizeof(szHome), g_run.szIniPath);
        if (strcmp(szHome, "ERROR") != 0) {
            CopyText(g_run.szSection, probe.szName);
            break;
        }
    }
    WriteLog("INFO >> INI section will be used -->", g_run.szSection);
}

DWORD ReadIniValue(const char* szKey, char (&szValue)[kIniValueRoom]) {
    return GetPrivateProfileStringA(g_run.szSection, szKey, kEmpty, szValue, sizeof(szValue), g_run.szIniPath);
}
