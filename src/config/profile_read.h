// One profile-string read that also says whether the caller's buffer cut the value, so
// that the tools can warn about values the engine only sees in part.
#pragma once

#include "platform/win32.h"

// GetPrivateProfileStringA exactly as the engine calls it (same buffer, same result);
// *pbCut tells whether the value was longer than size - 1 characters. The value is read
// a second time, into a larger buffer, only when it filled the caller's buffer; with
// pbCut null it is read once, as the engine's own steps read it.
DWORD ReadProfileText(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpBuffer, DWORD nSize,
                      LPCSTR lpFileName, bool* pbCut);
