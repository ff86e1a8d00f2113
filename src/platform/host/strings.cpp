// lstrcmpA and lstrcmpiA for the texts the engine compares (ASCII switches and codes),
// StrChrA and StrTrimA.
#include <cstring>

#include "platform/win32.h"

namespace {
int Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

int Compare(LPCSTR a, LPCSTR b, bool ignoreCase) {
    if (!a) a = "";
    if (!b) b = "";
    for (;; ++a, ++b) {
        int ca = static_cast<unsigned char>(*a);
        int cb = static_cast<unsigned char>(*b);
        if (ignoreCase) {
            ca = Fold(static_cast<unsigned char>(ca));
            cb = Fold(static_cast<unsigned char>(cb));
        }
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
}
}  // namespace

int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) { return Compare(lpString1, lpString2, false); }

int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) { return Compare(lpString1, lpString2, true); }

LPSTR WINAPI StrChrA(LPCSTR lpStart, WORD wMatch) {
    if (lpStart == nullptr) return nullptr;
    for (const char* p = lpStart; *p; ++p) {
        if (static_cast<unsigned char>(*p) == wMatch) return const_cast<LPSTR>(p);
    }
    return nullptr;
}

// Removes every leading and trailing character that is in pszTrimChars; TRUE when any was.
BOOL WINAPI StrTrimA(LPSTR psz, LPCSTR pszTrimChars) {
    if (psz == nullptr || pszTrimChars == nullptr) return FALSE;
    size_t len = strlen(psz);
    size_t start = 0;
    while (start < len && strchr(pszTrimChars, psz[start])) ++start;
    size_t end = len;
    while (end > start && strchr(pszTrimChars, psz[end - 1])) --end;
    if (start == 0 && end == len) return FALSE;
    memmove(psz, psz + start, end - start);
    psz[end - start] = '\0';
    return TRUE;
}
