// The branding actions: favorites and their numbering, the home and search pages.
#include <cstring>
#include <string>

#include "actions/favorites.h"
#include "actions/pages.h"
#include "actions/signup.h"
#include "machine_fixture.h"
#include "platform/host/machine.h"
#include "formats/reg_format.h"
#include "run/run_state.h"

namespace {

const char kSignup[] = "drive_c/Program Files/Internet Explorer/SIGNUP/INSTALL.INS";
const char kFavorites[] = "drive_c/Users/Facet/Favorites";
const char kMain[] = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main";

class ActionsTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MakeDir("drive_c/Program Files/Internet Explorer/SIGNUP");
        MakeDir(kFavorites);
        SetFavoritesFolder("\"C:\\\\Users\\\\Facet\\\\Favorites\"");
    }
    // The Shell Folders "Favorites" value in .reg notation; empty for no value at all.
    void SetFavoritesFolder(const std::string& data) {
        std::string reg = "Windows Registry Editor Version 5.00\r\n\r\n";
        if (!data.empty()) {
            reg += "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
                   "\"Favorites\"=" +
                   data + "\r\n\r\n";
        }
        PutFile("registry.reg", reg);
    }
    // Opens the image with `section` as the chosen section of this Facet.INI.
    void Start(const std::string& ini, const char* section = "S") {
        PutFile("drive_c/Facet/Facet.INI", ini);
        Open();
        ResetRunState();
        strcpy(g_run.szLogPath, "C:\\log.txt");
        strcpy(g_run.szIniPath, "C:\\Facet\\Facet.INI");
        strcpy(g_run.szSection, section);
        strcpy(g_run.szSignupPath, "C:\\Program Files\\Internet Explorer\\SIGNUP\\INSTALL.INS");
    }
    std::string Log() const { return ReadFile("drive_c/log.txt"); }
    std::string Signup() const { return ReadFile(kSignup); }
    std::string Reg(const char* value) const {
        formats::Registry reg;
        std::string error;
        if (!formats::ParseRegText(ReadFile("registry.reg"), &reg, &error)) return "unreadable";
        formats::RegKey* key = formats::FindRegKey(reg, kMain);
        formats::RegValue* v = key ? formats::FindRegValue(*key, value) : nullptr;
        return v ? formats::FormatRegData(*v, false) : "-";
    }
};

const char kLinks[] =
    "[L1]\r\nName=One\r\nPath=http://one.example/\r\n"
    "[L2]\r\nName=Two\r\nPath=http://two.example/\r\n"
    "[L3]\r\nName=Three\r\nPath=http://three.example/\r\n"
    "[BADNAME]\r\nName=Error\r\nPath=http://x.example/\r\n"
    "[NOPATH]\r\nName=No Path\r\n"
    "[ Spaced ]\r\nName=Spaced\r\nPath=http://spaced.example/\r\n";

TEST_F(ActionsTest, FavoriteCountFindsTheFirstMissingTitle) {
    struct {
        const char* signup;
        int32_t expected;
    } cases[] = {
        {nullptr, 1},
        {"[Other]\r\nTitle1=a\r\n", 1},
        {"[FavoritesEx]\r\nTitle1=a\r\nTitle2=b\r\n", 3},
        {"[FavoritesEx]\r\nTitle1=a\r\nTitle3=c\r\n", 2},
        {"[FavoritesEx]\r\nURL1=a\r\n", 1},
        {"[favoritesex]\r\ntitle1=\r\nTITLE2=error\r\nTitle3=ERROR\r\n", 3},
    };
    for (const auto& c : cases) {
        host::CloseMachine();
        if (c.signup) {
            PutFile(kSignup, c.signup);
        } else if (Exists(kSignup)) {
            std::remove(Path(kSignup).c_str());
        }
        Start("");
        int32_t n = -1;
        GetFavoriteCount(&n);
        EXPECT_EQ(n, c.expected) << (c.signup ? c.signup : "(no file)");
    }
}

TEST_F(ActionsTest, ListIsSplitAtCommasAndSkippedLinksTakeNoNumber) {
    PutFile(kSignup, "[FavoritesEx]\r\nTitle1=a\r\nURL1=a\r\nTitle2=b\r\nURL2=b\r\n");
    Start(std::string("[S]\r\nFavorites=,,L1,MISSING,,BADNAME,NOPATH, Spaced ,L2,L1,\r\n") + kLinks);
    InstallFavorites();
    EXPECT_EQ(Signup(),
              "[FavoritesEx]\r\nTitle1=a\r\nURL1=a\r\nTitle2=b\r\nURL2=b\r\n"
              "Title3=One.URL\r\nURL3=http://one.example/\r\n"
              "Title4=Spaced.URL\r\nURL4=http://spaced.example/\r\n"
              "Title5=Two.URL\r\nURL5=http://two.example/\r\n"
              "Title6=One.URL\r\nURL6=http://one.example/\r\n");
    EXPECT_EQ(ReadFile(std::string(kFavorites) + "/One.URL"), "[InternetShortcut]\r\nURL=http://one.example/\r\n");
    const std::string dir = "C:\\Users\\Facet\\Favorites\\";
    EXPECT_EQ(Log(), LogEntry("INFO >>****  Start InstallFavorites ****  ") +
                         LogEntry("INFO >>   Links that need to be installed are -->",
                                  ",,L1,MISSING,,BADNAME,NOPATH, Spaced ,L2,L1,") +
                         LogEntry("INFO >>   Current User Favorities Path is -->", dir) +
                         LogEntry("INFO >>   Create URL for current user --->", dir + "One.URL") +
                         LogEntry("INFO >>   Create URL for current user --->", dir + "Spaced.URL") +
                         LogEntry("INFO >>   Create URL for current user --->", dir + "Two.URL") +
                         LogEntry("INFO >>   Create URL for current user --->", dir + "One.URL") +
                         LogEntry("INFO >>End InstallFavorites"));
}

TEST_F(ActionsTest, OnlyCommasStillLooksUpTheFolderAndCount) {
    Start("[S]\r\nFavorites=,,,\r\n");
    InstallFavorites();
    EXPECT_EQ(Log(), LogEntry("INFO >>****  Start InstallFavorites ****  ") +
                         LogEntry("INFO >>   Links that need to be installed are -->", ",,,") +
                         LogEntry("INFO >>   Current User Favorities Path is -->", "C:\\Users\\Facet\\Favorites\\") +
                         LogEntry("INFO >>End InstallFavorites"));
    EXPECT_FALSE(Exists(kSignup));
}

TEST_F(ActionsTest, NothingListedEndsEarly) {
    Start("[S]\r\nFavorites=\r\n");
    InstallFavorites();
    EXPECT_EQ(Log(), LogEntry("INFO >>****  Start InstallFavorites ****  ") +
                         LogEntry("INFO >>   There is no favorite to install.") +
                         LogEntry("INFO >>   End InstallFavorites."));
}

TEST_F(ActionsTest, ExistingShortcutKeepsItsOtherKeys) {
    PutFile(std::string(kFavorites) + "/One.URL",
            "[InternetShortcut]\r\nURL=http://old.example/\r\nIconIndex=3\r\n[Other]\r\nx=1\r\n");
    Start(std::string("[S]\r\nFavorites=L1\r\n") + kLinks);
    InstallFavorites();
    EXPECT_EQ(ReadFile(std::string(kFavorites) + "/One.URL"),
              "[InternetShortcut]\r\nURL=http://one.example/\r\nIconIndex=3\r\n[Other]\r\nx=1\r\n");
}

TEST_F(ActionsTest, FolderValueWithOrWithoutItsBackslash) {
    SetFavoritesFolder("\"C:\\\\Users\\\\Facet\\\\Favorites\\\\\"");
    Start(std::string("[S]\r\nFavorites=L1\r\n") + kLinks);
    InstallFavorites();
    EXPECT_NE(Log().find(LogEntry("INFO >>   Current User Favorities Path is -->", "C:\\Users\\Facet\\Favorites\\")),
              std::string::npos);
    EXPECT_TRUE(Exists(std::string(kFavorites) + "/One.URL"));
}

TEST_F(ActionsTest, EmptyFolderValueWritesNoShortcutButStillNumbers) {
    SetFavoritesFolder("\"\"");
    Start(std::string("[S]\r\nFavorites=L1,L2\r\n") + kLinks);
    InstallFavorites();
    EXPECT_EQ(Log(), LogEntry("INFO >>****  Start InstallFavorites ****  ") +
                         LogEntry("INFO >>   Links that need to be installed are -->", "L1,L2") +
                         LogEntry("INFO >>   Current User Favorities Path is -->", "") +
                         LogEntry("INFO >>End InstallFavorites"));
    EXPECT_EQ(Signup(), "[FavoritesEx]\r\nTitle1=One.URL\r\nURL1=http://one.example/\r\nTitle2=Two.URL\r\n"
                        "URL2=http://two.example/\r\n");
    EXPECT_FALSE(Exists(std::string(kFavorites) + "/One.URL"));
}

TEST_F(ActionsTest, UnreadableFolderWritesNoShortcutAnywhere) {
    for (const char* value : {"", "hex:41,42", "dword:00000001"}) {
        host::CloseMachine();
        SetFavoritesFolder(value);
        Start(std::string("[S]\r\nFavorites=L1\r\n") + kLinks);
        InstallFavorites();
        EXPECT_NE(Log().find(LogEntry("ERROR >> Favorites folder not found in the registry. No shortcut files are "
                                      "created.")),
                  std::string::npos)
            << value;
        EXPECT_FALSE(Exists("drive_c/Windows/One.URL"));
        EXPECT_FALSE(Exists("drive_c/One.URL"));
        std::remove(Path("drive_c/log.txt").c_str());
    }
}

TEST_F(ActionsTest, LongNamesAndFoldersNeverOverrun) {
    // A 259-character Name: its title is written whole, the shortcut path would not fit.
    std::string name(259, 'n');
    Start("[S]\r\nFavorites=LONG,SLASH\r\n[LONG]\r\nName=" + name + "\r\nPath=http://long.example/\r\n" +
          "[SLASH]\r\nName=..\\..\\Windows\\evil\r\nPath=http://evil.example/\r\n");
    InstallFavorites();
    EXPECT_EQ(Signup(), "[FavoritesEx]\r\nTitle1=" + name + ".URL\r\nURL1=http://long.example/\r\n" +
                            "Title2=..\\..\\Windows\\evil.URL\r\nURL2=http://evil.example/\r\n");
    EXPECT_NE(Log().find(LogEntry("ERROR >> Shortcut path is too long. No shortcut file for: ", name)), std::string::npos);
    EXPECT_NE(Log().find(LogEntry("ERROR >> Favorite name is not a file name. No shortcut file for: ",
                                  "..\\..\\Windows\\evil")),
              std::string::npos);
    EXPECT_FALSE(Exists("drive_c/Windows/evil.URL"));

    // A folder of 259 characters has no room for its backslash.
    host::CloseMachine();
    std::remove(Path("drive_c/log.txt").c_str());
    std::string folder = "C:\\\\" + std::string(256, 'f');
    SetFavoritesFolder("\"" + folder + "\"");
    Start(std::string("[S]\r\nFavorites=L1\r\n") + kLinks);
    InstallFavorites();
    EXPECT_NE(Log().find(LogEntry("ERROR >> Favorites folder path is too long. No shortcut files are created.")),
              std::string::npos);
}

TEST_F(ActionsTest, PagesNeedANameAndAPath) {
    Start(std::string("[S]\r\nHome=NONE\r\nSearch=bad\r\n[bad]\r\nName=eRRoR\r\nPath=x\r\n") + kLinks);
    SetHomePage();
    SetSearchPage();
    EXPECT_EQ(Log(), LogEntry("INFO >>****  Start SetHomePage  ****") + LogEntry("INFO >>   Set Home to this link: ", "NONE") +
                         LogEntry("ERROR >> Failed to read home link:", "NONE") + LogEntry("INFO >>End SetHomePage") +
                         LogEntry("INFO >>**** Start SetSearchPage ****") +
                         LogEntry("INFO >>   Set search to this link: ", "bad") +
                         LogEntry("ERROR >> Failed to read Search link:", "bad") + LogEntry("INFO >>SetSearchPage Ends"));
    EXPECT_EQ(Reg("Start Page"), "-");
    EXPECT_EQ(Reg("Use Custom Search URL"), "-");
    EXPECT_FALSE(Exists(kSignup));
}

TEST_F(ActionsTest, MissingOrEmptyKeysHaveNothingToInstall) {
    Start("[S]\r\nHome=\r\n");
    SetHomePage();
    SetSearchPage();
    EXPECT_EQ(Log(), LogEntry("INFO >>****  Start SetHomePage  ****") +
                         LogEntry("INFO >>   End SetHomePage - Nothing to install") +
                         LogEntry("INFO >>**** Start SetSearchPage ****") +
                         LogEntry("INFO >>End SetSearchPage - Nothing to install"));
    EXPECT_EQ(Reg("Search Bar"), "-");
}

TEST_F(ActionsTest, EmptyPathIsAOneByteValueAndCustomSearchIsOne) {
    Start("[S]\r\nHome=H\r\nSearch=LONGSEARCHNAME\r\n[H]\r\nName=\r\nPath=\r\n"
          "[LONGSEARCHNAME]\r\nName=Search\r\nPath=http://s.example/?q=%s\r\n");
    SetHomePage();
    SetSearchPage();
    EXPECT_EQ(Reg("Start Page"), "\"\"");
    EXPECT_EQ(Reg("Search Bar"), "\"http://s.example/?q=%s\"");
    // A link-section name as long as any value the section read can deliver is used
    // whole, and the value beside it in memory, the search flag, stays 1.
    EXPECT_EQ(Reg("Use Custom Search URL"), "dword:00000001");
    EXPECT_EQ(Signup(), "[URL]\r\nHome_page=\r\nSearch_Page=http://s.example/?q=%s\r\n");
    EXPECT_NE(Log().find(LogEntry("INFO >>   Set search to this link: ", "LONGSEARCHNAME")), std::string::npos);
}

TEST_F(ActionsTest, ReadOnlySignupFileIsLeftAsItWas) {
    SetMachineIni("[Faults]\r\nReadOnly=C:\\Program Files\\Internet Explorer\\SIGNUP\\INSTALL.INS\r\n");
    PutFile(kSignup, "[URL]\r\nHome_page=old\r\n");
    Start(std::string("[S]\r\nHome=L1\r\nFavorites=L2\r\n") + kLinks);
    InstallFavorites();
    SetHomePage();
    EXPECT_EQ(Signup(), "[URL]\r\nHome_page=old\r\n");
    EXPECT_EQ(Reg("Start Page"), "\"http://one.example/\"");
    EXPECT_TRUE(Exists(std::string(kFavorites) + "/Two.URL"));
}

// Failed writes are logged with what was not written and the system's reason; the
// action goes on with its next write.
TEST_F(ActionsTest, FailedWritesAreLoggedAndTheActionGoesOn) {
    SetMachineIni("[Faults]\r\nReadOnlyKeys=HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\r\n");
    MakeDir(std::string(kFavorites) + "/One.URL");  // the shortcut's name is taken by a folder
    Start(std::string("[S]\r\nHome=L1\r\nSearch=L2\r\nFavorites=L1,L2\r\n") + kLinks);
    InstallFavorites();
    SetHomePage();
    SetSearchPage();
    const std::string main = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main\\";
    const std::string denied = "Access is denied.  ";
    std::string log = Log();
    EXPECT_NE(log.find(LogEntry("ERROR >> Create URL failed --->C:\\Users\\Facet\\Favorites\\One.URL  Error is: ",
                                denied)),
              std::string::npos);
    for (const char* value : {"Start Page", "Search Bar", "Use Custom Search URL"}) {
        EXPECT_NE(log.find(LogEntry("ERROR >> Write registry value failed --->" + main + value + "  Error is: ",
                                    denied)),
                  std::string::npos)
            << value;
        EXPECT_EQ(Reg(value), "-");
    }
    // What could be written still was: the other shortcut and every sign-up entry.
    EXPECT_TRUE(Exists(std::string(kFavorites) + "/Two.URL"));
    EXPECT_EQ(Signup(),
              "[FavoritesEx]\r\nTitle1=One.URL\r\nURL1=http://one.example/\r\nTitle2=Two.URL\r\n"
              "URL2=http://two.example/\r\n[URL]\r\nHome_page=http://one.example/\r\n"
              "Search_Page=http://two.example/\r\n");
}

TEST_F(ActionsTest, SignupFileThatCannotBeWrittenIsNamedInTheLog) {
    MakeDir(kSignup);                           // INSTALL.INS is a folder
    SetFavoritesFolder("\"D:\\\\Favorites\"");  // a drive the machine does not have
    Start(std::string("[S]\r\nFavorites=L1\r\n") + kLinks);
    InstallFavorites();
    std::string log = Log();
    EXPECT_NE(log.find(LogEntry("ERROR >> Create URL failed --->D:\\Favorites\\One.URL  Error is: ",
                                "The system cannot find the path specified.  ")),
              std::string::npos);
    for (const char* key : {"Title1", "URL1"}) {
        EXPECT_NE(log.find(LogEntry(std::string("ERROR >> Write sign-up entry failed --->[FavoritesEx] ") + key +
                                        " in C:\\Program Files\\Internet Explorer\\SIGNUP\\INSTALL.INS  Error is: ",
                                    "Access is denied.  ")),
                  std::string::npos)
            << key;
    }
    EXPECT_NE(log.find(LogEntry("INFO >>End InstallFavorites")), std::string::npos);
}

TEST(ShortcutFileName, RefusesWhatWindowsCannotCreate) {
    for (const char* name : {"a<b", "a>b", "a:b", "a\"b", "a|b", "a?b", "a*b", "a\\b", "a/b", "tab\there", "\x1f",
                             "CON", "con", "Prn", "AUX", "NUL", "nul.txt", "NUL .x", "COM1", "com9", "LPT1",
                             "lpt9.doc"}) {
        EXPECT_FALSE(IsPlainFileName(name)) << name;
    }
    for (const char* name : {"Corvane Support", "", "CONSOLE", "COM", "COM0", "LPT10", "xNUL", "NULx.txt", "a.CON",
                             "caf\xe9", "Warranty (UK)"}) {
        EXPECT_TRUE(IsPlainFileName(name)) << name;
    }
}

TEST_F(ActionsTest, DeviceNameGetsNoShortcutButItsSignupPair) {
    Start("[S]\r\nFavorites=DEV,Q\r\n[DEV]\r\nName=Aux\r\nPath=http://aux.example/\r\n"
          "[Q]\r\nName=What?\r\nPath=http://q.example/\r\n");
    InstallFavorites();
    EXPECT_NE(Log().find(LogEntry("ERROR >> Favorite name is not a file name. No shortcut file for: ", "Aux")),
              std::string::npos);
    EXPECT_NE(Log().find(LogEntry("ERROR >> Favorite name is not a file name. No shortcut file for: ", "What?")),
              std::string::npos);
    EXPECT_EQ(Entries(kFavorites), 0u);
    EXPECT_EQ(Signup(), "[FavoritesEx]\r\nTitle1=Aux.URL\r\nURL1=http://aux.example/\r\nTitle2=What?.URL\r\n"
                        "URL2=http://q.example/\r\n");
}

// A Path of 259 characters fills the field exactly and is installed; one character more
// was cut, and nothing of that link is installed anywhere.
TEST_F(ActionsTest, CutLinkPathsInstallNothing) {
    std::string fits = "http://x.example/" + std::string(259 - 17, 'a');
    std::string cut = fits + "b";
    Start("[S]\r\nHome=CUT\r\nSearch=CUT\r\nFavorites=CUT,FITS\r\n[CUT]\r\nName=Cut\r\nPath=" + cut +
          "\r\n[FITS]\r\nName=Fits\r\nPath=" + fits + "\r\n");
    InstallFavorites();
    SetHomePage();
    SetSearchPage();
    EXPECT_EQ(Signup(), "[FavoritesEx]\r\nTitle1=Fits.URL\r\nURL1=" + fits + "\r\n");
    EXPECT_FALSE(Exists(std::string(kFavorites) + "/Cut.URL"));
    EXPECT_EQ(ReadFile(std::string(kFavorites) + "/Fits.URL"), "[InternetShortcut]\r\nURL=" + fits + "\r\n");
    for (const char* value : {"Start Page", "Search Bar", "Use Custom Search URL"}) EXPECT_EQ(Reg(value), "-");
    std::string line = LogEntry("ERROR >> Link path is too long. Nothing installed for link: ", "CUT");
    size_t first = Log().find(line);
    ASSERT_NE(first, std::string::npos);
    size_t second = Log().find(line, first + 1);
    ASSERT_NE(second, std::string::npos);
    EXPECT_NE(Log().find(line, second + 1), std::string::npos);  // favorite, home and search
}

}  // namespace
