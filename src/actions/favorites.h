// The maker's browser favorites: an Internet Shortcut file in the current user's
// Favorites folder and a numbered Title/URL pair in the sign-up file for each link.
#pragma once

void InstallFavorites();
