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

void CopyWallPapers() {
    char szProgramFilesDir[260] = "";
    char szWindowsDir[260] = "";
    char szSizeFile[50] = "";
    char szSourcePath[260] = "";
    char szDestPath[260] = "";

    WriteLog("INFO >>****  Start Copy WallPaper Vista ****  ", kNewLine);
    if (SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, szProgramFilesDir) < 0) {
        WriteLog("INFO >> fail to get ProgramFilePath --- PRogramFilePath : ", szProgramFilesDir);
    }
    if (SHGetFolderPathA(nullptr, CSIDL_WINDOWS, nullptr, SHGFP_TYPE_CURRENT, szWindowsDir) < 0) {
        WriteLog("INFO >> fail to get Windows Path --- WindowsPath : ", szWindowsDir);
    }
    if (strcmp(g_run.szOSLangString, "01") == 0 || strcmp(g_run.szOSLangString, "0D") == 0) {
        CopyText(g_run.szImageFolder, "\\Arabic");
    }
    CopyText(szSizeFile, g_run.bWideScreen ? "\\1920x1200.jpg" : "\\1024x768.jpg");

    for (const Wallpaper& w : kWallpapers) {
        bool bFit = FormatText(szSourcePath, "%s%s%s%s", g_run.szExeDir, w.szSourceStem, g_run.szImageFolder,
                               szSizeFile);
        bFit = FormatText(szDestPath, "%s%s", szProgramFilesDir, w.szWorkTail) && bFit;
        if (!CopyOne(bFit, szSourcePath, szDestPath)) return;
    }
    for (const Wallpaper& w : kWallpapers) {
        bool bFit = FormatText(szSourcePath, "%s%s", szProgramFilesDir, w.szWorkTail);
        bFit = FormatText(szDestPath, "%s%s", szWindowsDir, w.szFinalTail) && bFit;
        if (!CopyOne(bFit, szSourcePath, szDestPath)) return;
    }
    WriteLog("INFO >>   End Copy WallPapers", kNewLine);
}
