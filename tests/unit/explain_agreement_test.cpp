// explain against run: on every scenario machine, what explain predicts (section,
// favorites, pages, wallpaper copies) is what a run then does, and explain leaves every
// byte and timestamp of the image as it was.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "author/explain.h"
#include "author/run_report.h"
#include "machine_fixture.h"
#include "platform/host/machine.h"
#include "run/driver.h"
#include "run/run_state.h"

namespace fs = std::filesystem;

namespace {

using Json = nlohmann::ordered_json;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every file and folder of an image with its bytes and modification time.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        struct stat st;
        stat(e.path().c_str(), &st);
        std::string key = e.path().string();
        std::string mtime = std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
        out[key] = mtime + (e.is_regular_file() ? ReadAll(e.path()) : std::string("<dir>"));
    }
    return out;
}

void Lay(const fs::path& scenario, const fs::path& image) {
    fs::create_directories(image);
    const auto opts = fs::copy_options::recursive | fs::copy_options::overwrite_existing;
    if (fs::exists(scenario / "base")) {
        std::string base = ReadAll(scenario / "base");
        while (!base.empty() && (base.back() == '\n' || base.back() == '\r')) base.pop_back();
        fs::copy(scenario / base, image, opts);
    }
    if (fs::exists(scenario / "machine")) fs::copy(scenario / "machine", image, opts);
}

std::vector<std::string> Args(const fs::path& scenario) {
    std::vector<std::string> args;
    std::ifstream in(scenario / "args");
    for (std::string a; std::getline(in, a);) {
        if (!a.empty()) args.push_back(a);
    }
    return args;
}

// The texts that follow each occurrence of `message` in the log, up to the entry's end.
std::vector<std::string> Logged(const std::string& log, const std::string& message) {
    std::vector<std::string> out;
    for (size_t at = log.find(message); at != std::string::npos; at = log.find(message, at + 1)) {
        size_t begin = at + message.size();
        out.push_back(log.substr(begin, log.find("\r\r\n", begin) - begin));
    }
    return out;
}

std::string RegText(const char* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Main", 0, KEY_READ, &key) != 0) {
        return "<none>";
    }
    char buf[1024] = "";
    DWORD type = 0;
    DWORD size = sizeof(buf) - 1;
    LONG r = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(key);
    return r == 0 ? std::string(buf) : "<none>";
}

class ExplainAgreement : public MachineTest {};

TEST_F(ExplainAgreement, ExplainPredictsWhatRunDoesOnEveryScenario) {
    const fs::path scenarios = fs::path(FACET_SOURCE_DIR) / "tests" / "scenarios";
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(scenarios)) {
        if (!entry.is_directory()) continue;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        const fs::path explainImage = fs::path(dir_) / (name + ".explain");
        const fs::path runImage = fs::path(dir_) / (name + ".run");
        Lay(entry.path(), explainImage);
        Lay(entry.path(), runImage);
        std::vector<std::string> args = Args(entry.path());

        std::string error;
        auto before = Snapshot(explainImage);
        ASSERT_TRUE(host::OpenMachine(explainImage.string(), &error)) << error;
        Json doc = author::ExplainMachine(explainImage.string(), args);
        host::CloseMachine();
        EXPECT_EQ(Snapshot(explainImage), before) << "explain changed the image";

        ASSERT_TRUE(host::OpenMachine(runImage.string(), &error)) << error;
        author::RunEngine(args);
        host::MappedPath logPath;
        ASSERT_EQ(host::MapPath(g_run.szLogPath, &logPath), 0u);
        std::string log = ReadAll(logPath.host);
        // Only what this run appended: the explain image still holds the log as it was.
        std::string old = ReadAll(explainImage / fs::relative(logPath.host, runImage));
        if (log.compare(0, old.size(), old) == 0) log = log.substr(old.size());

        std::vector<std::string> chosen = Logged(log, "INFO >> INI section will be used -->");
        if (doc["section"].is_null()) {
            EXPECT_TRUE(chosen.empty());
        } else {
            ASSERT_EQ(chosen.size(), 1u);
            EXPECT_EQ(chosen[0], doc["section"].get<std::string>());
        }

        std::vector<std::string> shortcuts;
        for (const auto& f : doc["favorites"]) {
            if (!f["shortcut"].is_null()) shortcuts.push_back(f["shortcut"].get<std::string>());
        }
        EXPECT_EQ(Logged(log, "INFO >>   Create URL for current user --->"), shortcuts);
        host::MappedPath signup;
        std::string signupFile = doc["signupFile"].get<std::string>();
        // Explain plans the writes; where the run logged a write as failed (a folder in the
        // way, a read-only key), what it left is checked by the scenario itself.
        bool signupFailed = log.find("ERROR >> Write sign-up entry failed") != std::string::npos;
        bool registryFailed = log.find("ERROR >> Write registry value failed") != std::string::npos;
        bool signupWritable =
            host::MapPath(signupFile.c_str(), &signup) == 0 && !host::IsReadOnly(signup) && !signupFailed;
        for (const auto& f : doc["favorites"]) {
            if (f["index"].is_null() || !signupWritable) continue;
            std::string n = std::to_string(f["index"].get<int>());
            char buf[300];
            GetPrivateProfileStringA("FavoritesEx", ("Title" + n).c_str(), "", buf, sizeof(buf), signupFile.c_str());
            EXPECT_EQ(std::string(buf), f["name"].get<std::string>() + ".URL");
            GetPrivateProfileStringA("FavoritesEx", ("URL" + n).c_str(), "", buf, sizeof(buf), signupFile.c_str());
            EXPECT_EQ(std::string(buf), f["url"].get<std::string>());
        }

        const Json& home = doc["home"];
        EXPECT_EQ(Logged(log, "INFO >>   Set Home to this link: ").size(),
                  home.is_null() ? 0u : static_cast<size_t>(home["runs"].get<int>()));
        if (!home.is_null() && home["applied"].get<bool>() && !registryFailed) {
            EXPECT_EQ(RegText("Start Page"), home["url"]);
        }
        const Json& search = doc["search"];
        EXPECT_EQ(Logged(log, "INFO >>   Set search to this link: ").size(), search.is_null() ? 0u : 1u);
        if (!search.is_null() && search["applied"].get<bool>() && !registryFailed) {
            EXPECT_EQ(RegText("Search Bar"), search["url"]);
        }

        // The copies the run logged are the plan's first ones, in order; a copy the run
        // made had a source that explain saw (or saw being made).
        std::vector<std::string> from = Logged(log, "Copy Wallpaper succeeded: \r\nfrom -->");
        std::vector<std::string> failed = Logged(log, "ERROR >> Copy Wallpaper failed: \r\nfrom -->");
        ASSERT_LE(from.size() + failed.size(), doc["wallpapers"].size());
        for (size_t i = 0; i < from.size(); ++i) {
            EXPECT_EQ(from[i], doc["wallpapers"][i]["source"]);
            EXPECT_TRUE(doc["wallpapers"][i]["exists"].get<bool>());
        }
        if (!failed.empty()) {
            EXPECT_EQ(failed[0], doc["wallpapers"][from.size()]["source"]);
        }
        if (doc["stops"].is_null()) {
            EXPECT_GT(from.size() + failed.size(), 0u);
        }
        host::CloseMachine();
        ++checked;
    }
    EXPECT_GE(checked, 19);
}

}  // namespace
