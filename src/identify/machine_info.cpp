#include "identify/machine_info.h"

#include <cstring>

#include "base/bounded.h"
#include "config/section.h"
#include "identify/brand.h"
#include "identify/screen.h"
#include "platform/win32.h"
#include "run/log.h"
#include "run/run_state.h"
#include "run/version_file.h"

namespace {

typedef void(WINAPIV* ZmiGetTextFn)(char*);
typedef unsigned char(WINAPIV* ZmiGetOSVersionFn)();

template <typename Fn>
Fn Export(HMODULE hLib, const char* name) {
    // Through void* so that the cast from FARPROC is not taken for a call through the
    // wrong type; the real types are the library's documented ones.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(hLib, name)));
}

// The library is told nothing of the buffers' sizes. We hand it far more room than it
// may use and then keep its promised limits (259 and 19 characters) ourselves, so a
// library that writes too much cannot reach past our fields.
char s_modelScratch[2048];
char s_idScratch[512];

}  // namespace

int ReadMachineIdentity(char (&szMachineId)[20], char (&szModelName)[260]) {
    memset(szMachineId, 0, sizeof(szMachineId));
    szModelName[0] = '\0';
    HMODULE hLib = LoadLibraryA("ZMINT.DLL");
    if (hLib == nullptr) return kIdentityNoLibrary;
    ZmiGetTextFn getModelName = Export<ZmiGetTextFn>(hLib, "zmiGetModelName");
    ZmiGetOSVersionFn getOSVersion = getModelName ? Export<ZmiGetOSVersionFn>(hLib, "zmiGetOSVersion") : nullptr;
    ZmiGetTextFn getMachineId = getOSVersion ? Export<ZmiGetTextFn>(hLib, "zmiGetMachineId") : nullptr;
    if (getMachineId == nullptr) {
        FreeLibrary(hLib);
        return kIdentityNoExport;
    }

    memset(s_idScratch, 0, sizeof(s_idScratch));
    getMachineId(s_idScratch);
    s_idScratch[sizeof(s_idScratch) - 1] = '\0';
    CopyText(szMachineId, s_idScratch);

    memset(s_modelScratch, 0, sizeof(s_modelScratch));
    getModelName(s_modelScratch);
    s_modelScratch[sizeof(s_modelScratch) - 1] = '\0';
    CopyText(szModelName, s_modelScratch);

    getOSVersion();
    FreeLibrary(hLib);
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
