// What every tool reads and writes outside an image: JSON through one writer, outputs
// written by atomic replace (never through a link), inputs read with limits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace author {

// JSON as every tool writes it: two-space indent and a final line feed. Its texts are
// UTF-8 by construction (author/text.h); one that is not is a fault of the tool and
// gives false, with *error saying so, rather than a changed character.
bool JsonText(const nlohmann::ordered_json& doc, std::string* out, std::string* error);

// Writes a tool's output to standard output (path empty or "-"), or to the file at
// path: into a new file beside it, renamed over it, so that a link there is replaced
// rather than followed and an interrupted write leaves the old file. A device or a
// pipe at path (/dev/null, /dev/stdout) is written into. False, with
// *error, when it cannot be written (a folder in the way, no such folder, no room).
bool WriteOutput(const std::string& path, std::string_view bytes, std::string* error);

// Whether WriteOutput can be asked to write at path: standard output, or a path that is
// no folder in a folder that exists. For a command that would change something before
// it writes its output, so that it can refuse first. False, with *error, otherwise.
bool OutputPathUsable(const std::string& path, std::string* error);

// Reads a file a person named (a regular file, or a pipe such as <(...)) of at most
// `limit` bytes. False, with *error, for a folder, a missing file or one too large.
bool ReadInput(const std::string& path, uint64_t limit, std::string* bytes, std::string* error);

// Reads a file of an image folder or a suite (expect.json, args.txt): a regular file
// inside `dir`, a link only when it stays there. Missing: false with *missing set.
bool ReadFolderFile(const std::string& dir, const std::string& name, uint64_t limit, std::string* bytes,
                    bool* missing, std::string* error);

// Parses JSON of at most `maxDepth` levels of arrays and objects.
bool ParseJsonInput(std::string_view text, int maxDepth, nlohmann::json* out, std::string* error);

// Limits of what the tools read: far beyond anything real.
constexpr uint64_t kListLimit = 16u << 20;  // models, languages and regions lists
constexpr uint64_t kJsonLimit = 64u << 20;  // expectations and run reports
constexpr uint64_t kBrandingLimit = 256u << 20;
constexpr int kJsonDepthLimit = 64;

}  // namespace author
