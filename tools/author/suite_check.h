// The suite of recorded machines: for each machine image, the decisions the engine makes
// for it (section, favorites, pages, wallpaper copies, sign-up entries, failed writes),
// kept beside it as expect.json, and the check of a branding file against them. The
// decisions are explain's (a dry run of the engine); nothing is written into an image.
//
// A suite is a folder with one machine image per subfolder; each image folder may hold
// args.txt (the run's arguments, one a line) and expect.json.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "author/finding.h"

namespace author {

// The decisions for the image in `dir`, run with `args`, as facet-sim explain --json
// gives them: section, stops (why the run ends before its actions, or null), favorites,
// home, search, wallpapers, signup and failures, without lines. With a non-null iniText,
// that text stands in for the image's Facet.INI (held in memory: the image itself is
// never written). False, with *error, when the image cannot be read.
bool MachineDecisions(const std::string& dir, const std::vector<std::string>& args, const std::string* iniText,
                      nlohmann::ordered_json* decisions, std::string* error);

struct SuiteMachine {
    std::string name;  // the subfolder's name
    std::string dir;   // host path of the image
};

// The images of a suite, sorted by name. False, with *error, when the folder cannot be read.
bool ListSuite(const std::string& suiteDir, std::vector<SuiteMachine>* machines, std::string* error);

// The arguments in args.txt of an image (none when there is no such file). False, with
// *error, when the file is there but cannot be read as a small regular file.
bool SuiteArgs(const SuiteMachine& machine, std::vector<std::string>* args, std::string* error);

// One finding per difference between the expected and the derived decisions, as JSON
// Pointer paths with the value before and after ("/section: "A" -> "B""), reported on
// expectFile with rule "decision-changed".
std::vector<Finding> CompareDecisions(const std::string& expectFile, const nlohmann::json& expected,
                                      const nlohmann::json& actual);

}  // namespace author
