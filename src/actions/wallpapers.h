// The three wallpapers of the machine's variant and screen shape: beside the executable,
// copied into the work folder, and from there into the Windows wallpaper folder.
#pragma once

#include <cstdint>

constexpr int kWallpaperCopies = 6;

// The copies CopyWallPapers makes, in order: three from beside the executable into the
// work folder, then three from there into the Windows folder's "\Web\Wallpaper". The run
// stops at the first copy that fails.
struct WallpaperPlan {
    char szProgramFilesDir[260];
    bool bProgramFilesFound;  // false: the folder lookup failed (logged, path empty)
    char szWindowsDir[260];
    bool bWindowsFound;
    char szImageFolder[20];  // the variant folder; "\Arabic" for Arabic and Hebrew
    char szSizeFile[50];     // "\1920x1200.jpg" for a wide screen, else "\1024x768.jpg"
    struct Copy {
        char szSource[260];
        char szTarget[260];
        bool bFits;  // both paths fit their 259 characters; a cut path is never copied
    } copies[kWallpaperCopies];
};

// The plan from szExeDir, szImageFolder, szOSLangString and bWideScreen of RunState and
// the shell folder lookups; writes and logs nothing.
void DecideWallpapers(WallpaperPlan* pPlan);
// The same for the executable folder, variant folder, language text and screen shape
// the caller names.
void DecideWallpapers(const char* szExeDir, const char* szImageFolder, const char* szOSLangString, bool bWideScreen,
                      WallpaperPlan* pPlan);

void CopyWallPapers();
