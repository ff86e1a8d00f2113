// The binding of the maker's machine-information library ZMINT.DLL: loading it by name
// (so Windows looks beside the executable first), its three entry points, and calls that
// keep the library's promised limits whatever it writes. LoadMachineInfo runs the engine's
// identification through it; FacetCapture asks it what a real machine's library offers.
#pragma once

#include "platform/win32.h"

typedef void(WINAPIV* ZmiGetTextFn)(char*);
typedef unsigned char(WINAPIV* ZmiGetOSVersionFn)();

struct ZmintBinding {
    HMODULE hLib;
    ZmiGetTextFn getModelName;       // null when the library lacks the export
    ZmiGetOSVersionFn getOSVersion;  // null when the library lacks the export
    ZmiGetTextFn getMachineId;       // null when the library lacks the export
};

// Loads "ZMINT.DLL" and looks up zmiGetModelName, zmiGetOSVersion and zmiGetMachineId,
// in that order. False, with every member null, when the library cannot be loaded; an
// export that is missing leaves its member null and the library loaded.
bool OpenZmint(ZmintBinding* pBinding);

// True when the library is loaded and has all three exports.
bool ZmintComplete(const ZmintBinding& binding);

// Calls zmiGetMachineId / zmiGetModelName with ample room and keeps the first 19 / 259
// characters, so a library that writes too much cannot reach past our fields. The
// export must be there.
void ZmintMachineId(const ZmintBinding& binding, char (&szMachineId)[20]);
void ZmintModelName(const ZmintBinding& binding, char (&szModelName)[260]);
unsigned char ZmintOSVersion(const ZmintBinding& binding);

// Releases the library (when loaded) and clears the binding.
void CloseZmint(ZmintBinding* pBinding);
