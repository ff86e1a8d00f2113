// The maker's browser favorites: an Internet Shortcut file in the current user's
// Favorites folder and a numbered Title/URL pair in the sign-up file for each link.
#pragma once

void InstallFavorites();

// True when Windows can create a file of this name with ".URL" appended: no path
// separator, none of < > : " | ? * and no control byte, and not a device name (CON,
// PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, with or without an extension, any case).
bool IsShortcutFileName(const char* szName);
