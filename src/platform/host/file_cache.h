// Caches of what the stand-ins read again and again: folder listings for mapping paths,
// and profile files parsed for reading. An entry is checked against the folder's or the
// file's size and modification time (to the nanosecond) whenever it is used, so a change
// made from outside is seen, and dropped at once on every change made through the
// stand-ins, which the clock may be too coarse to show.
#pragma once

#include <string>

#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"

namespace host {

// The entry of folder `dir` whose name equals `name` without regard to case; an exact
// match wins over others that differ only in case. False when there is none.
bool CachedFolderEntry(const std::string& dir, const std::string& name, std::string* actual);

// The profile file at hostPath, read and indexed; null when it cannot be read. Valid until
// the next call into the stand-ins.
formats::ProfileIndex* CachedProfile(const std::string& hostPath);

// The bytes of the file at hostPath changed (or may have).
void ForgetFileContent(const std::string& hostPath);
// An entry was (or may have been) created, renamed or deleted at hostPath: its folder's
// listing and its own content are dropped.
void ForgetFolderEntry(const std::string& hostPath);
// Everything, when an image is opened or closed (which also ends TrustCaches).
void ForgetAllCaches();

// A tool that has an image to itself (a scratch image no other program writes) may say
// so: cached listings and profile files are then used without asking the file system
// whether they changed. Writes through the stand-ins still drop what they change; a
// tool that changes its image from outside calls ForgetFolderEntry for each change.
void TrustCaches(bool trusted);

}  // namespace host
