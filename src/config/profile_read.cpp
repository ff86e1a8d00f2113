#include "config/profile_read.h"

namespace {

// Wider than any buffer the engine reads into; a value that fills this one is cut at
// every width the engine uses.
char s_wide[4096];

}  // namespace

DWORD ReadProfileText(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpBuffer, DWORD nSize,
                      LPCSTR lpFileName, bool* pbCut) {
    DWORD n = GetPrivateProfileStringA(lpAppName, lpKeyName, lpDefault, lpBuffer, nSize, lpFileName);
    if (pbCut == nullptr) return n;
    *pbCut = false;
    // A value of exactly size - 1 characters and a cut one look alike from this call.
    if (nSize > 1 && n == nSize - 1 && nSize < sizeof(s_wide)) {
        DWORD whole = GetPrivateProfileStringA(lpAppName, lpKeyName, lpDefault, s_wide, sizeof(s_wide), lpFileName);
        *pbCut = whole > n;
    }
    return n;
}
