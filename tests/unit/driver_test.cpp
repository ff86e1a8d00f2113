// The run driver: the home-page switch and the log of a whole run.
#include <string>

#include "machine_fixture.h"
#include "platform/host/machine.h"
#include "run/driver.h"

namespace {

TEST(HomePageSwitch, OnlyDashOrSlashFollowedByH) {
    for (const char* arg : {"-h", "-H", "/h", "/H"}) EXPECT_TRUE(IsHomePageSwitch(arg)) << arg;
    for (const char* arg : {"h", "H", "-", "/", "--h", "-hh", "-home", "/?", "", "-h ", " -h", "\\h", "+h"}) {
        EXPECT_FALSE(IsHomePageSwitch(arg)) << arg;
    }
    EXPECT_FALSE(IsHomePageSwitch(nullptr));
}

const char kHead[] =
    "\r\n\r\nFACET INSTALLATION LOG\r\n\r\n\r\r\n"
    "\r\nINFO >> System Information\r\n\r\n\r\r\n"
    "ERROR >> Failed to Load DLLZMINT.DLL\r\r\n";
const char kStart[] =
    "\r\n------------------------------------------------------------------------\r\n\r\r\n"
    "INFO >> Facet Installation Starts \r\n\r\n\r\r\n"
    "INFO >>   Start Copy Version File\r\n\r\r\n"
    "INFO >>   Source location  ---> \\FacetVer.exe\r\r\n"
    "INFO >>   Version file full path  ---> C:\\Program Files\\Corvane\\Facet\\FacetVer.exe\r\r\n"
    "ERROR >> Copy Version File failed.  Error is: The system cannot find the file specified.  \r\r\n"
    "INFO >>   End Copy Version File\r\n\r\r\n";
const char kNoIni[] = "ERROR >> FACET.INI file NOT found.  Facet stops.\r\n\r\r\n";

class RunTest : public MachineTest {
protected:
    int Run(std::initializer_list<const char*> args) {
        std::vector<std::string> store = {"Facet.exe"};
        for (const char* a : args) store.push_back(a);
        std::vector<char*> argv;
        for (std::string& s : store) argv.push_back(&s[0]);
        argv.push_back(nullptr);
        return RunFacet(static_cast<int>(store.size()), argv.data());
    }
};

TEST_F(RunTest, MissingBrandingFileStopsAfterStartLine) {
    MakeDir("drive_c/Program Files");
    MakeDir("drive_c/FACTORY/Util");
    PutFile("drive_c/Facet/Facet.INI", "[DEFAULT_SECTION]\r\nHome=\r\n");
    Open();
    EXPECT_EQ(Run({"-h", "/H", "ignored"}), 0);
    EXPECT_EQ(ReadFile("drive_c/FACTORY/Util/Facet.Log"), std::string(kHead) + kStart + kNoIni);

    // A second run appends its head right after the first run's last entry.
    EXPECT_EQ(Run({}), 0);
    std::string one = std::string(kHead) + kStart + kNoIni;
    EXPECT_EQ(ReadFile("drive_c/FACTORY/Util/Facet.Log"), one + one);
}

TEST_F(RunTest, UnwritableLogStillEndsWithZero) {
    MakeDir("drive_c/Program Files");
    MakeDir("drive_c/FACTORY/Util/Facet.Log");  // a folder in the log file's place
    Open();
    EXPECT_EQ(Run({}), 0);
    EXPECT_FALSE(Exists("drive_c/Program Files/Corvane/Facet/Facet.log"));
}

}  // namespace

namespace {

class BadBrandingFileTest : public RunTest {};

TEST_F(BadBrandingFileTest, JunkOrHugeFilesEndInTheDefaultSectionAndACompletedRun) {
    std::string junk;
    uint32_t seed = 12345;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245u + 12345u;
        junk += static_cast<char>(seed >> 24);
    }
    std::string huge = "[DEFAULT_SECTION]\r\nFavorites=" + std::string(100000, ',') + "\r\n" +
                       std::string(5000000, 'x') + "\r\n[COMMERCIAL\r\nHome";
    for (const std::string& ini : {junk, huge}) {
        host::CloseMachine();
        std::remove(Path("drive_c/FACTORY/Util/Facet.Log").c_str());
        MakeDir("drive_c/Program Files");
        MakeDir("drive_c/FACTORY/Util");
        SetMachineIni("[ZMINT]\r\nModelName=KL\r\n");
        PutFile("drive_c/Facet/Facet.INI", ini);
        Open();
        EXPECT_EQ(Run({"-h"}), 0);
        std::string log = ReadFile("drive_c/FACTORY/Util/Facet.Log");
        EXPECT_NE(log.find(LogEntry("INFO >> INI section will be used -->", "DEFAULT_SECTION")), std::string::npos);
        std::string end = LogEntry("ResultCode=0");
        ASSERT_GE(log.size(), end.size());
        EXPECT_EQ(log.substr(log.size() - end.size()), end);
    }
}

}  // namespace
