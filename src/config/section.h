// The branding file: its path beside the executable, the choice of the one branding
// section that fits this machine, and the reads of that section.
#pragma once

#include "platform/win32.h"

// Language codes, executable folder and Facet.INI path, dash region, section
// candidates, section choice and the sign-up file path, in that order.
void ResolveLocaleAndSection();

// Probes the candidates for a "Home" key and writes szSection (or "DEFAULT_SECTION").
void FindIniSection();

// Reads one key of the chosen section, empty when missing; returns the count delivered.
DWORD ReadIniValue(const char* szKey, char (&szValue)[260]);

// Reads key "Path" of a link section of Facet.INI into szLinkPath, default "ERROR".
// False when the value is longer than the field: the reader cut it, and a cut address
// must not be installed anywhere. A value that fills the field is read once more into a
// larger buffer to tell "exactly 259 characters" from "cut to 259".
bool ReadLinkPath(const char* szLinkSection, char (&szLinkPath)[260]);

// The error line for a link whose Path was cut, logged with the link section's name.
extern const char kLinkPathTooLong[];
