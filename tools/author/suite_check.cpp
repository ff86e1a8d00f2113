#include "author/suite_check.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "author/engine_query.h"
#include "author/explain.h"
#include "platform/host/machine.h"

namespace author {
namespace {

namespace fs = std::filesystem;

// The decisions of the image open for the stand-ins: the parts of explain's document that
// say what the run does (which section, which favorites with their numbers, which pages,
// which wallpaper copies, or why it stops), without where in the file each came from,
// so that moving lines of a branding file is no change.
void DecideOpenImage(const std::string& dir, const std::vector<std::string>& args, nlohmann::ordered_json* out) {
    nlohmann::ordered_json doc = ExplainMachine(dir, args);
    nlohmann::ordered_json& d = *out;
    for (const char* key : {"section", "stops", "favorites", "home", "search", "wallpapers"}) d[key] = doc[key];
    for (const char* page : {"home", "search"}) {
        if (d[page].is_object()) d[page].erase("line");
    }
}

}  // namespace

bool MachineDecisions(const std::string& dir, const std::vector<std::string>& args, const std::string* iniText,
                      nlohmann::ordered_json* decisions, std::string* error) {
    *decisions = nlohmann::ordered_json::object();
    if (!host::OpenMachine(dir, error)) return false;
    if (iniText != nullptr) {
        // The branding file goes where the engine looks for it: beside the program, in
        // memory over the image.
        EngineQuery where;
        if (where.iniPath().empty()) {
            *error = "the image has no place for a branding file";
            host::CloseMachine();
            return false;
        }
        host::CurrentImage()->Put(where.iniPath(), *iniText);
    }
    DecideOpenImage(dir, args, decisions);
    host::CloseMachine();
    return true;
}

bool ListSuite(const std::string& suiteDir, std::vector<SuiteMachine>* machines, std::string* error) {
    machines->clear();
    std::error_code ec;
    fs::directory_iterator it(suiteDir, ec);
    if (ec) {
        *error = "cannot read the suite folder " + suiteDir + ": " + ec.message();
        return false;
    }
    for (const fs::directory_entry& entry : it) {
        if (!entry.is_directory(ec)) continue;
        machines->push_back({entry.path().filename().string(), entry.path().string()});
    }
    std::sort(machines->begin(), machines->end(),
              [](const SuiteMachine& a, const SuiteMachine& b) { return a.name < b.name; });
    return true;
}

std::vector<std::string> SuiteArgs(const SuiteMachine& machine) {
    std::vector<std::string> args;
    std::ifstream in(machine.dir + "/args.txt");
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        if (!line.empty()) args.push_back(line);
    }
    return args;
}

std::vector<Finding> CompareDecisions(const std::string& expectFile, const nlohmann::json& expected,
                                      const nlohmann::json& actual) {
    std::vector<Finding> findings;
    auto dumped = [](const nlohmann::json& v) { return v.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace); };
    for (const nlohmann::json& op : nlohmann::json::diff(expected, actual)) {
        std::string path = op.at("path").get<std::string>();
        std::string kind = op.at("op").get<std::string>();
        nlohmann::json::json_pointer pointer(path);
        std::string before = kind == "add" ? "(none)" : dumped(expected.at(pointer));
        // An element added to the end of a list has the path ".../-": the op carries it.
        std::string after = op.contains("value") ? dumped(op.at("value")) : "(none)";
        Finding f;
        f.file = expectFile;
        f.severity = Severity::kWarning;
        f.rule = "decision-changed";
        f.message = (path.empty() ? std::string("/") : path) + ": " + before + " -> " + after;
        findings.push_back(f);
    }
    return findings;
}

}  // namespace author
