// What the stand-ins ask of the current machine image (image.h): its machine.ini, where a
// Windows path lies in it, its faults. Only the host layer, the tools and the tests
// include this; the engine sees the Win32 names alone.
#pragma once

#include <string>

#include "platform/host/image.h"

namespace host {

// The process's own image, opened from `dir` and current from now on (until
// CloseMachine, or while an ImageScope sets another). For facet-sim run and the tests
// that run the engine on one image; on failure *error says why and no image is open.
bool OpenMachine(const std::string& dir, std::string* error);
void CloseMachine();
bool MachineIsOpen();

// The current image's machine.ini: false when the key (or the section) is absent, or
// when there is no image.
bool MachineValue(const char* section, const char* key, std::string* value);
bool MachineHasSection(const char* section);
// The number N of the first [AdapterN] whose DeviceName is `deviceName` (without regard
// to case); -1 when there is none.
long MachineAdapterByName(const char* deviceName);

// Where a Windows path lies in the current image (Image::MapPath); without an image
// there is no C: drive, and nothing may reach the host's own files (error 3).
DWORD MapPath(const char* winPath, MappedPath* out);
bool IsReadOnly(const MappedPath& path);
bool IsRegistryKeyReadOnly(const std::string& keyPath);

// How many times the image's ZMINT.DLL is loaded and not yet freed.
int ZmintLoadCount();

DWORD ErrorFromErrno(int err);

}  // namespace host
