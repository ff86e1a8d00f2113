#include "identify/language.h"

#include "base/bounded.h"
#include "run/run_state.h"

void FormatOSLangString(LANGID langId, char (&szOSLangString)[4]) {
    unsigned primary = langId & 0x3FFu;
    if (primary >= 0x100u) {
        CopyText(szOSLangString, "UN");
    } else {
        FormatText(szOSLangString, "%02X", primary);
    }
}

void DecideLanguageCodes(LANGID userLang, LANGID uiLang, LanguageCodes* c) {
    FormatText(c->szUserLangID, "%x", static_cast<unsigned>(userLang));
    FormatText(c->szOSLangID, "%04X", static_cast<unsigned>(uiLang));
    FormatOSLangString(uiLang, c->szOSLangString);
}

void ResolveLanguageCodes() {
    LANGID userLang = GetUserDefaultLangID();
    LANGID uiLang = GetSystemDefaultUILanguage();
    LanguageCodes c;
    DecideLanguageCodes(userLang, uiLang, &c);
    CopyText(g_run.szUserLangID, c.szUserLangID);
    CopyText(g_run.szOSLangID, c.szOSLangID);
    GetOSLangString(uiLang);
}

void GetOSLangString(LANGID langId) { FormatOSLangString(langId, g_run.szOSLangString); }
