// The one record through which the steps of a run talk to each other. Identification
// and the section choice fill it; the branding actions, the version file and the log
// read it. Every text is a fixed, NUL-terminated 8-bit buffer; the widths include the
// terminator and are limits that every writer keeps.
#pragma once

#include <cstdint>

#include "platform/win32.h"

struct RunState {
    char szDashRegion[4];
    char szLogPath[260];
    char szOSLangString[4];
    char szLastError[512];
    char szModelName[260];
    char szBrand[12];
    char szSubBrand[12];
    char szImageFolder[20];
    char szOSLangID[8];
    int32_t bWideScreen;
    char szIniPath[260];
    char szExeDir[260];
    char szSecRegionAnyLang[20];
    char szSecRegionLangID[32];
    char szSection[20];
    char szSignupPath[260];
    char szWorkDir[260];
    char szUserLangID[8];
    char szSecAnyRegionLang[20];
    char szSecRegionLang[32];
    char szVersion[52];
};

extern RunState g_run;

// The second text of a lone log line, and the empty default of INI reads.
extern const char kNewLine[];
extern const char kEmpty[];

// Puts every field back to its start-of-run value. A process runs once, but the host
// tools and tests run the engine many times in one process.
void ResetRunState();
