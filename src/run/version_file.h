// The version file FacetVer.exe beside the executable: its file version is the engine's
// version stamp, and it is copied into the work folder, where it stays after the run.
#pragma once

#include "platform/win32.h"

// Copies FacetVer.exe into the work folder and logs the outcome with the system's text.
void CopyVersionFile();

// Writes szVersion ("a.b.c.d") from FacetVer.exe's fixed file information.
void GetVersionStamp();

// Writes szLastError: the system's text for dwError on one line (CR and LF as spaces).
void FormatLastError(DWORD dwError);

// Logs the failure of a write: szMessage and szWhat (what was not written), then
// "  Error is: " and the system's text for dwError, the form of the version file's error.
void LogWriteFailure(const char* szMessage, const char* szWhat, DWORD dwError);

// The part of FormatLastError after the system call: CR and LF become spaces, and a text
// longer than the field keeps its first 511 characters.
void StoreLastErrorText(const char* szText);
