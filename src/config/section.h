// The branding file: its path beside the executable, the choice of the one branding
// section that fits this machine, and the reads of that section.
#pragma once

#include "platform/win32.h"

// The section every machine without a matching branding section reads; never probed.
constexpr char kDefaultSection[] = "DEFAULT_SECTION";

// The probe reads "Home" into this room; ReadIniValue delivers into a 260-byte field.
constexpr DWORD kHomeProbeRoom = 50;
constexpr DWORD kIniValueRoom = 260;

// The four section-name candidates, most specific first, from the region, the language
// identifier (4 digits), the primary language (2 digits) and the sub-brand; the fifth
// candidate is the sub-brand itself. False when one did not fit (never with the fields
// of RunState, whose values all fit).
bool BuildSectionCandidates(const char* szRegion, const char* szLangID, const char* szLangString,
                            const char* szSubBrand, char (&szRegionLangID)[32], char (&szRegionLang)[32],
                            char (&szAnyRegionLang)[20], char (&szRegionAnyLang)[20]);

// Language codes, executable folder and Facet.INI path, dash region, section
// candidates, section choice and the sign-up file path, in that order.
void ResolveLocaleAndSection();

// Probes the candidates for a "Home" key and writes szSection (or "DEFAULT_SECTION").
void FindIniSection();

// Reads one key of the chosen section, empty when missing; returns the count delivered.
DWORD ReadIniValue(const char* szKey, char (&szValue)[kIniValueRoom]);
