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

// A Name that would lead the shortcut into another folder ("..\x", "a\b") is no file name.
bool IsPlainFileName(const char* szName) { return strpbrk(szName, "\\/") == nullptr; }

}  // namespace

void DecideFavoritesPlan(FavoritesPlan* p, bool bCheckCuts) {
    memset(p, 0, sizeof(*p));
    ReadIniValueChecked("Favorites", p->szFavoritesList, bCheckCuts ? &p->bListCut : nullptr);
    if (p->szFavoritesList[0] == '\0') return;
    p->nFolder = ReadFavoritesFolder(p->szFavoritesDir);
    p->bWriteShortcuts = p->nFolder == kFavoritesFolderFound;
    p->nFirstIndex = 1;
    GetFavoriteCount(&p->nFirstIndex);
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
    f->bNameCut = false;
    f->bPathCut = false;
    f->szShortcutFile[0] = '\0';
    ReadProfileText(pszName, "Name", "ERROR", f->szLinkName, sizeof(f->szLinkName), g_run.szIniPath,
                    bCheckCuts ? &f->bNameCut : nullptr);
    ReadProfileText(pszName, "Path", "ERROR", f->szLinkPath, sizeof(f->szLinkPath), g_run.szIniPath,
                    bCheckCuts ? &f->bPathCut : nullptr);
    f->bNameMissing = lstrcmpiA(f->szLinkName, "ERROR") == 0;
    f->bPathMissing = lstrcmpiA(f->szLinkPath, "ERROR") == 0;
    f->bSkipped = f->bNameMissing || f->bPathMissing;
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
        if (link.bSkipped) continue;

        switch (link.nShortcut) {
            case kShortcutBadName:
                WriteLog("ERROR >> Favorite name is not a file name. No shortcut file for: ", link.szLinkName);
                break;
            case kShortcutTooLong:
                WriteLog("ERROR >> Shortcut path is too long. No shortcut file for: ", link.szLinkName);
                break;
            case kShortcutMade:
                WriteLog("INFO >>   Create URL for current user --->", link.szShortcutFile);
                WritePrivateProfileStringA("InternetShortcut", "URL", link.szLinkPath, link.szShortcutFile);
                break;
            default:
                break;
        }

        // Room for a 259-character Name and ".URL": the title is never cut.
        char szTitle[264];
        char szKey[20];
        FormatText(szTitle, "%s.URL", link.szLinkName);
        FormatText(szKey, "Title%d", static_cast<int>(nFavoriteIndex));
        WritePrivateProfileStringA("FavoritesEx", szKey, szTitle, g_run.szSignupPath);
        FormatText(szKey, "URL%d", static_cast<int>(nFavoriteIndex));
        WritePrivateProfileStringA("FavoritesEx", szKey, link.szLinkPath, g_run.szSignupPath);
        if (nFavoriteIndex < INT32_MAX) ++nFavoriteIndex;
    }
    WriteLog("INFO >>End InstallFavorites", kNewLine);
}
