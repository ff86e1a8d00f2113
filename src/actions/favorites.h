// The maker's browser favorites: an Internet Shortcut file in the current user's
// Favorites folder and a numbered Title/URL pair in the sign-up file for each link.
#pragma once

#include <cstdint>

// The current user's Favorites folder, as the registry gives it.
enum FavoritesFolder {
    kFavoritesFolderFound,
    kFavoritesFolderEmpty,
    kFavoritesFolderUnreadable,
    kFavoritesFolderTooLong
};

// What InstallFavorites will do before its first link: the list from the chosen section,
// the folder for the shortcut files and the sign-up number of the first link. When the
// list is empty nothing else is read and the other fields stay zero.
struct FavoritesPlan {
    char szFavoritesList[260];
    bool bListCut;             // the list was longer than its 259 characters
    int nFolder;               // FavoritesFolder
    char szFavoritesDir[260];  // with a trailing backslash, when found
    bool bWriteShortcuts;      // shortcut files are made (the folder was found and fits)
    int32_t nFirstIndex;       // "Title" number of the first link in the sign-up file
};

// What happens to one link of the list (a piece between commas).
enum FavoriteShortcut {
    kShortcutMade,      // the shortcut file szShortcutFile is written
    kShortcutNoFolder,  // no Favorites folder: sign-up entries only
    kShortcutBadName,   // the Name is no file name: logged, no shortcut
    kShortcutTooLong,   // folder + Name + ".URL" does not fit: logged, no shortcut
};

struct FavoriteLink {
    // Name or Path missing (or "ERROR" in any case): the link is skipped whole, without
    // a log line, a shortcut or a sign-up entry, and takes no number. A Path longer than
    // its field (bPathCut) skips the link too, with an error line.
    bool bSkipped;
    bool bNameMissing;
    bool bPathMissing;
    char szLinkName[260];
    bool bNameCut;
    char szLinkPath[260];
    bool bPathCut;
    int nShortcut;  // FavoriteShortcut, when not skipped
    char szShortcutFile[260];
};

// The plan for the chosen section (szSection, szIniPath and szSignupPath of RunState).
// bCheckCuts: also say whether a buffer cut the list (one more read when it filled it).
void DecideFavoritesPlan(FavoritesPlan* pPlan, bool bCheckCuts);
// The same for the branding file, section and sign-up file the caller names.
void DecideFavoritesPlan(const char* szIniPath, const char* szSection, const char* szSignupPath, FavoritesPlan* pPlan,
                         bool bCheckCuts);

// The next piece of a Favorites list, split at commas exactly as strtok splits it
// (empty pieces vanish, blanks stay); null at the end. *ppszCursor starts at the list,
// which is cut up in place.
char* NextFavoritePiece(char** ppszCursor);

// What happens to the link section pszLinkSection; reads the branding file only.
void DecideFavoriteLink(const char* pszLinkSection, const FavoritesPlan& plan, bool bCheckCuts, FavoriteLink* pLink);
// The same in the branding file the caller names.
void DecideFavoriteLink(const char* szIniPath, const char* pszLinkSection, const FavoritesPlan& plan, bool bCheckCuts,
                        FavoriteLink* pLink);

// True when Windows can create a file of this name with ".URL" appended: no path
// separator (which would lead the shortcut into another folder), none of < > : " | ? *
// and no control byte, and not a device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to
// LPT9, with or without an extension, any case).
bool IsPlainFileName(const char* szName);

void InstallFavorites();
