#include "author/suite_check.h"

#include <algorithm>
#include <filesystem>

#include "author/engine_query.h"
#include "author/explain.h"
#include "author/output.h"
#include "author/text.h"
#include "platform/host/image.h"

namespace author {
namespace {

namespace fs = std::filesystem;

// The parts of explain's document that say what the run does, without where in the file
// each came from, so that moving lines of a branding file is no change.
void Decisions(const nlohmann::ordered_json& doc, nlohmann::ordered_json* out) {
    nlohmann::ordered_json& d = *out;
    for (const char* key : {"section", "stops", "favorites", "home", "search", "wallpapers", "signup", "failures"}) {
        d[key] = doc[key];
    }
    for (const char* page : {"home", "search"}) {
        if (d[page].is_object()) d[page].erase("line");
    }
}

}  // namespace

bool MachineDecisions(const std::string& dir, const std::vector<std::string>& args, const std::string* iniText,
                      nlohmann::ordered_json* decisions, std::string* error) {
    *decisions = nlohmann::ordered_json::object();
    std::unique_ptr<host::Image> image = host::Image::Open(dir, error);
    if (!image) return false;
    if (iniText != nullptr) {
        // The branding file goes where the engine looks for it, in memory over the image.
        EngineQuery where(*image);
        if (!where.iniPathOk()) {
            *error = "the image has no place for a branding file (its program path is too long)";
            return false;
        }
        where.PutBrandingFile(*iniText);
    }
    Decisions(ExplainMachine(*image, dir, args), decisions);
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
        // An image is a folder of the suite itself; a link to one elsewhere is not followed.
        if (entry.is_symlink(ec) || !entry.is_directory(ec)) continue;
        machines->push_back({entry.path().filename().string(), entry.path().string()});
    }
    std::sort(machines->begin(), machines->end(),
              [](const SuiteMachine& a, const SuiteMachine& b) { return a.name < b.name; });
    return true;
}

bool SuiteArgs(const SuiteMachine& machine, std::vector<std::string>* args, std::string* error) {
    args->clear();
    std::string text;
    bool missing = false;
    if (!ReadFolderFile(machine.dir, "args.txt", kListLimit, &text, &missing, error)) return missing;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        if (!line.empty()) args->push_back(line);
    }
    return true;
}

std::vector<Finding> CompareDecisions(const std::string& expectFile, const nlohmann::json& expected,
                                      const nlohmann::json& actual) {
    std::vector<Finding> findings;
    // Both sides are UTF-8 here (the expectations were read as JSON, the decisions made
    // so): a changed byte of the branding file shows as a changed character.
    auto dumped = [](const nlohmann::json& v) { return v.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace); };
    for (const nlohmann::json& op : nlohmann::json::diff(expected, actual)) {
        std::string path = op.at("path").get<std::string>();
        std::string kind = op.at("op").get<std::string>();
        nlohmann::json::json_pointer pointer(path);
        std::string before = kind == "add" ? "(none)" : dumped(expected.at(pointer));
        // An element added to the end of a list has the path ".../-": the op carries it.
        std::string after = op.contains("value") ? dumped(op.at("value")) : "(none)";
        Finding f;
        f.file = Utf8FromHost(expectFile);
        f.severity = Severity::kWarning;
        f.rule = "decision-changed";
        f.message = (path.empty() ? std::string("/") : path) + ": " + before + " -> " + after;
        findings.push_back(f);
    }
    return findings;
}

}  // namespace author
