// The suite of recorded machines: for each machine image, what a branding run gives it
// (section, favorites, pages, wallpaper copies, sign-up entries, failed writes), kept
// beside it as expect.json, and the check of a branding file against them. The outcome
// is the engine's own dry run of the image; nothing is written into an image.
//
// A suite is a folder with one machine image per subfolder; each image folder may hold
// args.txt (the run's arguments, one a line) and expect.json.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "author/finding.h"
#include "author/outcome_diff.h"

namespace author {

struct SuiteMachine {
    std::string name;  // the subfolder's name
    std::string dir;   // host path of the image
};

// The images of a suite, sorted by name. False, with *error, when the folder cannot be read.
bool ListSuite(const std::string& suiteDir, std::vector<SuiteMachine>* machines, std::string* error);

// The arguments in args.txt of an image (none when there is no such file). False, with
// *error, when the file is there but cannot be read as a small regular file.
bool SuiteArgs(const SuiteMachine& machine, std::vector<std::string>* args, std::string* error);

struct SuiteCheckOptions {
    // A branding file standing in for every machine's own (held in memory), or null.
    const std::string* iniText = nullptr;
    std::string iniName;  // how it is named in the report (UTF-8)
    bool update = false;  // write the outcomes as the new expectations
    // The lines of the values of iniText, found once for every machine that asks.
    std::shared_ptr<std::map<std::pair<std::string, std::string>, int>> iniLines =
        std::make_shared<std::map<std::pair<std::string, std::string>, int>>();
};

// One machine checked (or its expectations written).
struct MachineCheck {
    std::string name;        // UTF-8
    std::string expectFile;  // UTF-8
    enum class Status {
        kUnchanged,
        kChanged,
        kWritten,
        kError
    } status = Status::kUnchanged;
    std::string error;  // for kError: what could not be read or written
    std::vector<OutcomeChange> changes;
    std::vector<Finding> located;  // each change placed: the branding file's line, else expect.json
};

// The outcome of the image in `dir` run with `args` (a dry run), with `iniText`, when
// not null, in place of its branding file. False, with *error, when the image cannot be read.
bool MachineOutcome(const std::string& dir, const std::vector<std::string>& args, const std::string* iniText,
                    BrandingOutcome* outcome, std::string* error);

// Checks one machine of a suite against its expect.json, or writes it (options.update).
MachineCheck CheckMachine(const SuiteMachine& machine, const SuiteCheckOptions& options);

// The report of a check in the forms facet-sim check writes: "text" (with `quiet`, only
// changed machines, errors and the summary), "json", "junit" (a testcase per machine) or
// "sarif" (each change a result at its place).
std::string SuiteReportText(const std::vector<MachineCheck>& checks, bool quiet);
nlohmann::ordered_json SuiteReportJson(const std::vector<MachineCheck>& checks);
std::string SuiteReportJunit(const std::vector<MachineCheck>& checks);
nlohmann::ordered_json SuiteReportSarif(const std::vector<MachineCheck>& checks, const std::string& version);

}  // namespace author
