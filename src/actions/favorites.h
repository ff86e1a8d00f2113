// The maker's browser favorites: an Internet Shortcut file in the current user's
// Favorites folder and a numbered Title/URL pair in the sign-up file for each link.
#pragma once

#include "platform/win32.h"

// The list is read with ReadIniValue (kIniValueRoom) and cut into link-section names at
// every separator; empty pieces are skipped, the rest used unchanged.
constexpr char kFavoritesSeparators[] = ",";
// Each link's Name and Path are read into fields of this room.
constexpr DWORD kFavoriteLinkRoom = 260;

// False for a Name that would lead the shortcut file into another folder ("..\x", "a/b").
bool IsPlainFileName(const char* szName);

void InstallFavorites();
