#include "actions/signup.h"

#include <cstdint>
#include <cstring>

#include "base/bounded.h"
#include "platform/win32.h"
#include "run/run_state.h"
#include "run/version_file.h"

void GetFavoriteCount(int32_t* pnCount) { GetFavoriteCount(g_run.szSignupPath, pnCount); }

void GetFavoriteCount(const char* szSignupPath, int32_t* pnCount) {
    int32_t n = 1;
    for (; n < INT32_MAX; ++n) {
        char szKey[20];
        FormatText(szKey, "Title%d", static_cast<int>(n));
        char szValue[260];
        GetPrivateProfileStringA("FavoritesEx", szKey, "ERROR", szValue, sizeof(szValue), szSignupPath);
        if (strcmp(szValue, "ERROR") == 0) break;
    }
    *pnCount = n;
}

void WriteSignupEntry(const char* szSection, const char* szKey, const char* szValue) {
    if (WritePrivateProfileStringA(szSection, szKey, szValue, g_run.szSignupPath)) return;
    DWORD dwError = GetLastError();
    char szWhat[320];
    FormatText(szWhat, "[%s] %s in %s", szSection, szKey, g_run.szSignupPath);
    LogWriteFailure("ERROR >> Write sign-up entry failed --->", szWhat, dwError);
}
