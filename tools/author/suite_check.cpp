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

std::string TempImageDir() {
    const char* tmp = getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/facet-check-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    return mkdtemp(buf.data()) ? std::string(buf.data()) : std::string();
}

}  // namespace

bool MachineDecisions(const std::string& dir, const std::vector<std::string>& args, const std::string* iniText,
                      nlohmann::ordered_json* decisions, std::string* error) {
    *decisions = nlohmann::ordered_json::object();
    std::string imageDir = dir;
    std::string temp;
    if (iniText != nullptr) {
        // Check that the image reads before copying it, so the error names the image.
        if (!host::OpenMachine(dir, error)) return false;
        host::CloseMachine();
        temp = TempImageDir();
        std::error_code ec;
        if (temp.empty() ||
            (fs::copy(dir, temp, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec), ec)) {
            *error = "cannot copy the image to a temporary folder";
            if (!temp.empty()) fs::remove_all(temp, ec);
            return false;
        }
        imageDir = temp;
    }
    bool ok = host::OpenMachine(imageDir, error);
    if (ok && iniText != nullptr) {
        // The branding file goes where the engine looks for it: beside the program.
        EngineQuery where;
        host::MappedPath path;
        ok = !where.iniPath().empty() && host::MapPath(where.iniPath().c_str(), &path) == 0;
        std::error_code ec;
        if (ok) fs::create_directories(fs::path(path.host).parent_path(), ec);
        ok = ok && !ec && host::ReplaceFileContent(path.host, *iniText) == 0;
        if (!ok) *error = "cannot put the branding file into the copy of the image";
        // Reopen so that the stand-ins see the image as it now is.
        ok = ok && host::OpenMachine(imageDir, error);
    }
    if (ok) DecideOpenImage(imageDir, args, decisions);
    host::CloseMachine();
    if (!temp.empty()) {
        std::error_code ec;
        fs::remove_all(temp, ec);
    }
    return ok;
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
