// The work folder, the choice of the log file and the bytes of a log entry.
#include <string>

#include "machine_fixture.h"
#include "platform/win32.h"
#include "run/log.h"
#include "run/run_state.h"

namespace {

class LogTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ResetRunState();
    }
    // Points the log at C:\log.txt and opens the image.
    void UseLog() {
        Open();
        strcpy(g_run.szLogPath, "C:\\log.txt");
    }
    std::string Log() const { return ReadFile("drive_c/log.txt"); }
};

TEST_F(LogTest, EntryEndsInCrCrLfAndLineFeedsBecomeCrLf) {
    UseLog();
    WriteLog("INFO >> alone", kNewLine);
    EXPECT_EQ(Log(), "INFO >> alone\r\n\r\r\n");

    WriteLog("\n\nFACET INSTALLATION LOG", "\n\n");
    WriteLog("INFO >> Dash Region = ", "XX");
    WriteLog("M", kEmpty);
    WriteLog("", kEmpty);
    WriteLog("\nERROR >> Copy Wallpaper failed: \nfrom -->", "a\nb");
    EXPECT_EQ(Log(),
              "INFO >> alone\r\n\r\r\n"
              "\r\n\r\nFACET INSTALLATION LOG\r\n\r\n\r\r\n"
              "INFO >> Dash Region = XX\r\r\n"
              "M\r\r\n"
              "\r\r\n"
              "\r\nERROR >> Copy Wallpaper failed: \r\nfrom -->a\r\nb\r\r\n");
}

TEST_F(LogTest, PerCentSignsAndCarriageReturnsPassUnchanged) {
    UseLog();
    WriteLog("100% %s %d %n", "%s%%\r");
    EXPECT_EQ(Log(), "100% %s %d %n%s%%\r\r\r\n");
}

TEST_F(LogTest, LongEntryIsWrittenWhole) {
    UseLog();
    std::string message(3000, 'm');
    for (size_t i = 100; i < message.size(); i += 511) message[i] = '\n';
    WriteLog(message.c_str(), "tail");
    std::string expected;
    for (char c : message) {
        if (c == '\n') expected += '\r';
        expected += c;
    }
    expected += "tail\r\r\n";
    EXPECT_EQ(Log(), expected);
}

TEST_F(LogTest, AppendsAfterWhatIsThere) {
    PutFile("drive_c/log.txt", "earlier run\r\r\n");
    UseLog();
    WriteLog("next", kEmpty);
    EXPECT_EQ(Log(), "earlier run\r\r\nnext\r\r\n");
}

TEST_F(LogTest, UnwritableLogIsSilentlySkipped) {
    // A folder where the file should be, and a read-only folder.
    MakeDir("drive_c/log.txt");
    SetMachineIni("[Faults]\r\nReadOnly=C:\\locked\r\n");
    MakeDir("drive_c/locked");
    UseLog();
    WriteLog("lost", kNewLine);
    strcpy(g_run.szLogPath, "C:\\locked\\Facet.log");
    WriteLog("lost", kNewLine);
    strcpy(g_run.szLogPath, "C:\\missing\\Facet.log");
    WriteLog("lost", kNewLine);
    EXPECT_FALSE(Exists("drive_c/locked/Facet.log"));
    EXPECT_FALSE(Exists("drive_c/missing"));
}

struct FolderCase {
    const char* name;
    const char* machineIni;
    const char* existingDirs;  // ';'-separated, below the image folder
    const char* workDir;
    const char* logPath;
    const char* createdDir;  // must exist afterwards, or ""
    const char* absentDir;   // must not exist afterwards, or ""
};

class FolderTest : public LogTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(FolderTest, WorkFolderAndLogPath) {
    const FolderCase& c = GetParam();
    SetMachineIni(c.machineIni);
    std::string dirs = c.existingDirs;
    for (size_t start = 0; start < dirs.size();) {
        size_t end = dirs.find(';', start);
        if (end == std::string::npos) end = dirs.size();
        if (end > start) MakeDir(dirs.substr(start, end - start));
        start = end + 1;
    }
    Open();
    CreateWorkFolder();
    InitLogPath();
    EXPECT_STREQ(g_run.szWorkDir, c.workDir);
    EXPECT_STREQ(g_run.szLogPath, c.logPath);
    if (*c.createdDir) {
        EXPECT_TRUE(Exists(c.createdDir)) << c.createdDir;
    }
    if (*c.absentDir) {
        EXPECT_FALSE(Exists(c.absentDir)) << c.absentDir;
    }
}

const std::string kLongFolder = "C:\\" + std::string(252, 'p');
const std::string kLongIni = "[Folders]\r\nProgramFiles=" + kLongFolder + "\r\n";

INSTANTIATE_TEST_SUITE_P(
    Machines, FolderTest,
    ::testing::Values(
        FolderCase{"UtilPresent", "", "drive_c/Program Files;drive_c/FACTORY/Util",
                   "C:\\Program Files\\Corvane\\Facet", "C:\\FACTORY\\Util\\Facet.Log",
                   "drive_c/Program Files/Corvane/Facet", ""},
        FolderCase{"UtilCreated", "", "drive_c/Program Files;drive_c/FACTORY", "C:\\Program Files\\Corvane\\Facet",
                   "C:\\FACTORY\\Util\\Facet.Log", "drive_c/FACTORY/Util", ""},
        FolderCase{"FactoryMissing", "", "drive_c/Program Files", "C:\\Program Files\\Corvane\\Facet",
                   "C:\\Program Files\\Corvane\\Facet\\Facet.log", "", "drive_c/FACTORY"},
        FolderCase{"FactoryInOtherCase", "", "drive_c/Program Files;drive_c/factory/util",
                   "C:\\Program Files\\Corvane\\Facet", "C:\\FACTORY\\Util\\Facet.Log", "", "drive_c/FACTORY"},
        FolderCase{"WorkFolderAlreadyThere", "", "drive_c/Program Files/Corvane/Facet",
                   "C:\\Program Files\\Corvane\\Facet", "C:\\Program Files\\Corvane\\Facet\\Facet.log", "", ""},
        FolderCase{"ProgramFilesLookupFails", "[Folders]\r\nProgramFiles=\r\n", "drive_c/Program Files", "c:\\",
                   "c:\\Facet.log", "", "drive_c/Program Files/Corvane"},
        FolderCase{"ProgramFilesFolderMissing", "", "", "c:\\", "c:\\Facet.log", "", "drive_c/Program Files"},
        FolderCase{"ProgramFilesReadOnly", "[Faults]\r\nReadOnly=C:\\Program Files\r\n", "drive_c/Program Files",
                   "c:\\", "c:\\Facet.log", "", "drive_c/Program Files/Corvane"},
        FolderCase{"FactoryReadOnly", "[Faults]\r\nReadOnly=C:\\FACTORY\r\n", "drive_c/Program Files;drive_c/FACTORY",
                   "C:\\Program Files\\Corvane\\Facet", "C:\\Program Files\\Corvane\\Facet\\Facet.log", "",
                   "drive_c/FACTORY/Util"},
        FolderCase{"ProgramFilesTooLongToJoin", kLongIni.c_str(), "", "c:\\", "c:\\Facet.log", "", ""}),
    [](const ::testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

}  // namespace
