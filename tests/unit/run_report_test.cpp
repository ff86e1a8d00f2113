// Run reports: what a run changed in an image, and the listing facet-sim diff prints.
#include <cstdio>
#include <string>

#include "author/run_report.h"
#include "machine_fixture.h"

namespace {

const char kShellFolders[] =
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
    "\"Favorites\"=\"C:\\\\Users\\\\Facet\\\\Favorites\"\r\n\r\n";

const char kOldSignup[] = "[FavoritesEx]\r\nTitle1=Old.URL\r\nURL1=http://old.example/\r\n";

class RunReportTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        SetMachineIni("[Machine]\r\nExecutable=C:\\Facet\\Facet.exe\r\n[ZMINT]\r\nModelName=Corvane KL-5400\r\n");
        MakeDir("drive_c/FACTORY/Util");
        MakeDir("drive_c/Users/Facet/Favorites");
        PutFile("registry.reg", std::string("Windows Registry Editor Version 5.00\r\n\r\n") + kShellFolders +
                                    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main]\r\n"
                                    "\"Start Page\"=\"about:blank\"\r\n\r\n");
        PutFile("drive_c/Facet/Facet.INI",
                "[DEFAULT_SECTION]\r\nHome=H\r\nSearch=S\r\nFavorites=L1\r\n"
                "[H]\r\nName=Home\r\nPath=http://home.example/\r\n"
                "[S]\r\nName=Find\r\nPath=http://find.example/\r\n"
                "[L1]\r\nName=One\r\nPath=http://one.example/\r\n");
        // A sign-up file with one favorite already: the run adds the second.
        PutFile("drive_c/Program Files/Internet Explorer/SIGNUP/INSTALL.INS", kOldSignup);
        PutFile("drive_c/Users/Facet/Favorites/Unrelated.URL", "[InternetShortcut]\r\nURL=http://x.example/\r\n");
    }

    // Each entry logged alone ends in a blank line of its own: the last line with text.
    static std::string LastLogText(const nlohmann::ordered_json& report) {
        std::string last;
        for (const auto& line : report["log"]) {
            if (!line.get<std::string>().empty()) last = line.get<std::string>();
        }
        return last;
    }

    static const nlohmann::ordered_json* FindFile(const nlohmann::ordered_json& report, const std::string& path) {
        for (const auto& f : report["files"]) {
            if (f["path"] == path) return &f;
        }
        return nullptr;
    }
};

TEST_F(RunReportTest, RecordsCreatedAndChangedFilesButNotUnchangedOnes) {
    nlohmann::ordered_json report = author::RunWithReport(dir_, {"-h"});
    EXPECT_EQ(report["exit_code"], 0);

    const auto* shortcut = FindFile(report, "C:\\Users\\Facet\\Favorites\\One.URL");
    ASSERT_NE(shortcut, nullptr);
    EXPECT_EQ((*shortcut)["existed"], false);
    EXPECT_TRUE((*shortcut)["size_before"].is_null());
    EXPECT_EQ((*shortcut)["size_after"], ReadFile("drive_c/Users/Facet/Favorites/One.URL").size());

    const auto* signup = FindFile(report, "C:\\Program Files\\Internet Explorer\\SIGNUP\\INSTALL.INS");
    ASSERT_NE(signup, nullptr);
    EXPECT_EQ((*signup)["existed"], true);
    EXPECT_EQ((*signup)["size_before"], sizeof(kOldSignup) - 1);
    EXPECT_EQ((*signup)["size_after"], ReadFile("drive_c/Program Files/Internet Explorer/SIGNUP/INSTALL.INS").size());

    EXPECT_EQ(FindFile(report, "C:\\Users\\Facet\\Favorites\\Unrelated.URL"), nullptr);
    EXPECT_EQ(FindFile(report, "C:\\Facet\\Facet.INI"), nullptr);
    EXPECT_NE(FindFile(report, "C:\\FACTORY\\Util\\Facet.Log"), nullptr);
}

TEST_F(RunReportTest, RegistryValuesInRegNotationWithNullForMissing) {
    nlohmann::ordered_json report = author::RunWithReport(dir_, {"-h"});
    const std::string main = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main";
    nlohmann::ordered_json want = nlohmann::ordered_json::array();
    want.push_back({{"key", main}, {"value", "Search Bar"}, {"before", nullptr}, {"after", "\"http://find.example/\""}});
    want.push_back({{"key", main}, {"value", "Start Page"}, {"before", "\"about:blank\""}, {"after", "\"http://home.example/\""}});
    want.push_back({{"key", main}, {"value", "Use Custom Search URL"}, {"before", nullptr}, {"after", "dword:00000001"}});
    EXPECT_EQ(report["registry"], want);
}

TEST_F(RunReportTest, SignupEntriesAddedAndLogLinesAppended) {
    PutFile("drive_c/FACTORY/Util/Facet.Log", "an older run\r\n");
    nlohmann::ordered_json report = author::RunWithReport(dir_, {});
    nlohmann::ordered_json want = nlohmann::ordered_json::array();
    want.push_back({{"section", "FavoritesEx"}, {"key", "Title2"}, {"value", "One.URL"}});
    want.push_back({{"section", "FavoritesEx"}, {"key", "URL2"}, {"value", "http://one.example/"}});
    want.push_back({{"section", "URL"}, {"key", "Search_Page"}, {"value", "http://find.example/"}});
    EXPECT_EQ(report["signup"], want);

    const auto& log = report["log"];
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], "");  // the appended run starts with its own blank lines, not the older run
    EXPECT_EQ(log[2], "FACET INSTALLATION LOG");
    EXPECT_EQ(LastLogText(report), "ResultCode=0");
}

TEST_F(RunReportTest, RunThatStopsEarlyReportsOnlyWhatItDid) {
    std::remove(Path("drive_c/Facet/Facet.INI").c_str());
    nlohmann::ordered_json report = author::RunWithReport(dir_, {"-h"});
    EXPECT_EQ(report["exit_code"], 0);
    ASSERT_EQ(report["files"].size(), 1u);
    EXPECT_EQ(report["files"][0]["path"], "C:\\FACTORY\\Util\\Facet.Log");
    EXPECT_TRUE(report["registry"].empty());
    EXPECT_TRUE(report["signup"].empty());
    EXPECT_EQ(LastLogText(report), "ERROR >> FACET.INI file NOT found.  Facet stops.");
}

TEST_F(RunReportTest, UnreadableImageIsExitCodeTwoAndChangesNothing) {
    PutFile("registry.reg", "Windows Registry Editor Version 5.00\r\n\r\n\"orphan\"=\"value\"\r\n");
    nlohmann::ordered_json report = author::RunWithReport(dir_, {});
    EXPECT_EQ(report["exit_code"], 2);
    EXPECT_NE(report["error"].get<std::string>().find("registry.reg"), std::string::npos) << report["error"];
    EXPECT_TRUE(report["files"].empty());
    EXPECT_FALSE(Exists("drive_c/FACTORY/Util/Facet.Log"));

    report = author::RunWithReport(dir_ + "/no-such-image", {});
    EXPECT_EQ(report["exit_code"], 2);
}

TEST(RunDiffTest, ListsFilesRegistryAndSignupLikeADiffStat) {
    nlohmann::json report = nlohmann::json::parse(R"({
      "exit_code": 0,
      "files": [
        {"path": "C:\\FACTORY\\Util\\Facet.Log", "existed": true, "size_before": 10, "size_after": 3000},
        {"path": "C:\\Users\\F\\One.URL", "existed": false, "size_before": null, "size_after": 52}
      ],
      "registry": [
        {"key": "HKEY_CURRENT_USER\\Main", "value": "Search Bar", "before": null, "after": "\"http://f/\""},
        {"key": "HKEY_CURRENT_USER\\Main", "value": "Start Page", "before": "\"about:blank\"", "after": "\"http://h/\""},
        {"key": "HKEY_CURRENT_USER\\Other", "value": "", "before": "dword:00000001", "after": null}
      ],
      "signup": [{"section": "FavoritesEx", "key": "Title2", "value": "One.URL"}],
      "log": ["", "a", "b"]
    })");
    std::string text;
    std::string error;
    ASSERT_TRUE(author::FormatRunDiff(report, &text, &error)) << error;
    EXPECT_EQ(text,
              " C:\\FACTORY\\Util\\Facet.Log | 10 -> 3000 bytes\n"
              " C:\\Users\\F\\One.URL        | new, 52 bytes\n"
              "\n"
              "[HKEY_CURRENT_USER\\Main]\n"
              "+\"Search Bar\"=\"http://f/\"\n"
              "-\"Start Page\"=\"about:blank\"\n"
              "+\"Start Page\"=\"http://h/\"\n"
              "[HKEY_CURRENT_USER\\Other]\n"
              "-@=dword:00000001\n"
              "+@=-\n"
              "\n"
              "sign-up file:\n"
              "+[FavoritesEx] Title2=One.URL\n"
              "\n"
              " 2 files changed (1 created), 3 registry values set, 1 sign-up entry added, 3 log lines appended, "
              "exit code 0\n");
}

TEST(RunDiffTest, FailedWritesAndControlCharactersAreShownOnTheirLines) {
    nlohmann::json report = nlohmann::json::parse(R"({"exit_code": 0, "files": [], "registry": [], "log": [],
      "signup": [{"section": "FavoritesEx", "key": "Title1", "value": "a\tb.URL"}],
      "failures": [{"what": "C:\\F\\a.URL", "error": 3, "text": "The system cannot find the path specified."}]})");
    std::string text;
    std::string error;
    ASSERT_TRUE(author::FormatRunDiff(report, &text, &error)) << error;
    EXPECT_NE(text.find("+[FavoritesEx] Title1=a\\tb.URL\n"), std::string::npos) << text;
    EXPECT_NE(text.find("failed writes:\n!C:\\F\\a.URL: The system cannot find the path specified.\n"), std::string::npos)
        << text;
}

TEST(RunDiffTest, SomethingElseIsNotARunReport) {
    std::string text;
    std::string error;
    EXPECT_FALSE(author::FormatRunDiff(nlohmann::json::parse(R"({"exit_code": 0})"), &text, &error));
    EXPECT_NE(error.find("not a run report"), std::string::npos);
    EXPECT_FALSE(author::FormatRunDiff(nlohmann::json::parse(R"({"exit_code": 0, "files": [{"path": 3}],
        "registry": [], "signup": [], "log": []})"),
                                       &text, &error));
}

}  // namespace
