// The language codes of the run: the user's identifier (logged), the system UI
// language as four hex digits, and its primary language as two hex digits.
#pragma once

#include "platform/win32.h"

// The three texts made from the two language identifiers, as wide as their RunState fields.
struct LanguageCodes {
    char szUserLangID[8];    // user default language, lower-case hex without leading zeros
    char szOSLangID[8];      // system UI language, four upper-case hex digits
    char szOSLangString[4];  // its primary language, two upper-case hex digits, or "UN"
};

// Makes the three texts from the two identifiers; reads and writes nothing else.
void DecideLanguageCodes(LANGID userLang, LANGID uiLang, LanguageCodes* pCodes);

// The primary language (low 10 bits) of langId as two upper-case hex digits, or "UN"
// when it needs three.
void FormatOSLangString(LANGID langId, char (&szOSLangString)[4]);

// Writes szUserLangID, szOSLangID and szOSLangString.
void ResolveLanguageCodes();

// Writes szOSLangString from langId (FormatOSLangString).
void GetOSLangString(LANGID langId);
