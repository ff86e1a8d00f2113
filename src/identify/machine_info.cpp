#include "identify/machine_info.h"

#include <cstring>

#include "base/bounded.h"
#include "config/section.h"
#include "identify/brand.h"
#include "identify/screen.h"
#include "identify/zmint_binding.h"
#include "platform/win32.h"
#include "run/log.h"
#include "run/run_state.h"
#include "run/version_file.h"

int ReadMachineIdentity(char (&szMachineId)[20], char (&szModelName)[260]) {
    memset(szMachineId, 0, sizeof(szMachineId));
    szModelName[0] = '\0';
    ZmintBinding zmint;
    if (!OpenZmint(&zmint)) return kIdentityNoLibrary;
    if (!ZmintComplete(zmint)) {
        CloseZmint(&zmint);
        return kIdentityNoExport;
    }
    ZmintMachineId(zmint, szMachineId);
    ZmintModelName(zmint, szModelName);
    ZmintOSVersion(zmint);
    CloseZmint(&zmint);
    return kIdentityRead;
}

int LoadMachineInfo() {
    char szMachineId[20];
    switch (ReadMachineIdentity(szMachineId, g_run.szModelName)) {
        case kIdentityNoLibrary:
            WriteLog("ERROR >> Failed to Load DLL", "ZMINT.DLL");
            return -1;
        case kIdentityNoExport:
            return -1;
        default:
            break;
    }
    WriteLog("INFO >> System ID -->", szMachineId);

    ClassifyBrand();
    ResolveLocaleAndSection();
    GetScreenType();
    GetVersionStamp();

    WriteLog("INFO >> Facet Version -->", g_run.szVersion);
    WriteLog("INFO >> Model Name = ", g_run.szModelName);
    WriteLog("INFO >> System Brand = ", g_run.szBrand);
    WriteLog("INFO >> System Sub Brand = ", g_run.szSubBrand);
    WriteLog("INFO >> Dash Region = ", g_run.szDashRegion);
    WriteLog("INFO >> OS Language String -->", g_run.szOSLangString);
    WriteLog("INFO >> OS System Language ID -->", g_run.szOSLangID);
    WriteLog("INFO >> User Regional Language Setting ID -->", g_run.szUserLangID);
    return 0;
}
