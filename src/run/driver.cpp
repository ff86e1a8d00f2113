#include "run/driver.h"

#include "actions/favorites.h"
#include "actions/pages.h"
#include "actions/wallpapers.h"
#include "identify/machine_info.h"
#include "platform/win32.h"
#include "run/log.h"
#include "run/run_state.h"
#include "run/version_file.h"

int IniFileExists() {
    if (g_run.szIniPath[0] == '\0') return 0;
    WIN32_FIND_DATAA found;
    HANDLE hFind = FindFirstFileA(g_run.szIniPath, &found);
    if (hFind == INVALID_HANDLE_VALUE) return 0;
    FindClose(hFind);
    return 1;
}

bool IsHomePageSwitch(const char* arg) {
    if (arg == nullptr || (arg[0] != '-' && arg[0] != '/')) return false;
    return lstrcmpiA(arg + 1, "h") == 0;
}

int RunFacet(int argc, char** argv) {
    StartRun();
    LoadMachineInfo();
    return RunInstallation(argc, argv);
}

void StartRun() {
    ResetRunState();
    CreateWorkFolder();
    InitLogPath();

    WriteLog("\n\nFACET INSTALLATION LOG", "\n\n");
    WriteLog("\nINFO >> System Information", "\n\n");
}

int RunInstallation(int argc, char** argv) {
    WriteLog("\n------------------------------------------------------------------------", kNewLine);
    WriteLog("INFO >> Facet Installation Starts ", "\n\n");
    CopyVersionFile();

    if (!IniFileExists()) {
        WriteLog("ERROR >> FACET.INI file NOT found.  Facet stops.", kNewLine);
        return 0;
    }

    CopyWallPapers();
    InstallFavorites();
    for (int i = 1; i < argc; ++i) {
        if (IsHomePageSwitch(argv[i])) SetHomePage();
    }
    SetSearchPage();

    WriteLog("INFO >> Facet Installation Completed.", kNewLine);
    WriteLog("\n\n------------------------------------------------------------------------", kNewLine);
    WriteLog("INFO >> Information below is for pre-install group", kNewLine);
    WriteLog("[ResponseResult]", kNewLine);
    WriteLog("ResultCode=0", kNewLine);
    return 0;
}
