// The branding file: its path beside the executable, the choice of the one branding
// section that fits this machine, and the reads of that section.
#pragma once

#include "platform/win32.h"

// The executable's folder and the branding file beside it. kIniPathExeTooLong leaves
// both empty, kIniPathTooLong leaves szIniPath empty; writes and logs nothing else.
enum {
    kIniPathOk = 0,
    kIniPathExeTooLong = 1,
    kIniPathTooLong = 2
};
int DecideIniPath(char (&szExeDir)[260], char (&szIniPath)[260]);

// The five section names probed, most specific first, each as wide as its RunState field:
// region-language ID-category, region-language-category, *-language-category,
// region-*-category, category.
constexpr int kSectionCandidates = 5;
struct SectionCandidates {
    char szSecRegionLangID[32];
    char szSecRegionLang[32];
    char szSecAnyRegionLang[20];
    char szSecRegionAnyLang[20];
    char szSubBrand[12];
};

// Candidate i (0-4) in probing order.
const char* SectionCandidateName(const SectionCandidates& candidates, int i);

// The names from the region, the two language texts and the category; pure.
void DecideSectionCandidates(const char* pszDashRegion, const char* pszOSLangID, const char* pszOSLangString,
                             const char* pszSubBrand, SectionCandidates* pCandidates);

// The section every machine without a matching candidate reads; never probed.
constexpr char kDefaultSection[] = "DEFAULT_SECTION";
// The probe reads "Home" into this room.
constexpr DWORD kHomeProbeRoom = 50;

// The outcome of the probe: nFound is the 1-based candidate that has a "Home" key, or 0
// for "DEFAULT_SECTION"; candidates after the one found are not probed (nProbed says how
// many were).
struct SectionProbe {
    int nFound;
    int nProbed;
    char szSection[20];
};

// Probes the candidates in order for a "Home" key in szIniPath, exactly as FindIniSection
// does; reads the file, writes and logs nothing.
void ProbeIniSection(const char* szIniPath, const SectionCandidates& candidates, SectionProbe* pProbe);

// Language codes, executable folder and Facet.INI path, dash region, section
// candidates, section choice and the sign-up file path, in that order.
void ResolveLocaleAndSection();

// The browser's sign-up file under Program Files; empty (false) when the folder lookup
// fails or the path does not fit.
bool DecideSignupPath(char (&szSignupPath)[260]);

// Probes the candidates in RunState for a "Home" key and writes szSection (or
// "DEFAULT_SECTION").
void FindIniSection();

// Reads one key of the chosen section, empty when missing; returns the count delivered.
DWORD ReadIniValue(const char* szKey, char (&szValue)[260]);

// The same, also saying whether the 259 characters of the buffer cut the value.
DWORD ReadIniValueChecked(const char* szKey, char (&szValue)[260], bool* pbCut);
// The same for a section of a branding file that the caller names.
DWORD ReadIniValueChecked(const char* szIniPath, const char* szSection, const char* szKey, char (&szValue)[260],
                          bool* pbCut);

// Reads key "Path" of a link section of Facet.INI into szLinkPath, default "ERROR".
// False when the value is longer than the field: the reader cut it, and a cut address
// must not be installed anywhere. A value that fills the field is read once more into a
// larger buffer to tell "exactly 259 characters" from "cut to 259".
bool ReadLinkPath(const char* szLinkSection, char (&szLinkPath)[260]);

// The error line for a link whose Path was cut, logged with the link section's name.
extern const char kLinkPathTooLong[];
