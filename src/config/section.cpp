#include "config/section.h"

#include <cstring>

#include "base/bounded.h"
#include "config/profile_read.h"
#include "identify/dash_region.h"
#include "identify/language.h"
#include "run/log.h"
#include "run/run_state.h"

int DecideIniPath(char (&szExeDir)[260], char (&szIniPath)[260]) {
    szIniPath[0] = '\0';
    DWORD n = GetModuleFileNameA(nullptr, szExeDir, sizeof(szExeDir));
    if (n == 0 || n >= sizeof(szExeDir)) {
        szExeDir[0] = '\0';
        return kIniPathExeTooLong;
    }
    PathRemoveFileSpecA(szExeDir);
    if (!FormatText(szIniPath, "%s\\Facet.INI", szExeDir)) {
        szIniPath[0] = '\0';
        return kIniPathTooLong;
    }
    return kIniPathOk;
}

namespace {

// Fills szExeDir and szIniPath. A module path that does not fit its field, or a folder
// too long to take "\Facet.INI", leaves both empty with an error line, so that the run
// stops at the branding-file check instead of reading some other, cut-off path.
void ResolveIniPath() {
    switch (DecideIniPath(g_run.szExeDir, g_run.szIniPath)) {
        case kIniPathExeTooLong:
            WriteLog("ERROR >> Path of the executable is too long", kNewLine);
            break;
        case kIniPathTooLong:
            WriteLog("ERROR >> Path of FACET.INI is too long: ", g_run.szExeDir);
            break;
        default:
            break;
    }
}

}  // namespace

const char* SectionCandidateName(const SectionCandidates& c, int i) {
    switch (i) {
        case 0: return c.szSecRegionLangID;
        case 1: return c.szSecRegionLang;
        case 2: return c.szSecAnyRegionLang;
        case 3: return c.szSecRegionAnyLang;
        default: return c.szSubBrand;
    }
}

void DecideSectionCandidates(const char* pszDashRegion, const char* pszOSLangID, const char* pszOSLangString,
                             const char* pszSubBrand, SectionCandidates* c) {
    FormatText(c->szSecRegionLangID, "%s-%s-%s", pszDashRegion, pszOSLangID, pszSubBrand);
    FormatText(c->szSecRegionLang, "%s-%s-%s", pszDashRegion, pszOSLangString, pszSubBrand);
    FormatText(c->szSecAnyRegionLang, "*-%s-%s", pszOSLangString, pszSubBrand);
    FormatText(c->szSecRegionAnyLang, "%s-*-%s", pszDashRegion, pszSubBrand);
    CopyText(c->szSubBrand, pszSubBrand);
}

void ProbeIniSection(const char* szIniPath, const SectionCandidates& c, SectionProbe* p) {
    p->nFound = 0;
    p->nProbed = 0;
    CopyText(p->szSection, kDefaultSection);
    for (int i = 0; i < kSectionCandidates; ++i) {
        const char* szName = SectionCandidateName(c, i);
        p->nProbed = i + 1;
        char szHome[kHomeProbeRoom];
        GetPrivateProfileStringA(szName, "Home", "ERROR", szHome, sizeof(szHome), szIniPath);
        if (strcmp(szHome, "ERROR") != 0) {
            CopyText(p->szSection, szName);
            p->nFound = i + 1;
            return;
        }
    }
}

void ResolveLocaleAndSection() {
    ResolveLanguageCodes();
    ResolveIniPath();
    ResolveDashRegion();

    SectionCandidates c;
    DecideSectionCandidates(g_run.szDashRegion, g_run.szOSLangID, g_run.szOSLangString, g_run.szSubBrand, &c);
    CopyText(g_run.szSecRegionLangID, c.szSecRegionLangID);
    CopyText(g_run.szSecRegionLang, c.szSecRegionLang);
    CopyText(g_run.szSecAnyRegionLang, c.szSecAnyRegionLang);
    CopyText(g_run.szSecRegionAnyLang, c.szSecRegionAnyLang);

    FindIniSection();

    DecideSignupPath(g_run.szSignupPath);
}

bool DecideSignupPath(char (&szSignupPath)[260]) {
    if (SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, szSignupPath) < 0 ||
        !PathAppendA(szSignupPath, "Internet Explorer\\SIGNUP\\INSTALL.INS")) {
        szSignupPath[0] = '\0';
        return false;
    }
    return true;
}

void FindIniSection() {
    SectionCandidates c;
    CopyText(c.szSecRegionLangID, g_run.szSecRegionLangID);
    CopyText(c.szSecRegionLang, g_run.szSecRegionLang);
    CopyText(c.szSecAnyRegionLang, g_run.szSecAnyRegionLang);
    CopyText(c.szSecRegionAnyLang, g_run.szSecRegionAnyLang);
    CopyText(c.szSubBrand, g_run.szSubBrand);
    SectionProbe p;
    ProbeIniSection(g_run.szIniPath, c, &p);

    WriteLog("INFO >> Find section name to read from INI file", kEmpty);
    for (int i = 0; i < p.nProbed; ++i) {
        WriteLog(i < 3 ? "        Look for section -->" : "        Look for -->", SectionCandidateName(c, i));
    }
    CopyText(g_run.szSection, p.szSection);
    WriteLog("INFO >> INI section will be used -->", g_run.szSection);
}

DWORD ReadIniValue(const char* szKey, char (&szValue)[260]) {
    return GetPrivateProfileStringA(g_run.szSection, szKey, kEmpty, szValue, sizeof(szValue), g_run.szIniPath);
}

DWORD ReadIniValueChecked(const char* szKey, char (&szValue)[260], bool* pbCut) {
    return ReadIniValueChecked(g_run.szIniPath, g_run.szSection, szKey, szValue, pbCut);
}

DWORD ReadIniValueChecked(const char* szIniPath, const char* szSection, const char* szKey, char (&szValue)[260],
                          bool* pbCut) {
    return ReadProfileText(szSection, szKey, kEmpty, szValue, sizeof(szValue), szIniPath, pbCut);
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
