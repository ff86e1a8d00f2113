// The language codes of the run: the user's identifier (logged), the system UI
// language as four hex digits, and its primary language as two hex digits.
#pragma once

#include "platform/win32.h"

// Writes szUserLangID, szOSLangID and szOSLangString.
void ResolveLanguageCodes();

// The system UI language identifier as four upper-case hex digits, as szOSLangID holds it.
void FormatOSLangID(LANGID langId, char (&szOut)[8]);

// The primary language (low 10 bits) as two upper-case hex digits, or "UN" when it needs
// three, as szOSLangString holds it.
void FormatOSLangString(LANGID langId, char (&szOut)[4]);

// Writes szOSLangString: the primary language (low 10 bits) of langId as two upper-case
// hex digits, or "UN" when it needs three.
void GetOSLangString(LANGID langId);
