#include "author/run_report.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <set>

#include "formats/ascii.h"
#include "platform/host/machine.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"
#include "formats/reg_format.h"
#include "run/driver.h"
#include "run/run_state.h"

namespace author {
namespace {

// Files up to this size keep their content in a snapshot: the sign-up file and the log
// are diffed by content, everything else by size and digest.
constexpr uint64_t kTextLimit = 4u << 20;

uint64_t Fnv1a(const std::string& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

bool ReadAll(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void WalkFiles(const std::string& hostDir, const std::string& winDir, ImageSnapshot* snapshot) {
    DIR* d = opendir(hostDir.c_str());
    if (!d) return;
    std::vector<std::string> names;
    while (struct dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
    for (const std::string& name : names) {
        std::string host = hostDir + "/" + name;
        std::string win = winDir + "\\" + name;
        struct stat st;
        if (stat(host.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            WalkFiles(host, win, snapshot);
            continue;
        }
        if (!S_ISREG(st.st_mode)) continue;
        FileState file;
        file.winPath = win;
        std::string bytes;
        if (!ReadAll(host, &bytes)) continue;
        file.size = bytes.size();
        file.digest = Fnv1a(bytes);
        if (file.size <= kTextLimit) {
            file.hasText = true;
            file.content = std::move(bytes);
        }
        snapshot->files[SnapshotKey(win)] = std::move(file);
    }
}

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

nlohmann::ordered_json NullOr(bool present, const std::string& text) {
    return present ? nlohmann::ordered_json(text) : nlohmann::ordered_json(nullptr);
}

struct IniEntry {
    std::string section, key, value;
};

// The entries of a profile file in file order, as the reader sees them.
std::vector<IniEntry> IniEntries(const std::string& text) {
    std::vector<IniEntry> entries;
    std::string dump = formats::ProfileDump(text);
    std::string section;
    size_t start = 0;
    while (start < dump.size()) {
        size_t end = dump.find('\n', start);
        if (end == std::string::npos) end = dump.size();
        std::string line = dump.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
        } else if (size_t eq = line.find('='); eq != std::string::npos) {
            entries.push_back({section, line.substr(0, eq), line.substr(eq + 1)});
        }
    }
    return entries;
}

nlohmann::ordered_json SignupAdded(const ImageSnapshot& before, const ImageSnapshot& after,
                                   const std::string& signupKey) {
    nlohmann::ordered_json added = nlohmann::ordered_json::array();
    auto now = after.files.find(signupKey);
    if (signupKey.empty() || now == after.files.end() || !now->second.hasText) return added;
    std::map<std::string, std::string> old;
    auto was = before.files.find(signupKey);
    if (was != before.files.end() && was->second.hasText) {
        for (const IniEntry& e : IniEntries(was->second.content)) {
            // The reader takes the first of duplicate sections and keys.
            old.emplace(formats::AsciiLowerText(e.section) + "\n" + formats::AsciiLowerText(e.key), e.value);
        }
    }
    std::set<std::string> seen;
    for (const IniEntry& e : IniEntries(now->second.content)) {
        std::string id = formats::AsciiLowerText(e.section) + "\n" + formats::AsciiLowerText(e.key);
        if (!seen.insert(id).second) continue;
        auto it = old.find(id);
        if (it != old.end() && it->second == e.value) continue;
        added.push_back({{"section", e.section}, {"key", e.key}, {"value", e.value}});
    }
    return added;
}

nlohmann::ordered_json LogAppended(const ImageSnapshot& before, const ImageSnapshot& after,
                                   const std::string& logKey) {
    nlohmann::ordered_json lines = nlohmann::ordered_json::array();
    auto now = after.files.find(logKey);
    if (logKey.empty() || now == after.files.end() || !now->second.hasText) return lines;
    size_t from = 0;
    auto was = before.files.find(logKey);
    if (was != before.files.end() && was->second.size <= now->second.size) from = was->second.size;
    std::string added = now->second.content.substr(from);
    size_t start = 0;
    while (start < added.size()) {
        size_t end = added.find('\n', start);
        std::string line = added.substr(start, end == std::string::npos ? std::string::npos : end - start);
        while (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

nlohmann::ordered_json EmptyReport(int exitCode) {
    nlohmann::ordered_json report;
    report["exit_code"] = exitCode;
    report["files"] = nlohmann::ordered_json::array();
    report["registry"] = nlohmann::ordered_json::array();
    report["signup"] = nlohmann::ordered_json::array();
    report["log"] = nlohmann::ordered_json::array();
    return report;
}

}  // namespace

std::string SnapshotKey(const std::string& winPath) {
    std::string key = formats::AsciiLowerText(winPath);
    for (char& c : key) {
        if (c == '/') c = '\\';
    }
    return key;
}

bool SnapshotImage(const std::string& dir, ImageSnapshot* snapshot, std::string* error) {
    *snapshot = ImageSnapshot();
    WalkFiles(dir + "/drive_c", "C:", snapshot);
    std::string text;
    if (!ReadAll(dir + "/registry.reg", &text)) return true;
    formats::Registry reg;
    if (!formats::ParseRegText(text, &reg, error)) return false;
    for (const std::string& path : formats::RegListedKeys(reg)) {
        formats::RegKey* found = formats::FindRegKey(reg, path);
        if (found == nullptr) continue;
        const formats::RegKey& key = *found;
        for (const formats::RegValue& value : key.values) {
            RegState state{key.path, value.name, OneLine(formats::FormatRegData(value, reg.regedit4))};
            snapshot->registry[formats::AsciiLowerText(key.path) + "\n" + formats::AsciiLowerText(value.name)] = state;
        }
    }
    return true;
}

nlohmann::ordered_json MakeRunReport(int exitCode, const ImageSnapshot& before, const ImageSnapshot& after,
                                     const std::string& logKey, const std::string& signupKey) {
    nlohmann::ordered_json report = EmptyReport(exitCode);

    std::set<std::string> paths;
    for (const auto& f : before.files) paths.insert(f.first);
    for (const auto& f : after.files) paths.insert(f.first);
    for (const std::string& path : paths) {
        auto was = before.files.find(path);
        auto now = after.files.find(path);
        bool existed = was != before.files.end();
        bool exists = now != after.files.end();
        if (existed && exists && was->second.size == now->second.size && was->second.digest == now->second.digest) {
            continue;
        }
        nlohmann::ordered_json file;
        file["path"] = exists ? now->second.winPath : was->second.winPath;
        file["existed"] = existed;
        file["size_before"] = existed ? nlohmann::ordered_json(was->second.size) : nlohmann::ordered_json(nullptr);
        file["size_after"] = exists ? nlohmann::ordered_json(now->second.size) : nlohmann::ordered_json(nullptr);
        report["files"].push_back(file);
    }

    std::set<std::string> values;
    for (const auto& v : before.registry) values.insert(v.first);
    for (const auto& v : after.registry) values.insert(v.first);
    for (const std::string& id : values) {
        auto was = before.registry.find(id);
        auto now = after.registry.find(id);
        bool had = was != before.registry.end();
        bool has = now != after.registry.end();
        if (had && has && was->second.data == now->second.data) continue;
        const RegState& named = has ? now->second : was->second;
        report["registry"].push_back({{"key", named.key},
                                      {"value", named.name},
                                      {"before", NullOr(had, had ? was->second.data : "")},
                                      {"after", NullOr(has, has ? now->second.data : "")}});
    }

    report["signup"] = SignupAdded(before, after, signupKey);
    report["log"] = LogAppended(before, after, logKey);
    return report;
}

int RunEngine(const std::vector<std::string>& args) {
    std::vector<std::string> owned = args;
    std::vector<char*> argv;
    static char program[] = "Facet.exe";
    argv.push_back(program);
    for (std::string& a : owned) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    return RunFacet(static_cast<int>(argv.size()) - 1, argv.data());
}

nlohmann::ordered_json RunWithReport(const std::string& dir, const std::vector<std::string>& args) {
    std::string error;
    ImageSnapshot before;
    if (!host::OpenMachine(dir, &error) || !SnapshotImage(dir, &before, &error)) {
        host::CloseMachine();
        nlohmann::ordered_json report = EmptyReport(2);
        report["error"] = error;
        return report;
    }
    int code = RunEngine(args);

    // Where the run put its log and its sign-up entries, as the image names them.
    host::MappedPath logPath;
    host::MappedPath signupPath;
    std::string logKey = host::MapPath(g_run.szLogPath, &logPath) == 0 ? logPath.normalized : "";
    std::string signupKey = host::MapPath(g_run.szSignupPath, &signupPath) == 0 ? signupPath.normalized : "";
    host::CloseMachine();

    ImageSnapshot after;
    if (!SnapshotImage(dir, &after, &error)) {
        nlohmann::ordered_json report = EmptyReport(code);
        report["error"] = "registry.reg after the run: " + error;
        return report;
    }
    return MakeRunReport(code, before, after, logKey, signupKey);
}

namespace {

std::string SizeText(const nlohmann::json& size) {
    return size.is_number() ? std::to_string(size.get<uint64_t>()) : std::string("-");
}

std::string TextOr(const nlohmann::json& v, const char* missing) {
    return v.is_string() ? v.get<std::string>() : std::string(missing);
}

}  // namespace

bool FormatRunDiff(const nlohmann::json& report, std::string* text, std::string* error) {
    try {
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
                out += "+[" + s.at("section").get<std::string>() + "] " + s.at("key").get<std::string>() + "=" +
                       s.at("value").get<std::string>() + "\n";
            }
        }

        size_t logLines = report.at("log").size();
        char summary[256];
        snprintf(summary, sizeof(summary),
                 " %zu file%s changed (%zu created), %zu registry value%s set, %zu sign-up entr%s added, %zu log "
                 "line%s appended, exit code %d\n",
                 files.size(), files.size() == 1 ? "" : "s", created, registry.size(), registry.size() == 1 ? "" : "s",
                 signup.size(), signup.size() == 1 ? "y" : "ies", logLines, logLines == 1 ? "" : "s",
                 report.at("exit_code").get<int>());
        out += (out.empty() ? "" : "\n") + std::string(summary);
        *text = out;
        return true;
    } catch (const nlohmann::json::exception& e) {
        *error = std::string("not a run report: ") + e.what();
        return false;
    }
}

}  // namespace author
