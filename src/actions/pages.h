// The browser's start page and search page, from the chosen branding section, into the
// current user's browser settings and the sign-up file.
#pragma once

#include "platform/win32.h"

// What SetHomePage or SetSearchPage finds for its key ("Home" or "Search") of the chosen
// section: the link section it names and that section's Name (only tested) and Path.
struct PageLink {
    char szLinkSection[260];  // empty: nothing to install, nothing else is read
    bool bSectionCut;
    char szLinkName[50];
    bool bNameCut;
    char szLinkPath[260];
    bool bPathCut;      // always checked: a cut Path is never installed
    bool bNameMissing;  // missing or "ERROR" in any case
    bool bPathMissing;
    bool bUsable;  // both present and the Path whole: the page is set to szLinkPath
};

// Reads the branding file only (szSection and szIniPath of RunState). bCheckCuts: also
// say whether a buffer cut a value (one more read for a value that filled it).
void DecidePageLink(const char* szKey, bool bCheckCuts, PageLink* pLink);
// The same for the branding file and section the caller names.
void DecidePageLink(const char* szIniPath, const char* szSection, const char* szKey, bool bCheckCuts, PageLink* pLink);

void SetHomePage();
void SetSearchPage();

// Creates or opens hRoot\szKeyPath and sets one value. 0, or the registry error code of
// the call that failed.
LONG WriteRegistryValue(HKEY hRoot, const char* szKeyPath, const char* szValueName, DWORD dwType, const void* pData,
                        DWORD cbData);
