// The browser's sign-up file INSTALL.INS: where new favorites continue their numbering.
#pragma once

#include <cstdint>

// The smallest n from 1 for which "Title" n is missing from [FavoritesEx] of the sign-up
// file. A key whose value is exactly "ERROR" counts as missing, any other as present.
void GetFavoriteCount(int32_t* pnCount);
// The same for the sign-up file the caller names.
void GetFavoriteCount(const char* szSignupPath, int32_t* pnCount);

// Writes key=value into a section of the sign-up file; a write that fails is logged
// with the section, the key and the system's reason.
void WriteSignupEntry(const char* szSection, const char* szKey, const char* szValue);
