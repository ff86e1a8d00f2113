#include "identify/language.h"

#include "base/bounded.h"
#include "run/run_state.h"

void ResolveLanguageCodes() {
    LANGID userLang = GetUserDefaultLangID();
    FormatText(g_run.szUserLangID, "%x", static_cast<unsigned>(userLang));

    LANGID uiLang = GetSystemDefaultUILanguage();
    FormatOSLangID(uiLang, g_run.szOSLangID);

    GetOSLangString(uiLang);
}

void FormatOSLangID(LANGID langId, char (&szOut)[8]) { FormatText(szOut, "%04X", static_cast<unsigned>(langId)); }

void FormatOSLangString(LANGID langId, char (&szOut)[4]) {
    unsigned primary = langId & 0x3FFu;
    if (primary >= 0x100u) {
        CopyText(szOut, "UN");
    } else {
        FormatText(szOut, "%02X", primary);
    }
}

void GetOSLangString(LANGID langId) { FormatOSLangString(langId, g_run.szOSLangString); }
