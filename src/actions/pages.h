// The browser's start page and search page, from the chosen branding section, into the
// current user's browser settings and the sign-up file.
#pragma once

#include "platform/win32.h"

// The start and search pages read their link's Name (only tested) and Path into these.
constexpr DWORD kPageLinkNameRoom = 50;
constexpr DWORD kPageLinkPathRoom = 260;

void SetHomePage();
void SetSearchPage();

// Creates or opens hRoot\szKeyPath and sets one value. 0, or the registry error code of
// the call that failed.
LONG WriteRegistryValue(HKEY hRoot, const char* szKeyPath, const char* szValueName, DWORD dwType, const void* pData,
                        DWORD cbData);
