// Run reports: what one branding run changed in a machine image (files, registry values,
// sign-up entries, log lines, exit code), read from the image's journal of the changes
// made through the stand-ins, and the short listing `facet-sim diff` prints.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/host/image.h"

namespace author {

// The report of a run from the journal of its image: exit_code; files [{path, existed,
// size_before, size_after}] (every file the run wrote, in path order); registry [{key,
// value, before, after}] in .reg notation (null where missing), in key order; signup
// [{section, key, value}], the entries the run added or gave a new value; log, the lines
// it appended. logPath and signupPath are the Windows paths the run used.
nlohmann::ordered_json MakeRunReport(int exitCode, const host::Journal& journal, bool regedit4,
                                     const std::string& logPath, const std::string& signupPath);

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
