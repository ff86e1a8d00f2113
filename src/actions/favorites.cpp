#include "actions/favorites.h"

#include <cstdint>
#include <cstring>

#include "actions/signup.h"
#include "base/bounded.h"
#include "config/section.h"
#include "platform/win32.h"
#include "run/log.h"
#include "run/run_state.h"
#include "run/version_file.h"

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool IsFullPath(const char* s) {
    bool drive = ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z')) && s[1] == ':' && s[2] == '\\';
    return drive || (s[0] == '\\' && s[1] == '\\');
}

enum class FolderLookup { Found, Empty, Unreadable, TooLong };

// The current user's Favorites folder from the registry, with a trailing backslash.
FolderLookup ReadFavoritesFolder(char (&szFavoritesDir)[260]) {
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_READ, &hKey) != ERROR_SUCCESS) {
        return FolderLookup::Unreadable;
    }
    char szValue[260];
    memset(szValue, 0, sizeof(szValue));
    DWORD dwType = 0;
    DWORD cbValue = sizeof(szValue);
    LONG result = RegQueryValueExA(hKey, "Favorites", nullptr, &dwType, reinterpret_cast<BYTE*>(szValue), &cbValue);
    RegCloseKey(hKey);
    // A value that fills the whole buffer without a terminator does not fit either.
    if (result != ERROR_SUCCESS || szValue[sizeof(szValue) - 1] != '\0') return FolderLookup::Unreadable;

    if (szValue[0] == '\0') return FolderLookup::Empty;
    // Anything but a full path (a binary or number value read as text, a relative folder)
    // would put the shortcuts wherever the current folder happens to be.
    if (!IsFullPath(szValue)) return FolderLookup::Unreadable;
    CopyText(szFavoritesDir, szValue);
    size_t len = strlen(szFavoritesDir);
    if (szFavoritesDir[len - 1] != '\\' && !AppendText(szFavoritesDir, "\\")) return FolderLookup::TooLong;
    return FolderLookup::Found;
}

}  // namespace

bool IsShortcutFileName(const char* szName) {
    // A separator would lead the shortcut into another folder ("..\x", "a\b"); the other
    // characters and the control bytes are refused by Windows in any file name.
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(szName); *p; ++p) {
        if (*p < 32 || strchr("\\/<>:\"|?*", *p) != nullptr) return false;
    }
    // The device names stay devices whatever extension follows them ("nul.txt", and the
    // ".URL" that every shortcut gets), in any case and with spaces before the dot.
    size_t nBase = strcspn(szName, ".");
    while (nBase > 0 && szName[nBase - 1] == ' ') --nBase;
    char szBase[5] = "";
    if (nBase < 3 || nBase > 4) return true;
    for (size_t i = 0; i < nBase; ++i) {
        char c = szName[i];
        szBase[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    szBase[nBase] = '\0';
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* szDevice : kDevices) {
        if (strcmp(szBase, szDevice) == 0) return false;
    }
    bool bPort = nBase == 4 && (strncmp(szBase, "COM", 3) == 0 || strncmp(szBase, "LPT", 3) == 0);
    return !(bPort && szBase[3] >= '1' && szBase[3] <= '9');
}

void InstallFavorites() {
    char szFavoritesList[260] = "";
    char szFavoritesDir[260] = "";
    bool bWriteShortcuts = true;
    int32_t nFavoriteIndex = 1;

    WriteLog("INFO >>****  Start InstallFavorites ****  ", kNewLine);
    ReadIniValue("Favorites", szFavoritesList);
    if (szFavoritesList[0] == '\0') {
        WriteLog("INFO >>   There is no favorite to install.", kNewLine);
        WriteLog("INFO >>   End InstallFavorites.", kNewLine);
        return;
    }
    WriteLog("INFO >>   Links that need to be installed are -->", szFavoritesList);

    switch (ReadFavoritesFolder(szFavoritesDir)) {
        case FolderLookup::Found:
            WriteLog("INFO >>   Current User Favorities Path is -->", szFavoritesDir);
            break;
        case FolderLookup::Empty:
            bWriteShortcuts = false;
            WriteLog("INFO >>   Current User Favorities Path is -->", szFavoritesDir);
            break;
        case FolderLookup::TooLong:
            bWriteShortcuts = false;
            WriteLog("INFO >>   Current User Favorities Path is -->", szFavoritesDir);
            WriteLog("ERROR >> Favorites folder path is too long. No shortcut files are created.", kNewLine);
            break;
        case FolderLookup::Unreadable:
            // Without the folder a shortcut would land wherever a bare file name leads
            // (the Windows folder); the sign-up entries are still made.
            bWriteShortcuts = false;
            WriteLog("ERROR >> Favorites folder not found in the registry. No shortcut files are created.",
                     kNewLine);
            break;
    }

    char* pszName = strtok(szFavoritesList, ",");
    GetFavoriteCount(&nFavoriteIndex);
    for (; pszName != nullptr; pszName = strtok(nullptr, ",")) {
        char szLinkName[260];
        char szLinkPath[260];
        GetPrivateProfileStringA(pszName, "Name", "ERROR", szLinkName, sizeof(szLinkName), g_run.szIniPath);
        bool bWholePath = ReadLinkPath(pszName, szLinkPath);
        if (lstrcmpiA(szLinkName, "ERROR") == 0 || lstrcmpiA(szLinkPath, "ERROR") == 0) continue;
        if (!bWholePath) {
            WriteLog(kLinkPathTooLong, pszName);
            continue;
        }

        if (bWriteShortcuts) {
            char szShortcutFile[260];
            if (!IsShortcutFileName(szLinkName)) {
                WriteLog("ERROR >> Favorite name is not a file name. No shortcut file for: ", szLinkName);
            } else if (!FormatText(szShortcutFile, "%s%s.URL", szFavoritesDir, szLinkName)) {
                WriteLog("ERROR >> Shortcut path is too long. No shortcut file for: ", szLinkName);
            } else {
                WriteLog("INFO >>   Create URL for current user --->", szShortcutFile);
                if (!WritePrivateProfileStringA("InternetShortcut", "URL", szLinkPath, szShortcutFile)) {
                    LogWriteFailure("ERROR >> Create URL failed --->", szShortcutFile, GetLastError());
                }
            }
        }

        // Room for a 259-character Name and ".URL": the title is never cut.
        char szTitle[264];
        char szKey[20];
        FormatText(szTitle, "%s.URL", szLinkName);
        FormatText(szKey, "Title%d", static_cast<int>(nFavoriteIndex));
        WriteSignupEntry("FavoritesEx", szKey, szTitle);
        FormatText(szKey, "URL%d", static_cast<int>(nFavoriteIndex));
        WriteSignupEntry("FavoritesEx", szKey, szLinkPath);
        if (nFavoriteIndex < INT32_MAX) ++nFavoriteIndex;
    }
    WriteLog("INFO >>End InstallFavorites", kNewLine);
}
