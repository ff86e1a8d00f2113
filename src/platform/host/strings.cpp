// lstrcmpA and lstrcmpiA for the texts the engine compares (ASCII switches and codes).
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
