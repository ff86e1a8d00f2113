// The machine image that the host stand-ins work on: a folder with machine.ini (what the
// hardware and the system report), registry.reg and drive_c/ (the C: drive). Only the
// host tools and tests include this; the engine sees the Win32 names alone.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/win32.h"

namespace host {

// Opens the image in `dir` for the stand-ins. Reads only; on failure *error says why and
// no image is open.
bool OpenMachine(const std::string& dir, std::string* error);
void CloseMachine();
bool MachineIsOpen();
const std::string& MachineDir();

// A value of machine.ini. False when the key (or the section) is absent; a key that is
// present and empty gives true and an empty value.
bool MachineValue(const char* section, const char* key, std::string* value);
bool MachineHasSection(const char* section);

// The number N of the first [AdapterN] whose DeviceName is `deviceName` (without regard to
// case), counting the adapters from 0 up to the first missing one; -1 when there is none.
long MachineAdapterByName(const char* deviceName);

// Where a Windows path lies in the image. C: maps onto drive_c/ with the case-insensitive
// matching of Windows: each component that exists is taken in the case it has on disk,
// the rest as named. `normalized` is the lower-case form "c:\a\b" used for comparisons.
// Returns 0, or the Windows error the path itself earns (3 for another drive, 123 for an
// invalid name, 206 for a path of 260 characters or more).
struct MappedPath {
    std::string host;
    std::string normalized;
    bool exists = false;
};
DWORD MapPath(const char* winPath, MappedPath* out);

// A byte that Windows refuses in a file or folder name (error 123).
bool InvalidNameChar(unsigned char c);

// True when the image's Faults make this path (or a folder above it) read-only.
bool IsReadOnly(const MappedPath& path);

// True when the image's Faults make this registry key (or a key above it) read-only:
// creating it or setting a value in it fails with access denied. keyPath is the full
// path with its root spelled out.
bool IsRegistryKeyReadOnly(const std::string& keyPath);

// The image's registry (registry.reg, or empty when the image has none), and writing it
// back after a change. Returns 0 or a Windows error code.
}  // namespace host
namespace formats {
struct Registry;
}
namespace host {
formats::Registry& MachineRegistry();
DWORD SaveMachineRegistry();

// How many times the image's ZMINT.DLL is loaded and not yet freed.
int ZmintLoadCount();

// Writes `bytes` as the whole content of the file at hostPath: into a new file beside it,
// then renamed over it, so an interrupted write never loses what was there. Returns 0 or
// a Windows error code; on failure the old file is untouched.
DWORD ReplaceFileContent(const std::string& hostPath, const std::string& bytes);

// The same, with the new content written piece by piece: `produce` hands each piece to
// `put` and returns false (with *error set) when it cannot go on. Memory stays
// independent of the file's size; the new file is synced once before the rename.
using PutBytes = std::function<bool(std::string_view)>;
DWORD ReplaceFileFrom(const std::string& hostPath, const std::function<bool(const PutBytes& put, DWORD* error)>& produce);

// Reads a whole host file; false when it cannot be read.
bool ReadHostFile(const std::string& hostPath, std::string* bytes);

// Small helpers shared by the stand-ins.
bool HostIsDirectory(const std::string& hostPath);
bool HostParentIsDirectory(const std::string& hostPath);
DWORD ErrorFromErrno(int err);

}  // namespace host
