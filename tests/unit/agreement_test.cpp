// Every tool against the run: on every scenario machine and on generated machines with
// accented names, UTF-16LE branding files, over-long paths, refused names, missing and
// read-only folders and failing wallpaper copies, explain, the matrix row and check's
// decisions each say what the run then does; explain leaves the image and its journal
// as they were; the run report says what the disk shows.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "author/explain.h"
#include "author/output.h"
#include "author/matrix.h"
#include "author/run_report.h"
#include "author/suite_check.h"
#include "author/text.h"
#include "formats/ascii.h"
#include "formats/codepage.h"
#include "formats/profile_reader.h"
#include "formats/reg_format.h"
#include "machine_fixture.h"

namespace fs = std::filesystem;

namespace {

using Json = nlohmann::ordered_json;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

// Every file of an image with its time and bytes, and every folder.
struct Entry {
    std::string time;
    bool folder = false;
    std::string bytes;
    bool operator==(const Entry& o) const { return time == o.time && folder == o.folder && bytes == o.bytes; }
};
std::map<std::string, Entry> Snapshot(const fs::path& root) {
    std::map<std::string, Entry> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        struct stat st;
        lstat(e.path().c_str(), &st);
        Entry& entry = out[fs::relative(e.path(), root).string()];
        entry.time = std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
        entry.folder = e.is_directory();
        if (e.is_regular_file()) entry.bytes = ReadAll(e.path());
    }
    return out;
}

struct Machine {
    std::string name;
    fs::path dir;
    std::vector<std::string> args;
};

// The texts the run logged after `message`.
std::vector<std::string> Logged(const std::string& log, const std::string& message) {
    std::vector<std::string> out;
    for (size_t at = log.find(message); at != std::string::npos; at = log.find(message, at + 1)) {
        size_t begin = at + message.size();
        out.push_back(log.substr(begin, log.find("\r\r\n", begin) - begin));
    }
    return out;
}

// A registry value of the image after the run, in .reg notation (UTF-8), or "-".
std::string RegValue(const fs::path& image, const std::string& key, const std::string& name) {
    formats::Registry reg;
    std::string error;
    if (!formats::ParseRegText(ReadAll(image / "registry.reg"), &reg, &error)) return "-";
    formats::RegKey* k = formats::FindRegKey(reg, key);
    formats::RegValue* v = k ? formats::FindRegValue(*k, name) : nullptr;
    return v ? author::Utf8FromImage(formats::FormatRegData(*v, reg.regedit4)) : "-";
}

class Agreement : public MachineTest {
protected:
    std::vector<Machine> Scenarios() {
        std::vector<Machine> out;
        const fs::path scenarios = fs::path(FACET_SOURCE_DIR) / "tests" / "scenarios";
        for (const auto& entry : fs::directory_iterator(scenarios)) {
            if (!entry.is_directory()) continue;
            Machine m{entry.path().filename().string(), fs::path(dir_) / entry.path().filename(), {}};
            const auto opts = fs::copy_options::recursive | fs::copy_options::overwrite_existing;
            fs::create_directories(m.dir);
            if (fs::exists(entry.path() / "base")) {
                std::string base = ReadAll(entry.path() / "base");
                while (!base.empty() && (base.back() == '\n' || base.back() == '\r')) base.pop_back();
                fs::copy(entry.path() / base, m.dir, opts);
            }
            if (fs::exists(entry.path() / "machine")) fs::copy(entry.path() / "machine", m.dir, opts);
            std::ifstream in(entry.path() / "args");
            for (std::string a; std::getline(in, a);) {
                if (!a.empty()) m.args.push_back(a);
            }
            out.push_back(m);
        }
        return out;
    }

    // Machines with what breaks tools: each draws its traits from a fixed seed.
    std::vector<Machine> Generated(int count) {
        std::vector<Machine> out;
        std::mt19937 rng(20261207);
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        const fs::path sample = fs::path(FACET_SOURCE_DIR) / "examples" / "machine";
        for (int i = 0; i < count; ++i) {
            Machine m{"generated-" + std::to_string(i), fs::path(dir_) / ("generated-" + std::to_string(i)), {}};
            fs::copy(sample, m.dir, fs::copy_options::recursive);
            std::string model = std::vector<std::string>{"Corvane KL-5400 #E20", "Corvane \xC9"
                                                                                 "DITION KM-2",
                                                         "Corvane QB 7 #E22", "BACKLIT KL 3"}[pick(4)];
            std::string favoritesReg = pick(4) == 0 ? "C:\\\\Users\\\\Gone\\\\Favorites" : "C:\\\\Users\\\\Facet\\\\Favorites";
            std::string faults;
            switch (pick(5)) {
                case 0: faults = "ReadOnly=C:\\Users\\Facet\\Favorites\r\n"; break;
                case 1: faults = "ReadOnly=C:\\Windows\\Web\r\n"; break;
                case 2: faults = "ReadOnlyKeys=HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\r\n"; break;
                default: break;
            }
            std::string ini = ReadAll(m.dir / "machine.ini");
            size_t at = ini.find("ModelName=");
            ini.replace(at, ini.find('\n', at) - at, "ModelName=" + model + "\r");
            if (!faults.empty()) ini += "[Faults]\r\n" + faults;
            WriteAll(m.dir / "machine.ini", ini);
            std::string reg = ReadAll(m.dir / "registry.reg");
            at = reg.find("\"Favorites\"=");
            reg.replace(at, reg.find('\n', at) - at, "\"Favorites\"=\"" + favoritesReg + "\"\r");
            WriteAll(m.dir / "registry.reg", reg);
            if (pick(3) == 0) fs::remove(m.dir / "drive_c/Facet/Bitmap/Wallpapers/Second/standard/1920x1200.jpg");

            // The branding file: names that are refused, accented, too long.
            std::string branding =
                "[DEFAULT_SECTION]\r\nHome=H\r\nSearch=S\r\nFavorites=A,B,C,D\r\n"
                "[UK-0809-COMMERCIAL]\r\nHome=H\r\nSearch=L\r\nFavorites=C,A,E\r\n"
                "[H]\r\nName=Home\r\nPath=http://home.example/\r\n"
                "[S]\r\nName=Such\r\nPath=http://such.example/\r\n"
                "[L]\r\nName=Long\r\nPath=http://" +
                std::string(260, 'l') + "/\r\n"
                                        "[A]\r\nName=Zubeh\xF6r\r\nPath=http://a.example/\xE9\r\n"
                                        "[B]\r\nName=" +
                std::string(pick(2) ? "Aux" : "a/b") + "\r\nPath=http://b.example/\r\n"
                                                       "[C]\r\nName=Caf\xE9 \x80 Tab\tbed\r\nPath=http://c.example/\r\n"
                                                       "[D]\r\nName=Delta\r\nPath=http://" +
                std::string(300, 'd') + "\r\n"
                                        "[E]\r\nName=Echo\r\n";
            if (pick(3) == 0) branding = formats::Utf8ToUtf16File(formats::AnsiToUtf8(branding));
            WriteAll(m.dir / "drive_c/Facet/Facet.INI", branding);
            if (pick(2)) m.args.push_back("-h");
            out.push_back(m);
        }
        return out;
    }
};

void CheckMachine(const Machine& m) {
    SCOPED_TRACE(m.name);
    std::string error;

    // Explain: a dry run that changes nothing, neither on disk nor in the image's journal.
    auto before = Snapshot(m.dir);
    std::unique_ptr<host::Image> image = host::Image::Open(m.dir.string(), &error);
    ASSERT_TRUE(image) << error;
    Json doc = author::ExplainMachine(*image, m.dir.string(), m.args);
    EXPECT_TRUE(image->journal().empty());
    std::string dumped;
    EXPECT_TRUE(author::JsonText(doc, &dumped, &error)) << error;
    image.reset();
    EXPECT_EQ(Snapshot(m.dir), before) << "explain changed the image";

    // check's outcome is explain's.
    author::BrandingOutcome outcome;
    ASSERT_TRUE(author::MachineOutcome(m.dir.string(), m.args, nullptr, &outcome, &error)) << error;
    Json decisions = author::OutcomeJson(outcome);
    for (const char* key : {"section", "stops", "favorites", "wallpapers", "signup", "failures"}) {
        EXPECT_EQ(decisions[key], doc[key]) << key;
    }

    // The matrix row of this machine's facts.
    const Json& id = doc["identification"];
    const author::MatrixRow* row = nullptr;
    author::Matrix matrix;
    if (id["library"] == "read" && doc["iniFile"]["exists"].get<bool>()) {
        author::MatrixOptions options;
        options.imageDir = m.dir.string();
        options.models = {id["model"].get<std::string>()};
        options.languages = {static_cast<uint16_t>(std::stoul(id["language"]["uiId"].get<std::string>(), nullptr, 16))};
        std::string region = id["region"]["code"].get<std::string>();
        if (id["region"]["source"] == "factory-file") options.regions = {region};
        bool wide = id["screen"]["shape"] == "WIDE";
        options.wide = wide;
        options.normal = !wide;
        ASSERT_TRUE(author::BuildMatrix(options, &matrix, &error)) << error;
        for (const author::MatrixRow& r : matrix.rows) {
            if (r.region == region) row = &r;
        }
        ASSERT_NE(row, nullptr);
    }

    // The run, for real, with its report.
    Json report = author::RunWithReport(m.dir.string(), m.args);
    auto after = Snapshot(m.dir);
    ASSERT_EQ(report["exit_code"], 0);

    // The report says what the disk shows: every file that is new or changed, at its size.
    std::set<std::string> reported;
    for (const auto& f : report["files"]) {
        std::string path = f["path"].get<std::string>();
        reported.insert(formats::Utf8ToAnsi(path));
        host::MappedPath mapped;
        std::unique_ptr<host::Image> now = host::Image::Open(m.dir.string(), &error);
        ASSERT_EQ(now->MapPath(formats::Utf8ToAnsi(path).c_str(), &mapped), 0u) << path;
        EXPECT_EQ(f["size_after"], fs::file_size(mapped.host)) << path;
    }
    size_t changed = 0;
    for (const auto& [rel, entry] : after) {
        auto was = before.find(rel);
        if (entry.folder || rel.rfind("drive_c/", 0) != 0) continue;
        if (was == before.end() || was->second.bytes != entry.bytes) ++changed;
    }
    EXPECT_GE(report["files"].size(), changed);

    // What the run did, against what explain said.
    // What the run appended to its log.
    std::string log;
    for (const auto& f : report["files"]) {
        std::string path = f["path"].get<std::string>();
        if (path.size() < 9 || !formats::AsciiSameText(path.substr(path.size() - 9), "Facet.log")) continue;
        std::unique_ptr<host::Image> now = host::Image::Open(m.dir.string(), &error);
        host::MappedPath mapped;
        ASSERT_EQ(now->MapPath(formats::Utf8ToAnsi(path).c_str(), &mapped), 0u);
        log = ReadAll(mapped.host).substr(f["size_before"].is_null() ? 0 : f["size_before"].get<size_t>());
    }
    std::vector<std::string> chosen = Logged(log, "INFO >> INI section will be used -->");
    if (doc["section"].is_null()) {
        EXPECT_TRUE(chosen.empty());
    } else {
        ASSERT_EQ(chosen.size(), 1u);
        EXPECT_EQ(author::Utf8FromImage(chosen[0]), doc["section"]);
    }
    std::set<std::string> madeShortcuts;
    for (const auto& f : doc["favorites"]) {
        if (f["shortcutResult"] == "made") madeShortcuts.insert(f["shortcut"].get<std::string>());
    }
    std::set<std::string> runShortcuts;
    for (const auto& f : report["files"]) {
        std::string path = f["path"].get<std::string>();
        if (path.size() > 4 && path.compare(path.size() - 4, 4, ".URL") == 0) runShortcuts.insert(path);
    }
    EXPECT_EQ(runShortcuts.size(), madeShortcuts.size());
    for (const auto& s : madeShortcuts) {
        bool found = false;
        for (const auto& r : runShortcuts) found = found || formats::AsciiSameText(r, s);
        EXPECT_TRUE(found) << s;
    }
    // Sign-up entries: every one explain names is in the file after the run; every one the
    // run changed is one explain names.
    std::string signupHost;
    {
        std::unique_ptr<host::Image> now = host::Image::Open(m.dir.string(), &error);
        host::MappedPath signup;
        if (now->MapPath(formats::Utf8ToAnsi(doc["signupFile"].get<std::string>()).c_str(), &signup) == 0) {
            signupHost = signup.host;
        }
    }
    std::string signupText = ReadAll(signupHost);
    for (const auto& e : doc["signup"]) {
        char buf[1024];
        bool cut = false;
        formats::ProfileGetString(signupText, formats::Utf8ToAnsi(e["section"].get<std::string>()).c_str(),
                                  formats::Utf8ToAnsi(e["key"].get<std::string>()).c_str(), "-", buf, sizeof(buf),
                                  &cut);
        EXPECT_EQ(author::Utf8FromImage(buf), e["value"]) << e["key"];
    }
    for (const auto& e : report["signup"]) {
        bool named = false;
        for (const auto& x : doc["signup"]) named = named || (x["key"] == e["key"] && x["value"] == e["value"]);
        EXPECT_TRUE(named) << e["key"];
    }
    const std::string main = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main";
    for (const auto& [key, value] : {std::make_pair("home", "Start Page"), std::make_pair("search", "Search Bar")}) {
        const Json& page = doc[key];
        if (!page.is_null() && page["applied"].get<bool>()) {
            EXPECT_EQ(RegValue(m.dir, main, value), author::Quoted(page["url"].get<std::string>())) << key;
        }
    }
    std::vector<std::string> copied = Logged(log, "Copy Wallpaper succeeded: \r\nfrom -->");
    std::vector<std::string> failed = Logged(log, "ERROR >> Copy Wallpaper failed: \r\nfrom -->");
    size_t explainCopied = 0;
    for (const auto& w : doc["wallpapers"]) explainCopied += w["result"] == "copied" ? 1 : 0;
    EXPECT_EQ(copied.size(), explainCopied);
    for (size_t i = 0; i < copied.size(); ++i) EXPECT_EQ(author::Utf8FromImage(copied[i]), doc["wallpapers"][i]["source"]);
    if (!failed.empty()) {
        EXPECT_EQ(doc["wallpapers"][copied.size()]["result"], "failed");
    }
    // The writes that fail are the ones explain said would.
    ASSERT_EQ(report["failures"].size(), doc["failures"].size());
    for (size_t i = 0; i < doc["failures"].size(); ++i) {
        EXPECT_EQ(report["failures"][i]["what"], doc["failures"][i]["what"]);
        EXPECT_EQ(report["failures"][i]["error"], doc["failures"][i]["error"]);
    }

    if (row == nullptr) return;
    // The matrix row says the same, for a run with -h.
    EXPECT_EQ(row->section, doc["section"]);
    std::vector<std::string> names;
    std::vector<std::string> shortcuts;
    for (const auto& f : doc["favorites"]) {
        if (!f["index"].is_null()) names.push_back(f["name"].get<std::string>());
        if (f["shortcutResult"] == "made") shortcuts.push_back(f["shortcut"].get<std::string>());
    }
    EXPECT_EQ(*row->favorites, names);
    EXPECT_EQ(*row->shortcuts, shortcuts);
    std::vector<std::string> signup;
    for (const auto& e : doc["signup"]) {
        if (e["key"] != "Home_page") {
            signup.push_back("[" + e["section"].get<std::string>() + "] " + e["key"].get<std::string>() + "=" +
                             e["value"].get<std::string>());
        }
    }
    std::vector<std::string> rowSignup;
    for (const std::string& e : *row->signup) {
        if (e.find("] Home_page=") == std::string::npos) rowSignup.push_back(e);
    }
    EXPECT_EQ(rowSignup, signup);
    std::vector<std::string> targets;
    for (const auto& w : doc["wallpapers"]) {
        if (w["result"] == "copied") targets.push_back(w["target"].get<std::string>());
    }
    EXPECT_EQ(*row->wallpapers, targets);
    if (!doc["search"].is_null() && doc["search"]["applied"].get<bool>()) {
        EXPECT_EQ(row->search, doc["search"]["url"]);
    }
    // A failed write shows as write-fails, or as asset-missing when a picture is missing.
    auto flagged = [&](const char* flag) { return std::find(row->flags.begin(), row->flags.end(), flag) != row->flags.end(); };
    if (doc["stops"].is_null() && !doc["failures"].empty()) {
        EXPECT_TRUE(flagged("write-fails") || flagged("asset-missing"));
    }
}

TEST_F(Agreement, EveryToolSaysWhatTheRunDoes) {
    std::vector<Machine> machines = Scenarios();
    size_t scenarios = machines.size();
    std::vector<Machine> generated = Generated(40);
    machines.insert(machines.end(), generated.begin(), generated.end());
    for (const Machine& m : machines) CheckMachine(m);
    EXPECT_GE(scenarios, 20u);
}

}  // namespace
