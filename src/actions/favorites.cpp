#include "actions/favorites.h"

#include <cstdint>
#include <cstring>

#include "actions/signup.h"
#include "base/bounded.h"
#include "config/profile_read.h"
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

// The current user's Favorites folder from the registry, with a trailing backslash.
FavoritesFolder ReadFavoritesFolder(char (&szFavoritesDir)[260]) {
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_READ, &hKey) != ERROR_SUCCESS) {
        return kFavoritesFolderUnreadable;
    }
    char szValue[260];
    memset(szValue, 0, sizeof(szValue));
    DWORD dwType = 0;
    DWORD cbValue = sizeof(szValue);
    LONG result = RegQueryValueExA(hKey, "Favorites", nullptr, &dwType, reinterpret_cast<BYTE*>(szValue), &cbValue);
    RegCloseKey(hKey);
    // A value that fills the whole buffer without a terminator does not fit either.
    if (result != ERROR_SUCCESS || szValue[sizeof(szValue) - 1] != '\0') return kFavoritesFolderUnreadable;

    if (szValue[0] == '\0') return kFavoritesFolderEmpty;
    // Anything but a full path (a binary or number value read as text, a relative folder)
    // would put the shortcuts wherever the current folder happens to be.
    if (!IsFullPath(szValue)) return kFavoritesFolderUnreadable;
    CopyText(szFavoritesDir, szValue);
    size_t len = strlen(szFavoritesDir);
    if (szFavoritesDir[len - 1] != '\\' && !AppendText(szFavoritesDir, "\\")) return kFavoritesFolderTooLong;
    return kFavoritesFolderFound;
}

}  // namespace

bool IsPlainFileName(const char* szName) {
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

void DecideFavoritesPlan(FavoritesPlan* p, bool bCheckCuts) {
    DecideFavoritesPlan(g_run.szIniPath, g_run.szSection, g_run.szSignupPath, p, bCheckCuts);
}

void DecideFavoritesPlan(const char* szIniPath, const char* szSection, const char* szSignupPath, FavoritesPlan* p,
                         bool bCheckCuts) {
    memset(p, 0, sizeof(*p));
    ReadIniValueChecked(szIniPath, szSection, "Favorites", p->szFavoritesList, bCheckCuts ? &p->bListCut : nullptr);
    if (p->szFavoritesList[0] == '\0') return;
    p->nFolder = ReadFavoritesFolder(p->szFavoritesDir);
    p->bWriteShortcuts = p->nFolder == kFavoritesFolderFound;
    p->nFirstIndex = 1;
    GetFavoriteCount(szSignupPath, &p->nFirstIndex);
}

char* NextFavoritePiece(char** ppszCursor) {
    char* p = *ppszCursor;
    while (*p == ',') ++p;
    if (*p == '\0') {
        *ppszCursor = p;
        return nullptr;
    }
    char* end = strchr(p, ',');
    if (end == nullptr) {
        *ppszCursor = p + strlen(p);
    } else {
        *end = '\0';
        *ppszCursor = end + 1;
    }
    return p;
}

void DecideFavoriteLink(const char* pszName, const FavoritesPlan& plan, bool bCheckCuts, FavoriteLink* f) {
    DecideFavoriteLink(g_run.szIniPath, pszName, plan, bCheckCuts, f);
}

void DecideFavoriteLink(const char* szIniPath, const char* pszName, const FavoritesPlan& plan, bool bCheckCuts,
                        FavoriteLink* f) {
    f->bNameCut = false;
    f->bPathCut = false;
    f->szShortcutFile[0] = '\0';
    ReadProfileText(pszName, "Name", "ERROR", f->szLinkName, sizeof(f->szLinkName), szIniPath,
                    bCheckCuts ? &f->bNameCut : nullptr);
    // The Path is always checked: a cut address is never installed.
    ReadProfileText(pszName, "Path", "ERROR", f->szLinkPath, sizeof(f->szLinkPath), szIniPath, &f->bPathCut);
    f->bNameMissing = lstrcmpiA(f->szLinkName, "ERROR") == 0;
    f->bPathMissing = lstrcmpiA(f->szLinkPath, "ERROR") == 0;
    f->bSkipped = f->bNameMissing || f->bPathMissing || f->bPathCut;
    f->nShortcut = kShortcutNoFolder;
    if (f->bSkipped || !plan.bWriteShortcuts) return;
    if (!IsPlainFileName(f->szLinkName)) {
        f->nShortcut = kShortcutBadName;
    } else if (!FormatText(f->szShortcutFile, "%s%s.URL", plan.szFavoritesDir, f->szLinkName)) {
        f->nShortcut = kShortcutTooLong;
    } else {
        f->nShortcut = kShortcutMade;
    }
}

void InstallFavorites() {
    FavoritesPlan plan;

    WriteLog("INFO >>****  Start InstallFavorites ****  ", kNewLine);
    DecideFavoritesPlan(&plan, false);
    if (plan.szFavoritesList[0] == '\0') {
        WriteLog("INFO >>   There is no favorite to install.", kNewLine);
        WriteLog("INFO >>   End InstallFavorites.", kNewLine);
        return;
    }
    WriteLog("INFO >>   Links that need to be installed are -->", plan.szFavoritesList);

    switch (plan.nFolder) {
        case kFavoritesFolderFound:
        case kFavoritesFolderEmpty:
            WriteLog("INFO >>   Current User Favorities Path is -->", plan.szFavoritesDir);
            break;
        case kFavoritesFolderTooLong:
            WriteLog("INFO >>   Current User Favorities Path is -->", plan.szFavoritesDir);
            WriteLog("ERROR >> Favorites folder path is too long. No shortcut files are created.", kNewLine);
            break;
        default:
            // Without the folder a shortcut would land wherever a bare file name leads
            // (the Windows folder); the sign-up entries are still made.
            WriteLog("ERROR >> Favorites folder not found in the registry. No shortcut files are created.",
                     kNewLine);
            break;
    }

    int32_t nFavoriteIndex = plan.nFirstIndex;
    char* pszCursor = plan.szFavoritesList;
    for (char* pszName = NextFavoritePiece(&pszCursor); pszName != nullptr; pszName = NextFavoritePiece(&pszCursor)) {
        FavoriteLink link;
        DecideFavoriteLink(pszName, plan, false, &link);
        if (link.bNameMissing || link.bPathMissing) continue;
        if (link.bPathCut) {
            WriteLog(kLinkPathTooLong, pszName);
            continue;
        }

        switch (link.nShortcut) {
            case kShortcutBadName:
                WriteLog("ERROR >> Favorite name is not a file name. No shortcut file for: ", link.szLinkName);
                break;
            case kShortcutTooLong:
                WriteLog("ERROR >> Shortcut path is too long. No shortcut file for: ", link.szLinkName);
                break;
            case kShortcutMade:
                WriteLog("INFO >>   Create URL for current user --->", link.szShortcutFile);
                if (!WritePrivateProfileStringA("InternetShortcut", "URL", link.szLinkPath, link.szShortcutFile)) {
                    LogWriteFailure("ERROR >> Create URL failed --->", link.szShortcutFile, GetLastError());
                }
                break;
            default:
                break;
        }

        // Room for a 259-character Name and ".URL": the title is never cut.
        char szTitle[264];
        char szKey[20];
        FormatText(szTitle, "%s.URL", link.szLinkName);
        FormatText(szKey, "Title%d", static_cast<int>(nFavoriteIndex));
        WriteSignupEntry("FavoritesEx", szKey, szTitle);
        FormatText(szKey, "URL%d", static_cast<int>(nFavoriteIndex));
        WriteSignupEntry("FavoritesEx", szKey, link.szLinkPath);
        if (nFavoriteIndex < INT32_MAX) ++nFavoriteIndex;
    }
    WriteLog("INFO >>End InstallFavorites", kNewLine);
}
