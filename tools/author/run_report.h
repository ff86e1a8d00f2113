// Run reports: what one branding run changed in a machine image (files, registry values,
// sign-up entries, log lines, exit code), and the short listing `facet-sim diff` prints.
// The image is recorded before and after the engine runs on it; nothing here decides
// anything the engine decides.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace author {

struct FileState {
    std::string winPath;  // "C:\..." in the case the names have on disk
    uint64_t size = 0;
    uint64_t digest = 0;   // of the whole content
    bool hasText = false;  // content kept (small files, for the sign-up and log diffs)
    std::string content;
};

struct RegState {
    std::string key;   // as registry.reg spells it
    std::string name;  // empty for the default value
    std::string data;  // .reg notation on one line: "text", dword:00000001, hex:...
};

// What an image holds that a run may change. Keys are lower-case Windows paths
// ("c:\factory\util\facet.log") and lower-case "key\nname" pairs.
struct ImageSnapshot {
    std::map<std::string, FileState> files;
    std::map<std::string, RegState> registry;
};

// Records the files under drive_c (size and digest; content of small files) and the
// values of registry.reg. False, with *error, when registry.reg exists and cannot be parsed.
bool SnapshotImage(const std::string& dir, ImageSnapshot* snapshot, std::string* error);

// The lower-case key of a Windows path as SnapshotImage spells it.
std::string SnapshotKey(const std::string& winPath);

// The report of one run: exit_code, files [{path, existed, size_before, size_after}],
// registry [{key, value, before, after}] in .reg notation (null where missing), signup
// [{section, key, value}] entries added or given a new value, log (lines appended).
// logKey and signupKey are SnapshotKey()s of the files the run used, empty when none.
nlohmann::ordered_json MakeRunReport(int exitCode, const ImageSnapshot& before, const ImageSnapshot& after,
                                     const std::string& logKey, const std::string& signupKey);

// One run of the engine on the image that is open: Facet.exe as argument 0, then args.
// Returns the engine's exit code.
int RunEngine(const std::vector<std::string>& args);

// Runs the engine once on the image in `dir` (Facet.exe as argument 0, then args) and
// reports what it changed. An image that cannot be read gives exit_code 2, an "error"
// text and empty lists, with the image untouched.
nlohmann::ordered_json RunWithReport(const std::string& dir, const std::vector<std::string>& args);

// The report for a person: one line per file ("path | before -> after"), registry lines
// in .reg notation under their key ("-" before, "+" after), the sign-up entries added,
// the count of log lines, and a summary line. False, with *error, when the JSON is not a
// run report.
bool FormatRunDiff(const nlohmann::json& report, std::string* text, std::string* error);

}  // namespace author
