// The version file: the stamp from its version resource, its copy into the work folder,
// the system's error text; and the PE version-resource reader under them.
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "machine_fixture.h"
#include "platform/host/machine.h"
#include "formats/pe_version.h"
#include "run/run_state.h"
#include "run/version_file.h"

namespace {

// FacetVer.exe as the Windows build makes it (file version 5, 0, 12, 300).
std::string FacetVer() {
    std::ifstream in(FACET_SOURCE_DIR "/examples/machine/drive_c/Facet/FacetVer.exe", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class VersionTest : public MachineTest {
protected:
    void Start(const char* exeDir = "C:\\Facet", const char* workDir = "C:\\Program Files\\Corvane\\Facet") {
        Open();
        ResetRunState();
        strcpy(g_run.szLogPath, "C:\\log.txt");
        strcpy(g_run.szExeDir, exeDir);
        strcpy(g_run.szWorkDir, workDir);
    }
    std::string Log() const { return ReadFile("drive_c/log.txt"); }
};

TEST_F(VersionTest, StampFromTheFixedFileVersion) {
    PutFile("drive_c/Facet/FacetVer.exe", FacetVer());
    Start();
    GetVersionStamp();
    EXPECT_STREQ(g_run.szVersion, "5.0.12.300");
    EXPECT_FALSE(Exists("drive_c/log.txt"));  // nothing is logged on success
}

TEST_F(VersionTest, MissingOrResourcelessFileLeavesTheStampEmpty) {
    for (const char* content : {static_cast<const char*>(nullptr), "MZ not really a program", ""}) {
        host::CloseMachine();
        std::remove(Path("drive_c/log.txt").c_str());
        std::remove(Path("drive_c/Facet/FacetVer.exe").c_str());
        if (content) PutFile("drive_c/Facet/FacetVer.exe", content);
        Start();
        GetVersionStamp();
        EXPECT_STREQ(g_run.szVersion, "");
        EXPECT_EQ(Log(), LogEntry("GetFileVersionInfoSize Failed"));
    }
}

TEST_F(VersionTest, ResourceWithoutFixedInformationLeavesTheStampEmptyWithoutALine) {
    std::string file = FacetVer();
    const char signature[] = "\xBD\x04\xEF\xFE";
    size_t at = file.find(std::string(signature, 4));
    ASSERT_NE(at, std::string::npos);
    file[at] = 'X';
    PutFile("drive_c/Facet/FacetVer.exe", file);
    Start();
    GetVersionStamp();
    EXPECT_STREQ(g_run.szVersion, "");
    EXPECT_FALSE(Exists("drive_c/log.txt"));
}

TEST_F(VersionTest, CopyOverwritesAnEarlierCopy) {
    PutFile("drive_c/Facet/FacetVer.exe", FacetVer());
    PutFile("drive_c/Program Files/Corvane/Facet/FacetVer.exe", "left by an earlier run");
    Start();
    CopyVersionFile();
    EXPECT_EQ(ReadFile("drive_c/Program Files/Corvane/Facet/FacetVer.exe"), FacetVer());
    EXPECT_EQ(Log(), LogEntry("INFO >>   Start Copy Version File") +
                         LogEntry("INFO >>   Source location  ---> ", "C:\\Facet\\FacetVer.exe") +
                         LogEntry("INFO >>   Version file full path  ---> ",
                                  "C:\\Program Files\\Corvane\\Facet\\FacetVer.exe") +
                         LogEntry("INFO >>   Copy Version File succeeded") + LogEntry("INFO >>   End Copy Version File"));
}

TEST_F(VersionTest, FailedCopyLogsTheSystemTextOnOneLine) {
    Start("", "c:\\");
    CopyVersionFile();
    EXPECT_EQ(Log(), LogEntry("INFO >>   Start Copy Version File") +
                         LogEntry("INFO >>   Source location  ---> ", "\\FacetVer.exe") +
                         LogEntry("INFO >>   Version file full path  ---> ", "c:\\\\FacetVer.exe") +
                         LogEntry("ERROR >> Copy Version File failed.  Error is: ",
                                  "The system cannot find the file specified.  ") +
                         LogEntry("INFO >>   End Copy Version File"));
}

TEST_F(VersionTest, TooLongPathIsNotCopied) {
    std::string longDir = "C:\\" + std::string(250, 'd');
    PutFile("drive_c/Facet/FacetVer.exe", FacetVer());
    Start(longDir.c_str());
    CopyVersionFile();
    EXPECT_NE(Log().find(LogEntry("ERROR >> Copy Version File failed.  Error is: ",
                                  "The filename or extension is too long.  ")),
              std::string::npos);
    GetVersionStamp();
    EXPECT_NE(Log().find(LogEntry("GetFileVersionInfoSize Failed")), std::string::npos);
}

TEST(LastErrorText, LineEndsBecomeSpacesAndLongTextsAreCut) {
    ResetRunState();
    FormatLastError(5);
    EXPECT_STREQ(g_run.szLastError, "Access is denied.  ");
    FormatLastError(183);
    EXPECT_STREQ(g_run.szLastError, "Cannot create a file when that file already exists.  ");
    FormatLastError(0xDEAD);
    EXPECT_STREQ(g_run.szLastError, "Unknown error 57005");
    StoreLastErrorText("a\r\nb\nc\r");
    EXPECT_STREQ(g_run.szLastError, "a  b c ");
    std::string longText(600, 'x');
    StoreLastErrorText(longText.c_str());
    EXPECT_EQ(std::string(g_run.szLastError), std::string(511, 'x'));
}

TEST(PeVersion, RefusesDamagedImages) {
    std::string file = FacetVer();
    const uint8_t* data = reinterpret_cast<const uint8_t*>(file.data());
    size_t offset = 0, length = 0, fixed = 0;
    ASSERT_TRUE(formats::FindVersionResource(data, file.size(), &offset, &length));
    ASSERT_TRUE(formats::FindFixedFileInfo(data + offset, length, &fixed));
    // Every cut of the file either still finds the resource whole, or finds nothing.
    for (size_t cut = 0; cut < file.size(); cut += 97) {
        size_t o = 0, l = 0;
        if (formats::FindVersionResource(data, cut, &o, &l)) {
            EXPECT_LE(o + l, cut);
        }
    }
    // The block's own length bounds the search for the fixed information.
    std::string block = file.substr(offset, length);
    block[0] = 20;
    block[1] = 0;
    EXPECT_FALSE(formats::FindFixedFileInfo(reinterpret_cast<const uint8_t*>(block.data()), block.size(), &fixed));
    std::string notPe = "MZ" + std::string(100, '\xff');
    EXPECT_FALSE(formats::FindVersionResource(reinterpret_cast<const uint8_t*>(notPe.data()), notPe.size(), &offset,
                                              &length));
}

}  // namespace
