// The image boundary. A run and every tool stay inside the machine image: a link that
// leaves it is a missing path, whatever the engine does there; nothing that is not a
// regular file is read as one and nothing a tool reads is unbounded; two runs on one
// image, another program, a killed run's temporary file or an edit that keeps a file's
// size and time lose nothing and stop nothing.
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "author/engine_query.h"
#include "author/explain.h"
#include "author/matrix.h"
#include "author/matrix_input.h"
#include "author/output.h"
#include "author/run_report.h"
#include "author/suite_check.h"
#include "formats/profile_reader.h"
#include "machine_fixture.h"
#include "platform/host/machine.h"

namespace fs = std::filesystem;

namespace {

using Json = nlohmann::ordered_json;

const fs::path kSample = fs::path(FACET_SOURCE_DIR) / "examples" / "machine";
const char kSignup[] = "drive_c/Program Files/Internet Explorer/SIGNUP";
const char kWallpaper[] = "drive_c/Facet/Bitmap/Wallpapers/First/standard/1920x1200.jpg";

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

// Every name below a folder with what it holds: bytes, "/" for a folder, the target of a link.
std::map<std::string, std::string> Contents(const fs::path& root) {
    std::map<std::string, std::string> out;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
        std::string& what = out[fs::relative(e.path(), root).string()];
        if (e.is_symlink()) {
            what = "-> " + fs::read_symlink(e.path()).string();
        } else if (e.is_directory()) {
            what = "/";
        } else if (e.is_regular_file()) {
            what = Slurp(e.path());
        } else {
            what = "special";
        }
    }
    return out;
}

std::string LogText(const Json& report) {
    std::string text;
    for (const auto& line : report["log"]) text += line.get<std::string>() + "\n";
    return text;
}

// The sample machine in a folder of its own with a folder "outside" beside it. Its
// model has no option code, so the region comes from the factory options file.
class ImageBoundary : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/facet-boundary-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        root_ = templ;
        FreshImage();
        fs::create_directories(Outside(""));
        Spit(Outside("sentinel.txt"), "outside the image\n");
    }
    void TearDown() override {
        host::CloseMachine();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    void FreshImage() {
        fs::remove_all(root_ / "img");
        fs::copy(kSample, root_ / "img", fs::copy_options::recursive);
        std::string ini = Slurp(Img("machine.ini"));
        ini.replace(ini.find(" #E20"), 5, "");
        Spit(Img("machine.ini"), ini);
    }
    fs::path Img(const std::string& rel) const { return root_ / "img" / rel; }
    fs::path Outside(const std::string& rel) const { return root_ / "outside" / rel; }
    std::string dir() const { return (root_ / "img").string(); }
    // What the image has at rel moves outside and a link to it takes its place.
    void LinkOut(const std::string& rel) {
        fs::path to = Outside(fs::path(rel).filename().string());
        if (fs::exists(Img(rel))) {
            fs::rename(Img(rel), to);
        } else {
            fs::create_directories(to);
            fs::create_directories(Img(rel).parent_path());
        }
        fs::create_symlink(to, Img(rel));
    }

    fs::path root_;
};

// ---------------------------------------------------------------------------------------
// Nothing leaves the image

struct Escape {
    const char* name;
    const char* rel;  // below the image folder
    enum Kind {
        kOut,
        kLoop,
        kDangling,
        kInside,
        kUnreadable
    } kind;
    const char* failed;  // a write the run reports as failing with 3, or ""
    const char* logged;  // what the log says, or ""
    const char* region;  // where the region came from
};

void PrintTo(const Escape& c, std::ostream* os) { *os << c.name; }

class Escapes : public ImageBoundary, public ::testing::WithParamInterface<Escape> {};

TEST_P(Escapes, ALinkThatLeavesIsAMissingPath) {
    const Escape& c = GetParam();
    std::string rel = c.rel;
    switch (c.kind) {
        case Escape::kOut:
        case Escape::kUnreadable: LinkOut(rel); break;
        case Escape::kLoop:
            fs::remove_all(Img(rel));
            fs::create_symlink("Loop2", Img(rel));
            fs::create_symlink(Img(rel).filename(), Img(rel).parent_path() / "Loop2");
            break;
        case Escape::kDangling:
            fs::remove_all(Img(rel));
            fs::create_symlink(Outside("nothing-here"), Img(rel));
            break;
        case Escape::kInside:
            fs::rename(Img(rel), Img(rel + "-real"));
            fs::create_symlink(Img(rel).filename().string() + "-real", Img(rel));
            break;
    }
    if (rel == "drive_c/Facet/Facet.INI") {
        // Were the link followed, this file would decide the branding.
        Spit(Outside("Facet.INI"), "[DEFAULT_SECTION]\r\nHome=OUT\r\nSearch=OUT\r\n[OUT]\r\nName=Out\r\nPath=http://outside.example/\r\n");
    }
    const std::map<std::string, std::string> outside = Contents(Outside(""));

    std::string error;
    std::unique_ptr<host::Image> image = host::Image::Open(dir(), &error);
    if (c.kind == Escape::kUnreadable) {
        EXPECT_EQ(image, nullptr);
        EXPECT_NE(error.find(fs::path(rel).filename().string()), std::string::npos) << error;
        EXPECT_EQ(author::RunWithReport(dir(), {"-h"})["exit_code"], 2);
        EXPECT_EQ(Contents(Outside("")), outside);
        return;
    }
    ASSERT_NE(image, nullptr) << error;
    Json explained = author::ExplainMachine(*image, dir(), {"-h"});
    image.reset();
    Json report = author::RunWithReport(dir(), {"-h"});

    EXPECT_EQ(report["exit_code"], 0);
    EXPECT_EQ(explained["failures"], report["failures"]);
    EXPECT_EQ(explained["identification"]["region"]["source"], c.region);
    bool failed = false;
    for (const auto& f : report["failures"]) {
        EXPECT_EQ(f["error"], 3) << f.dump();
        failed = failed || f["what"] == c.failed;
    }
    EXPECT_EQ(failed, c.failed[0] != '\0') << report["failures"].dump();
    std::string log = LogText(report);
    EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    EXPECT_EQ(report.dump().find("outside.example"), std::string::npos);
    EXPECT_EQ(Contents(Outside("")), outside);
    if (c.kind == Escape::kInside) {
        EXPECT_TRUE(fs::is_regular_file(Img(rel + "-real/Corvane Support.URL")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boundary, Escapes,
    ::testing::Values(
        Escape{"LogFolder", "drive_c/FACTORY/Util", Escape::kOut, "C:\\FACTORY\\Util", "Facet Installation Completed",
               "fallback"},
        Escape{"WorkFolder", "drive_c/Program Files/Corvane/Facet", Escape::kOut, "C:\\Program Files\\Corvane\\Facet",
               "", "factory-file"},
        Escape{"Favorites", "drive_c/Users/Facet/Favorites", Escape::kOut,
               "C:\\Users\\Facet\\Favorites\\Corvane Support.URL", "ERROR >> Create URL failed", "factory-file"},
        Escape{"SignupFolder", kSignup, Escape::kOut, "C:\\Program Files\\Internet Explorer\\SIGNUP\\INSTALL.INS",
               "ERROR >> Write sign-up entry failed", "factory-file"},
        Escape{"WindowsWallpapers", "drive_c/Windows/Web/Wallpaper", Escape::kOut,
               "C:\\Windows\\Web\\Wallpaper\\First.jpg", "Copy Wallpaper failed", "factory-file"},
        Escape{"BitmapTree", "drive_c/Facet/Bitmap", Escape::kOut, "C:\\Program Files\\Corvane\\Facet\\First.jpg",
               "Copy Wallpaper failed", "factory-file"},
        Escape{"OneWallpaper", kWallpaper, Escape::kOut, "C:\\Program Files\\Corvane\\Facet\\First.jpg",
               "Copy Wallpaper failed", "factory-file"},
        Escape{"BrandingFile", "drive_c/Facet/Facet.INI", Escape::kOut, "", "FACET.INI file NOT found",
               "factory-file"},
        Escape{"VersionFile", "drive_c/Facet/FacetVer.exe", Escape::kOut,
               "C:\\Program Files\\Corvane\\Facet\\FacetVer.exe", "Copy Version File failed", "factory-file"},
        Escape{"FactoryFile", "drive_c/FACTORY/Util/QOR.INI", Escape::kOut, "", "Facet Installation Completed",
               "fallback"},
        Escape{"MachineIni", "machine.ini", Escape::kUnreadable, "", "", ""},
        Escape{"Registry", "registry.reg", Escape::kUnreadable, "", "", ""},
        Escape{"Drive", "drive_c", Escape::kUnreadable, "", "", ""},
        Escape{"Loop", "drive_c/Users/Facet/Favorites", Escape::kLoop,
               "C:\\Users\\Facet\\Favorites\\Corvane Support.URL", "ERROR >> Create URL failed", "factory-file"},
        Escape{"Dangling", "drive_c/Users/Facet/Favorites", Escape::kDangling,
               "C:\\Users\\Facet\\Favorites\\Corvane Support.URL", "ERROR >> Create URL failed", "factory-file"},
        Escape{"Inside", "drive_c/Users/Facet/Favorites", Escape::kInside, "", "Facet Installation Completed",
               "factory-file"}),
    [](const ::testing::TestParamInfo<Escape>& info) { return std::string(info.param.name); });

// What a tool puts in memory (a branding file standing in, the factory file's regions)
// stands over a link that leaves the image, and still nothing outside is read or changed.
TEST_F(ImageBoundary, WhatAToolPutsStandsOverALinkThatLeaves) {
    LinkOut("drive_c/Facet");
    LinkOut("drive_c/FACTORY/Util");
    const std::map<std::string, std::string> outside = Contents(Outside(""));
    const std::map<std::string, std::string> image = Contents(Img(""));
    std::string ini = Slurp(kSample / "drive_c/Facet/Facet.INI");

    author::BrandingOutcome outcome;
    std::string error;
    ASSERT_TRUE(author::MachineOutcome(dir(), {"-h"}, &ini, &outcome, &error)) << error;
    EXPECT_EQ(outcome.stops, "");
    EXPECT_EQ(outcome.section, "COMMERCIAL");  // no factory file: the fallback region

    author::MatrixOptions o;
    o.imageDir = dir();
    o.iniPath = (kSample / "drive_c/Facet/Facet.INI").string();
    o.models = {"Corvane KL-5400 Business"};
    o.languages = {0x0809};
    o.regions = {"UK"};
    o.normal = false;
    author::Matrix m;
    ASSERT_TRUE(author::BuildMatrix(o, &m, &error)) << error;
    bool uk = false;
    for (const author::MatrixRow& r : m.rows) uk = uk || (r.regionSource == "qor-ini" && r.section == "UK-0809-COMMERCIAL");
    EXPECT_TRUE(uk);

    EXPECT_EQ(Contents(Outside("")), outside);
    EXPECT_EQ(Contents(Img("")), image);
}

// ---------------------------------------------------------------------------------------
// Nothing hangs or crashes

TEST_F(ImageBoundary, OnlyRegularFilesAreReadAsFiles) {
    fs::remove(Img(kWallpaper));
    ASSERT_EQ(mkfifo(Img(kWallpaper).c_str(), 0644), 0);
    // A device node where the version file should be (a pipe where nodes cannot be made).
    fs::remove(Img("drive_c/Facet/FacetVer.exe"));
    if (mknod(Img("drive_c/Facet/FacetVer.exe").c_str(), S_IFCHR | 0644, makedev(1, 3)) != 0) {
        ASSERT_EQ(mkfifo(Img("drive_c/Facet/FacetVer.exe").c_str(), 0644), 0);
    }
    fs::create_directory(Img(std::string(kSignup) + "/INSTALL.INS"));

    // Not even opened: opening a device can act (a watchdog starts), a pipe can wait.
    int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    for (const char* rel : {kWallpaper, "drive_c/Facet/FacetVer.exe"}) {
        ASSERT_GE(inotify_add_watch(watch, Img(rel).c_str(), IN_OPEN | IN_ACCESS), 0) << rel;
    }

    std::string error;
    std::unique_ptr<host::Image> image = host::Image::Open(dir(), &error);
    ASSERT_NE(image, nullptr) << error;
    Json explained = author::ExplainMachine(*image, dir(), {"-h"});
    image.reset();
    Json report = author::RunWithReport(dir(), {"-h"});
    EXPECT_EQ(report["exit_code"], 0);
    EXPECT_EQ(explained["failures"], report["failures"]);
    char events[4096];
    EXPECT_LT(read(watch, events, sizeof(events)), 0) << "a pipe or a device was opened";
    std::map<std::string, int> failed;
    for (const auto& f : report["failures"]) failed[f["what"].get<std::string>()] = f["error"].get<int>();
    EXPECT_EQ(failed["C:\\Program Files\\Corvane\\Facet\\First.jpg"], 5);
    EXPECT_EQ(failed["C:\\Program Files\\Corvane\\Facet\\FacetVer.exe"], 5);
    EXPECT_EQ(failed["C:\\Program Files\\Internet Explorer\\SIGNUP\\INSTALL.INS"], 5);
    EXPECT_TRUE(fs::is_fifo(Img(kWallpaper)));

    // The matrix without an image: a pipe beside the branding file is no picture.
    author::MatrixOptions o;
    o.iniPath = Img("drive_c/Facet/Facet.INI").string();
    o.wallpaperRoot = Img("drive_c/Facet").string();
    o.models = {"Corvane KL-5400 Business"};
    o.languages = {0x0809};
    o.regions = {"UK"};
    o.normal = false;
    author::Matrix m;
    ASSERT_TRUE(author::BuildMatrix(o, &m, &error)) << error;
    ASSERT_FALSE(m.rows.empty());
    for (const author::MatrixRow& r : m.rows) {
        EXPECT_NE(std::find(r.flags.begin(), r.flags.end(), "asset-missing"), r.flags.end()) << r.section;
    }

    // The image's own files and a suite's expectations: a pipe or a folder is refused.
    for (const char* name : {"registry.reg", "machine.ini"}) {
        fs::path saved = Img(std::string(name) + ".saved");
        fs::rename(Img(name), saved);
        for (bool pipe : {true, false}) {
            ASSERT_TRUE(pipe ? mkfifo(Img(name).c_str(), 0644) == 0 : fs::create_directory(Img(name)));
            EXPECT_EQ(host::Image::Open(dir(), &error), nullptr) << name;
            EXPECT_NE(error.find(name), std::string::npos) << error;
            fs::remove(Img(name));
        }
        fs::rename(saved, Img(name));
    }
    std::string bytes;
    bool missing = false;
    ASSERT_EQ(mkfifo(Img("expect.json").c_str(), 0644), 0);
    ASSERT_GE(inotify_add_watch(watch, Img("expect.json").c_str(), IN_OPEN | IN_ACCESS), 0);
    EXPECT_FALSE(author::ReadFolderFile(dir(), "expect.json", author::kJsonLimit, &bytes, &missing, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_LT(read(watch, events, sizeof(events)), 0) << "expect.json, a pipe, was opened";
    close(watch);
    EXPECT_FALSE(author::ReadInput(dir(), author::kBrandingLimit, &bytes, &error));  // --ini DIR
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
}

TEST(ToolInputs, ReadsAreBoundedAndReportsChecked) {
    char templ[] = "/tmp/facet-inputs-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    std::string file = std::string(templ) + "/list.txt";
    std::string bytes;
    std::string error;
    Spit(file, std::string((1u << 20) + 1, 'x'));
    EXPECT_FALSE(author::ReadInput(file, 1u << 20, &bytes, &error));
    EXPECT_NE(error.find("larger than 1 MB"), std::string::npos) << error;
    Spit(file, std::string(1u << 20, 'x'));
    EXPECT_TRUE(author::ReadInput(file, 1u << 20, &bytes, &error)) << error;
    fs::remove_all(templ);

    // 200 KB nested 100,000 deep: refused before any parser walks it.
    nlohmann::json doc;
    EXPECT_FALSE(author::ParseJsonInput(std::string(100000, '[') + std::string(100000, ']'), author::kJsonDepthLimit,
                                        &doc, &error));
    EXPECT_NE(error.find("nested deeper than 64"), std::string::npos) << error;
    auto nested = [](int depth) { return std::string(depth, '[') + "\"[{\\\"[\"" + std::string(depth, ']'); };
    EXPECT_TRUE(author::ParseJsonInput(nested(64), author::kJsonDepthLimit, &doc, &error)) << error;
    EXPECT_FALSE(author::ParseJsonInput(nested(65), author::kJsonDepthLimit, &doc, &error));

    // A run report's numbers: whole, in range, or it is no run report.
    auto report = [](const std::string& code, const std::string& size) {
        return "{\"exit_code\": " + code + ", \"files\": [{\"path\": \"C:\\\\a\", \"existed\": true, \"size_before\": " +
               size + ", \"size_after\": 2}], \"registry\": [], \"signup\": [], \"log\": []}";
    };
    std::string text;
    ASSERT_TRUE(author::ParseJsonInput(report("0", "1"), author::kJsonDepthLimit, &doc, &error)) << error;
    EXPECT_TRUE(author::FormatRunDiff(doc, &text, &error)) << error;
    for (const auto& [code, size] : std::vector<std::pair<std::string, std::string>>{
             {"256", "1"}, {"-1", "1"}, {"0.5", "1"}, {"1e300", "1"}, {"18446744073709551615", "1"}, {"0", "-1"}, {"0", "1.5"}, {"0", "1e30"}, {"0", "18446744073709551616"}, {"0", "\"1\""}}) {
        ASSERT_TRUE(author::ParseJsonInput(report(code, size), author::kJsonDepthLimit, &doc, &error)) << error;
        EXPECT_FALSE(author::FormatRunDiff(doc, &text, &error)) << code << " " << size;
        EXPECT_EQ(error.rfind("not a run report", 0), 0u) << error;
    }
}

TEST(MatrixInputs, LongHexLanguagePartsAndAFolderForABrandingFile) {
    EXPECT_EQ(author::LanguagesNamedBySections(
                  {"UK-FFFFFFFFFFFFFFFFFFFFFFFF-COMMERCIAL", "UK-FFFFFFFFF-SMB", "*-0C-COMMERCIAL", "UK-0809-SMB"}),
              (std::vector<uint16_t>{0x0409, 0x040C, 0x0809}));
    std::vector<uint16_t> languages;
    std::string error;
    EXPECT_FALSE(author::ParseLanguages("FFFFFFFFFFFFFFFFFFFFFFFF", &languages, &error));

    char templ[] = "/tmp/facet-matrix-input-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    author::MatrixOptions o;
    o.iniPath = std::string(templ) + "/Facet.INI";
    Spit(o.iniPath, "[UK-FFFFFFFFFFFFFFFFFFFFFFFF-COMMERCIAL]\r\nHome=L\r\n[L]\r\nName=L\r\nPath=http://l.example/\r\n");
    o.models = {"Corvane KL-5400 Business"};
    o.regions = {"UK"};
    author::Matrix m;
    EXPECT_TRUE(author::BuildMatrix(o, &m, &error)) << error;
    EXPECT_EQ(m.languages, std::vector<uint16_t>{0x0409});
    EXPECT_FALSE(m.rows.empty());

    o.iniPath = templ;  // --ini DIR
    EXPECT_FALSE(author::BuildMatrix(o, &m, &error));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
    fs::remove_all(templ);
}

// ---------------------------------------------------------------------------------------
// Nothing is lost

TEST_F(ImageBoundary, TwoRunsAtOnceKeepEachOthersEntries) {
    for (int round = 0; round < 20; ++round) {
        FreshImage();
        int gate[2];
        ASSERT_EQ(pipe(gate), 0);
        pid_t runs[2];
        for (int k = 0; k < 2; ++k) {
            runs[k] = fork();
            ASSERT_GE(runs[k], 0);
            if (runs[k] == 0) {
                close(gate[1]);
                char c;
                while (read(gate[0], &c, 1) < 0 && errno == EINTR) {
                }
                std::string error;
                std::unique_ptr<host::Image> image = host::Image::Open(dir(), &error);
                int code = 2;
                if (image) {
                    author::EngineQuery query(*image);
                    code = query.Run(k == 0 ? std::vector<std::string>{"-h"} : std::vector<std::string>{}).exitCode;
                }
                _exit(code);
            }
        }
        close(gate[0]);
        close(gate[1]);  // both start now
        for (pid_t pid : runs) {
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }

        std::string registry = Slurp(Img("registry.reg"));
        EXPECT_NE(registry.find("\"Start Page\"=\"http://www.corvane.example/uk/\""), std::string::npos) << round;
        EXPECT_NE(registry.find("\"Search Bar\"=\"http://search.corvane.example/"), std::string::npos) << round;
        std::string signup = Slurp(Img(std::string(kSignup) + "/INSTALL.INS"));
        for (const char* key : {"URL/Home_page", "URL/Search_Page", "FavoritesEx/Title1", "FavoritesEx/URL1",
                                "FavoritesEx/Title2", "FavoritesEx/URL2", "FavoritesEx/Title3", "FavoritesEx/URL3"}) {
            std::string k = key;
            std::string section = k.substr(0, k.find('/'));
            char value[260];
            bool cut = false;
            formats::ProfileGetString(signup, section.c_str(), k.substr(k.find('/') + 1).c_str(), "", value,
                                      sizeof(value), &cut);
            EXPECT_NE(value[0], '\0') << key << " lost in round " << round << ":\n"
                                      << signup;
        }
        if (HasFailure()) break;
    }
}

// Another program rewrites registry.reg in place while a run has the image open: the
// run takes its values and keeps them.
TEST_F(ImageBoundary, RegistryRewrittenInPlaceDuringARun) {
    std::string error;
    std::unique_ptr<host::Image> image = host::Image::Open(dir(), &error);
    ASSERT_NE(image, nullptr) << error;
    std::string text = Slurp(Img("registry.reg"));
    int fd = open(Img("registry.reg").c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    text += "\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"Kept\"=\"yes\"\r\n";
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);

    author::EngineQuery query(*image);
    EXPECT_EQ(query.Run({"-h"}).exitCode, 0);
    std::string after = Slurp(Img("registry.reg"));
    EXPECT_NE(after.find("\"Kept\"=\"yes\""), std::string::npos);
    EXPECT_NE(after.find("\"Start Page\"=\"http://www.corvane.example/uk/\""), std::string::npos);
}

class CacheBoundary : public MachineTest {};

// An edit from outside that keeps the file (or the folder) its size and its modification
// time is still seen: the caches compare the inode and the change time too.
TEST_F(CacheBoundary, InPlaceEditsKeepingSizeAndTimeAreSeen) {
    PutFile("drive_c/A.INI", "[s]\r\nk=one\r\n");
    PutFile("drive_c/F/old.txt", "x");
    Open();
    char value[16];
    GetPrivateProfileStringA("s", "k", "", value, sizeof(value), "C:\\A.INI");
    EXPECT_STREQ(value, "one");
    host::MappedPath p;
    ASSERT_EQ(host::MapPath("C:\\F\\new.txt", &p), 0u);
    EXPECT_FALSE(p.exists);

    struct stat file, folder;
    ASSERT_EQ(stat(Path("drive_c/A.INI").c_str(), &file), 0);
    ASSERT_EQ(stat(Path("drive_c/F").c_str(), &folder), 0);
    int fd = open(Path("drive_c/A.INI").c_str(), O_WRONLY);
    ASSERT_EQ(pwrite(fd, "[s]\r\nk=two\r\n", 12, 0), 12);
    close(fd);
    ASSERT_EQ(rename(Path("drive_c/F/old.txt").c_str(), Path("drive_c/F/new.txt").c_str()), 0);
    for (const auto& [rel, st] : {std::make_pair("drive_c/A.INI", file), std::make_pair("drive_c/F", folder)}) {
        timespec times[2] = {st.st_atim, st.st_mtim};
        ASSERT_EQ(utimensat(AT_FDCWD, Path(rel).c_str(), times, 0), 0);
        struct stat now;
        ASSERT_EQ(stat(Path(rel).c_str(), &now), 0);
        ASSERT_TRUE(now.st_ino == st.st_ino && now.st_size == st.st_size &&
                    now.st_mtim.tv_nsec == st.st_mtim.tv_nsec && now.st_mtim.tv_sec == st.st_mtim.tv_sec);
    }

    GetPrivateProfileStringA("s", "k", "", value, sizeof(value), "C:\\A.INI");
    EXPECT_STREQ(value, "two");
    ASSERT_EQ(host::MapPath("C:\\F\\new.txt", &p), 0u);
    EXPECT_TRUE(p.exists);
}

// A killed run's temporary file (".facet-PID-N.tmp" of a process that is gone) goes when
// its folder is next written; a folder of that name, or a live process's file, stays and
// is passed over, and no run or tool output is stopped by either.
TEST_F(ImageBoundary, TemporaryFilesOfKilledRunsAreClearedAndNeverInTheWay) {
    pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) _exit(0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    auto temp = [](pid_t pid, int n) { return ".facet-" + std::to_string(pid) + "-" + std::to_string(n) + ".tmp"; };
    fs::path signup = Img(kSignup);
    Spit(signup / temp(gone, 1), "half a sign-up file");
    fs::create_directory(signup / temp(gone, 2));
    Spit(signup / temp(getppid(), 1), "a live writer's");
    Spit(Img(temp(gone, 7)), "half a registry");

    Json report = author::RunWithReport(dir(), {"-h"});
    EXPECT_EQ(report["exit_code"], 0);
    EXPECT_TRUE(report["failures"].empty()) << report["failures"].dump();
    EXPECT_FALSE(fs::exists(signup / temp(gone, 1)));
    EXPECT_FALSE(fs::exists(Img(temp(gone, 7))));
    EXPECT_TRUE(fs::is_directory(signup / temp(gone, 2)));
    EXPECT_EQ(Slurp(signup / temp(getppid(), 1)), "a live writer's");
    EXPECT_NE(Slurp(signup / "INSTALL.INS").find("Home_page="), std::string::npos);

    // A tool's output, where an earlier process of this id left its temporary files.
    Spit(Outside(temp(getpid(), 1)), "earlier");
    fs::create_directory(Outside(temp(getpid(), 2)));
    std::string error;
    ASSERT_TRUE(author::WriteOutput(Outside("report.json").string(), "{}\n", &error)) << error;
    EXPECT_EQ(Slurp(Outside("report.json")), "{}\n");
    EXPECT_EQ(Slurp(Outside(temp(getpid(), 1))), "earlier");
}

}  // namespace
