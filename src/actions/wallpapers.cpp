#include "actions/wallpapers.h"

#include <cstring>

#include "base/bounded.h"
#include "platform/win32.h"
#include "run/log.h"
#include "run/run_state.h"

namespace {

struct Wallpaper {
    const char* szSourceStem;
    const char* szWorkTail;
    const char* szFinalTail;
};

const Wallpaper kWallpapers[] = {
    {"\\Bitmap\\Wallpapers\\First", "\\Corvane\\Facet\\First.jpg", "\\Web\\Wallpaper\\First.jpg"},
    {"\\Bitmap\\Wallpapers\\Second", "\\Corvane\\Facet\\Second.jpg", "\\Web\\Wallpaper\\Second.jpg"},
    {"\\Bitmap\\Wallpapers\\Third", "\\Corvane\\Facet\\Third.jpg", "\\Web\\Wallpaper\\Third.jpg"},
};

// One copy with its pair of log lines. A path that does not fit its 259 characters is
// not copied at all (a cut path could name another file): it fails like a copy, with the
// path shown as far as it fits.
bool CopyOne(bool bPathsFit, const char* szSourcePath, const char* szDestPath) {
    if (!bPathsFit || !CopyFileA(szSourcePath, szDestPath, FALSE)) {
        WriteLog("\nERROR >> Copy Wallpaper failed: \nfrom -->", szSourcePath);
        WriteLog("to -->", szDestPath);
        return false;
    }
    WriteLog("\nINFO >>  Copy Wallpaper succeeded: \nfrom -->", szSourcePath);
    WriteLog("to -->", szDestPath);
    return true;
}

}  // namespace

void DecideWallpapers(WallpaperPlan* p) {
    DecideWallpapers(g_run.szExeDir, g_run.szImageFolder, g_run.szOSLangString, g_run.bWideScreen != 0, p);
}

void DecideWallpapers(const char* szExeDir, const char* szImageFolder, const char* szOSLangString, bool bWideScreen,
                      WallpaperPlan* p) {
    memset(p, 0, sizeof(*p));
    p->bProgramFilesFound =
        SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, p->szProgramFilesDir) >= 0;
    p->bWindowsFound = SHGetFolderPathA(nullptr, CSIDL_WINDOWS, nullptr, SHGFP_TYPE_CURRENT, p->szWindowsDir) >= 0;
    CopyText(p->szImageFolder, szImageFolder);
    if (strcmp(szOSLangString, "01") == 0 || strcmp(szOSLangString, "0D") == 0) {
        CopyText(p->szImageFolder, "\\Arabic");
    }
    CopyText(p->szSizeFile, bWideScreen ? "\\1920x1200.jpg" : "\\1024x768.jpg");

    int i = 0;
    for (const Wallpaper& w : kWallpapers) {
        WallpaperPlan::Copy& c = p->copies[i++];
        c.bFits = FormatText(c.szSource, "%s%s%s%s", szExeDir, w.szSourceStem, p->szImageFolder, p->szSizeFile);
        c.bFits = FormatText(c.szTarget, "%s%s", p->szProgramFilesDir, w.szWorkTail) && c.bFits;
    }
    for (const Wallpaper& w : kWallpapers) {
        WallpaperPlan::Copy& c = p->copies[i++];
        c.bFits = FormatText(c.szSource, "%s%s", p->szProgramFilesDir, w.szWorkTail);
        c.bFits = FormatText(c.szTarget, "%s%s", p->szWindowsDir, w.szFinalTail) && c.bFits;
    }
}

void CopyWallPapers() {
    // Static: the plan is some four kilobytes of paths.
    static WallpaperPlan plan;

    WriteLog("INFO >>****  Start Copy WallPaper Vista ****  ", kNewLine);
    DecideWallpapers(&plan);
    if (!plan.bProgramFilesFound) {
        WriteLog("INFO >> fail to get ProgramFilePath --- PRogramFilePath : ", plan.szProgramFilesDir);
    }
    if (!plan.bWindowsFound) {
        WriteLog("INFO >> fail to get Windows Path --- WindowsPath : ", plan.szWindowsDir);
    }
    CopyText(g_run.szImageFolder, plan.szImageFolder);

    for (const WallpaperPlan::Copy& c : plan.copies) {
        if (!CopyOne(c.bFits, c.szSource, c.szTarget)) return;
    }
    WriteLog("INFO >>   End Copy WallPapers", kNewLine);
}
