#include "identify/language.h"

#include "base/bounded.h"
#include "run/run_state.h"

void ResolveLanguageCodes() {
    LANGID userLang = GetUserDefaultLangID();
    FormatText(g_run.szUserLangID, "%x", static_cast<unsigned>(userLang));

    LANGID uiLang = GetSystemDefaultUILanguage();
    FormatText(g_run.szOSLangID, "%04X", static_cast<unsigned>(uiLang));

    GetOSLangString(uiLang);
}

void GetOSLangString(LANGID langId) {
    unsigned primary = langId & 0x3FFu;
    if (primary >= 0x100u) {
        CopyText(g_run.szOSLangString, "UN");
    } else {
        FormatText(g_run.szOSLangString, "%02X", primary);
    }
}
