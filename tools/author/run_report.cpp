#include "author/run_report.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "author/engine_query.h"
#include "author/text.h"
#include "formats/ascii.h"
#include "formats/reg_format.h"

namespace author {
namespace {

using Json = nlohmann::ordered_json;

// .reg notation on one line: the writer wraps long hex data for a file, a report does not.
std::string OneLine(std::string data) {
    std::string out;
    for (size_t i = 0; i < data.size(); ++i) {
        if (data.compare(i, 3, "\\\r\n") == 0) {
            i += 2;
            while (i + 1 < data.size() && data[i + 1] == ' ') ++i;
            continue;
        }
        out += data[i];
    }
    return out;
}

std::string Notation(const formats::RegValue& value, bool regedit4) {
    return Utf8FromImage(OneLine(formats::FormatRegData(value, regedit4)));
}

Json EmptyReport(int exitCode) {
    Json report;
    report["exit_code"] = exitCode;
    report["files"] = Json::array();
    report["registry"] = Json::array();
    report["signup"] = Json::array();
    report["log"] = Json::array();
    report["failures"] = Json::array();
    return report;
}

}  // namespace

Json MakeRunReport(int exitCode, const host::Journal& journal, bool regedit4, const std::string& logPath,
                   const std::string& signupPath) {
    Json report = EmptyReport(exitCode);

    std::map<std::string, const host::Journal::File*> files;
    for (const host::Journal::File& f : journal.files) {
        if (!f.folder) files[formats::AsciiLowerText(f.path)] = &f;
    }
    for (const auto& [key, f] : files) {
        report["files"].push_back({{"path", Utf8FromImage(f->path)},
                                   {"existed", f->existed},
                                   {"size_before", f->existed ? Json(f->sizeBefore) : Json(nullptr)},
                                   {"size_after", f->exists ? Json(f->sizeAfter) : Json(nullptr)}});
    }

    // Each value once: as it was before the run's first write and after its last.
    std::map<std::string, std::pair<const host::Journal::RegistryValue*, const host::Journal::RegistryValue*>> values;
    for (const host::Journal::RegistryValue& v : journal.registry) {
        auto& slot = values[formats::AsciiLowerText(v.key) + "\n" + formats::AsciiLowerText(v.name)];
        if (slot.first == nullptr) slot.first = &v;
        slot.second = &v;
    }
    for (const auto& [id, pair] : values) {
        const host::Journal::RegistryValue& first = *pair.first;
        const host::Journal::RegistryValue& last = *pair.second;
        std::string after = Notation(last.after, regedit4);
        Json before = first.had ? Json(Notation(first.before, regedit4)) : Json(nullptr);
        if (before.is_string() && before.get<std::string>() == after) continue;
        report["registry"].push_back({{"key", Utf8FromImage(first.key)},
                                      {"value", Utf8FromImage(first.name)},
                                      {"before", before},
                                      {"after", after}});
    }

    // Sign-up entries added or given a new value, in the order they were first written.
    host::MappedPath signup;
    std::vector<std::string> order;
    std::map<std::string, std::pair<const host::Journal::ProfileEntry*, const host::Journal::ProfileEntry*>> entries;
    for (const host::Journal::ProfileEntry& e : journal.profile) {
        if (!formats::AsciiSameText(e.file, signupPath)) continue;
        std::string id = formats::AsciiLowerText(e.section) + "\n" + formats::AsciiLowerText(e.key);
        auto& slot = entries[id];
        if (slot.first == nullptr) {
            slot.first = &e;
            order.push_back(id);
        }
        slot.second = &e;
    }
    for (const std::string& id : order) {
        const auto& [first, last] = entries[id];
        if (first->had && first->before == last->after) continue;
        report["signup"].push_back({{"section", Utf8FromImage(first->section)},
                                    {"key", Utf8FromImage(first->key)},
                                    {"value", Utf8FromImage(last->after)}});
    }

    for (const host::Journal::Failure& f : journal.failures) {
        report["failures"].push_back({{"what", Utf8FromImage(f.what)},
                                      {"error", f.error},
                                      {"text", EngineQuery::SystemText(static_cast<uint32_t>(f.error))}});
    }
    if (const host::Journal::File* log = journal.FindFile(logPath)) {
        const std::string& added = log->appended;
        size_t start = 0;
        while (start < added.size()) {
            size_t end = added.find('\n', start);
            std::string line = added.substr(start, end == std::string::npos ? std::string::npos : end - start);
            while (!line.empty() && line.back() == '\r') line.pop_back();
            report["log"].push_back(Utf8FromImage(line));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    return report;
}

Json RunWithReport(const std::string& dir, const std::vector<std::string>& args) {
    std::string error;
    std::unique_ptr<host::Image> image = host::Image::Open(dir, &error);
    if (!image) {
        Json report = EmptyReport(2);
        report["error"] = Utf8FromHost(error);
        return report;
    }
    EngineQuery query(*image);
    RunOutcome run = query.Run(args);
    // The paths as the journal spells them: in the case the image has.
    host::MappedPath logPath;
    host::MappedPath signupPath;
    image->MapPath(ImageFromUtf8(run.logPath).c_str(), &logPath);
    image->MapPath(ImageFromUtf8(run.signupPath).c_str(), &signupPath);
    return MakeRunReport(run.exitCode, image->journal(), image->registry().regedit4, logPath.shown, signupPath.shown);
}

namespace {

std::string SizeText(const nlohmann::json& size) {
    return size.is_number() ? std::to_string(size.get<uint64_t>()) : std::string("-");
}

// A text of the report on one line: its control characters shown escaped.
std::string Shown(const nlohmann::json& v) {
    std::string quoted = Quoted(v.get<std::string>());
    return quoted.substr(1, quoted.size() - 2);
}

std::string TextOr(const nlohmann::json& v, const char* missing) {
    return v.is_string() ? v.get<std::string>() : std::string(missing);
}

}  // namespace

namespace {

// Sizes and the exit code are whole numbers in range: anything else is not a report we
// wrote, and would print as something it is not.
bool NumbersInRange(const nlohmann::json& report, std::string* error) {
    const nlohmann::json& code = report.at("exit_code");
    if (!code.is_number_integer() || code.get<int64_t>() < 0 || code.get<int64_t>() > 255) {
        *error = "not a run report: exit_code is not a number from 0 to 255";
        return false;
    }
    for (const auto& f : report.at("files")) {
        for (const char* key : {"size_before", "size_after"}) {
            const nlohmann::json& size = f.at(key);
            if (!size.is_null() && !size.is_number_unsigned()) {
                *error = std::string("not a run report: ") + key + " is not a size in bytes";
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool FormatRunDiff(const nlohmann::json& report, std::string* text, std::string* error) {
    try {
        if (!report.is_object() || !NumbersInRange(report, error)) {
            if (!report.is_object()) *error = "not a run report: not a JSON object";
            return false;
        }
        std::string out;
        if (report.contains("error")) out += "error: " + TextOr(report.at("error"), "") + "\n";
        const nlohmann::json& files = report.at("files");
        size_t width = 0;
        for (const auto& f : files) width = std::max(width, f.at("path").get<std::string>().size());
        size_t created = 0;
        for (const auto& f : files) {
            std::string path = f.at("path").get<std::string>();
            bool existed = f.at("existed").get<bool>();
            std::string change;
            if (!existed) {
                change = "new, " + SizeText(f.at("size_after")) + " bytes";
                ++created;
            } else if (f.at("size_after").is_null()) {
                change = "gone, was " + SizeText(f.at("size_before")) + " bytes";
            } else {
                change = SizeText(f.at("size_before")) + " -> " + SizeText(f.at("size_after")) + " bytes";
            }
            out += " " + path + std::string(width - path.size(), ' ') + " | " + change + "\n";
        }

        const nlohmann::json& registry = report.at("registry");
        std::string lastKey;
        for (const auto& r : registry) {
            std::string key = r.at("key").get<std::string>();
            if (lastKey.empty() && !out.empty()) out += "\n";
            if (!formats::AsciiSameText(key, lastKey)) {
                out += "[" + key + "]\n";
                lastKey = key;
            }
            std::string name = r.at("value").get<std::string>();
            std::string quoted = "@";
            if (!name.empty()) {
                quoted = "\"";
                for (char c : name) quoted += (c == '\\' || c == '"') ? std::string("\\") + c : std::string(1, c);
                quoted += "\"";
            }
            if (!r.at("before").is_null()) out += "-" + quoted + "=" + TextOr(r.at("before"), "") + "\n";
            out += "+" + quoted + "=" + TextOr(r.at("after"), "-") + "\n";
        }

        const nlohmann::json& signup = report.at("signup");
        if (!signup.empty()) {
            out += "\nsign-up file:\n";
            for (const auto& s : signup) {
                out += "+[" + Shown(s.at("section")) + "] " + Shown(s.at("key")) + "=" + Shown(s.at("value")) + "\n";
            }
        }
        // Reports from before failures were recorded have none.
        if (report.contains("failures") && !report.at("failures").empty()) {
            out += "\nfailed writes:\n";
            for (const auto& f : report.at("failures")) out += "!" + Shown(f.at("what")) + ": " + Shown(f.at("text")) + "\n";
        }

        size_t logLines = report.at("log").size();
        char summary[256];
        snprintf(summary, sizeof(summary),
                 " %zu file%s changed (%zu created), %zu registry value%s set, %zu sign-up entr%s added, %zu log "
                 "line%s appended, exit code %d\n",
                 files.size(), files.size() == 1 ? "" : "s", created, registry.size(), registry.size() == 1 ? "" : "s",
                 signup.size(), signup.size() == 1 ? "y" : "ies", logLines, logLines == 1 ? "" : "s",
                 static_cast<int>(report.at("exit_code").get<int64_t>()));
        out += (out.empty() ? "" : "\n") + std::string(summary);
        *text = out;
        return true;
    } catch (const nlohmann::json::exception&) {
        // The parser's own words name its internals, not the report.
        *error = "not a run report: a key is missing or holds the wrong kind of value";
        return false;
    }
}

}  // namespace author
