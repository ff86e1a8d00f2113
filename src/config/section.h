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
