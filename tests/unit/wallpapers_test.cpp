// The wallpaper copies: variant, size, order, the first failure, and CopyFileA itself.
#include <cstring>
#include <string>

#include "actions/wallpapers.h"
#include "machine_fixture.h"
#include "platform/host/machine.h"
#include "run/run_state.h"

namespace {

const char* const kNames[] = {"First", "Second", "Third"};

class WallpaperTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MakeDir("drive_c/Program Files/Corvane/Facet");
        MakeDir("drive_c/Windows/Web/Wallpaper");
    }
    // Every variant and size beside C:\Facet, each file holding its own path.
    void PutAllImages(const std::string& exeDir = "drive_c/Facet") {
        for (const char* name : kNames) {
            for (const char* variant : {"standard", "portrait", "Arabic"}) {
                for (const char* size : {"1920x1200", "1024x768"}) {
                    std::string rel = std::string(name) + "/" + variant + "/" + size + ".jpg";
                    PutFile(exeDir + "/Bitmap/Wallpapers/" + rel, rel);
                }
            }
        }
    }
    void Run(const char* imageFolder, const char* langString, int32_t wide, const char* exeDir = "C:\\Facet") {
        Open();
        ResetRunState();
        strcpy(g_run.szLogPath, "C:\\log.txt");
        strcpy(g_run.szExeDir, exeDir);
        strcpy(g_run.szImageFolder, imageFolder);
        strcpy(g_run.szOSLangString, langString);
        g_run.bWideScreen = wide;
        CopyWallPapers();
    }
    std::string Log() const { return ReadFile("drive_c/log.txt"); }
};

TEST_F(WallpaperTest, VariantAndSizeChooseTheImages) {
    struct {
        const char* folder;
        const char* lang;
        int32_t wide;
        const char* expected;
        const char* folderAfter;
    } cases[] = {
        {"\\standard", "09", 0, "standard/1024x768", "\\standard"},
        {"\\portrait", "09", 1, "portrait/1920x1200", "\\portrait"},
        {"\\portrait", "01", 0, "Arabic/1024x768", "\\Arabic"},
        {"\\standard", "0D", 7, "Arabic/1920x1200", "\\Arabic"},
        {"\\portrait", "UN", 0, "portrait/1024x768", "\\portrait"},
        {"\\standard", "0d", 0, "standard/1024x768", "\\standard"},  // exact comparison
    };
    PutAllImages();
    for (const auto& c : cases) {
        host::CloseMachine();
        Run(c.folder, c.lang, c.wide);
        for (const char* name : kNames) {
            EXPECT_EQ(ReadFile(std::string("drive_c/Windows/Web/Wallpaper/") + name + ".jpg"),
                      std::string(name) + "/" + c.expected + ".jpg")
                << c.folder << " " << c.lang;
        }
        EXPECT_STREQ(g_run.szImageFolder, c.folderAfter);
    }
}

TEST_F(WallpaperTest, SixCopiesInOrderOverwritingEarlierOnes) {
    PutAllImages();
    PutFile("drive_c/Windows/Web/Wallpaper/First.jpg", "left by an earlier run");
    Run("\\standard", "09", 0);
    std::string expected = LogEntry("INFO >>****  Start Copy WallPaper Vista ****  ");
    for (const char* name : kNames) {
        expected += LogEntry("\nINFO >>  Copy Wallpaper succeeded: \nfrom -->",
                             std::string("C:\\Facet\\Bitmap\\Wallpapers\\") + name + "\\standard\\1024x768.jpg") +
                    LogEntry("to -->", std::string("C:\\Program Files\\Corvane\\Facet\\") + name + ".jpg");
    }
    for (const char* name : kNames) {
        expected += LogEntry("\nINFO >>  Copy Wallpaper succeeded: \nfrom -->",
                             std::string("C:\\Program Files\\Corvane\\Facet\\") + name + ".jpg") +
                    LogEntry("to -->", std::string("C:\\Windows\\Web\\Wallpaper\\") + name + ".jpg");
    }
    expected += LogEntry("INFO >>   End Copy WallPapers");
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(ReadFile("drive_c/Windows/Web/Wallpaper/First.jpg"), "First/standard/1024x768.jpg");
}

TEST_F(WallpaperTest, FirstFailureEndsTheAction) {
    PutAllImages();
    std::remove(Path("drive_c/Facet/Bitmap/Wallpapers/Third/standard/1024x768.jpg").c_str());
    Run("\\standard", "09", 0);
    std::string log = Log();
    std::string tail = LogEntry("\nERROR >> Copy Wallpaper failed: \nfrom -->",
                                "C:\\Facet\\Bitmap\\Wallpapers\\Third\\standard\\1024x768.jpg") +
                       LogEntry("to -->", "C:\\Program Files\\Corvane\\Facet\\Third.jpg");
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
    EXPECT_TRUE(Exists("drive_c/Program Files/Corvane/Facet/Second.jpg"));
    EXPECT_FALSE(Exists("drive_c/Windows/Web/Wallpaper/First.jpg"));
}

TEST_F(WallpaperTest, DriveRootExecutableFolderGivesTwoBackslashes) {
    PutAllImages("drive_c");
    Run("\\standard", "09", 0, "C:\\");
    EXPECT_NE(Log().find("from -->C:\\\\Bitmap\\Wallpapers\\First\\standard\\1024x768.jpg\r\r\n"), std::string::npos);
    EXPECT_TRUE(Exists("drive_c/Windows/Web/Wallpaper/Third.jpg"));
}

TEST_F(WallpaperTest, FailedFolderLookupsAreInfoLinesAndTheCopiesFail) {
    SetMachineIni("[Folders]\r\nProgramFiles=\r\nWindows=\r\n");
    PutAllImages();
    Run("\\standard", "09", 0);
    EXPECT_EQ(Log().substr(0, 200).find(LogEntry("INFO >> fail to get ProgramFilePath --- PRogramFilePath : ", "") +
                                        LogEntry("INFO >> fail to get Windows Path --- WindowsPath : ", "")),
              LogEntry("INFO >>****  Start Copy WallPaper Vista ****  ").size());
    EXPECT_NE(Log().find(LogEntry("to -->", "\\Corvane\\Facet\\First.jpg")), std::string::npos);
}

TEST_F(WallpaperTest, OverLongSourcePathIsAFailedCopy) {
    std::string longDir = "C:\\" + std::string(230, 'd');
    Run("\\standard", "09", 0, longDir.c_str());
    std::string log = Log();
    EXPECT_NE(log.find("ERROR >> Copy Wallpaper failed: "), std::string::npos);
    EXPECT_EQ(log.find("End Copy WallPapers"), std::string::npos);
}

class CopyFileTest : public MachineTest {};

TEST_F(CopyFileTest, ErrorCodesAsOnWindows) {
    SetMachineIni("[Faults]\r\nReadOnly=C:\\ro\r\n");
    PutFile("drive_c/src.txt", "data");
    MakeDir("drive_c/ro");
    MakeDir("drive_c/out");
    Open();
    auto copyError = [](const char* from, const char* to, BOOL failIfExists = FALSE) {
        SetLastError(0);
        return CopyFileA(from, to, failIfExists) ? 0u : GetLastError();
    };
    EXPECT_EQ(copyError("C:\\none.txt", "C:\\out\\a.txt"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(copyError("C:\\nodir\\none.txt", "C:\\out\\a.txt"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(copyError("C:\\src.txt", "C:\\nodir\\a.txt"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(copyError("C:\\src.txt", "C:\\ro\\a.txt"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(copyError("C:\\SRC.TXT", "C:\\OUT\\a.txt"), 0u);
    EXPECT_EQ(copyError("C:\\src.txt", "C:\\out\\A.TXT", TRUE), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_EQ(ReadFile("drive_c/out/a.txt"), "data");
    EXPECT_FALSE(Exists("drive_c/ro/a.txt"));
}

}  // namespace
