// The host stand-ins for paths, folders and files, against what Windows does.
#include <cstring>
#include <memory>
#include <string>

#include "machine_fixture.h"
#include "platform/host/image.h"
#include "platform/host/machine.h"
#include "platform/win32.h"

namespace {

class HostFilesTest : public MachineTest {};

DWORD CreateDirError(const char* path) {
    SetLastError(0);
    return CreateDirectoryA(path, nullptr) ? 0 : GetLastError();
}

TEST_F(HostFilesTest, PathsMatchWithoutRegardToCase) {
    MakeDir("drive_c/Program Files/Corvane");
    Open();
    host::MappedPath p;
    ASSERT_EQ(host::MapPath("c:/PROGRAM files\\corvane\\New Folder", &p), 0u);
    EXPECT_EQ(p.host, Path("drive_c/Program Files/Corvane/New Folder"));
    EXPECT_EQ(p.normalized, "c:\\program files\\corvane\\new folder");
    EXPECT_FALSE(p.exists);
    ASSERT_EQ(host::MapPath("\\program files\\.\\x\\..\\CORVANE", &p), 0u);
    EXPECT_TRUE(p.exists);
    EXPECT_EQ(p.host, Path("drive_c/Program Files/Corvane"));
    EXPECT_EQ(host::MapPath("D:\\x", &p), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(host::MapPath("C:\\a|b", &p), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(host::MapPath("C:\\a\x01", &p), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(host::MapPath(("C:\\" + std::string(257, 'a')).c_str(), &p),
              static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(host::MapPath(("C:\\" + std::string(256, 'a')).c_str(), &p), 0u);
}

TEST_F(HostFilesTest, CreateDirectoryMakesTheLastFolderOnly) {
    MakeDir("drive_c/FACTORY");
    PutFile("drive_c/file.txt", "x");
    SetMachineIni("[Faults]\r\nReadOnly=C:\\Locked ; C:\\FACTORY\\Util\r\n");
    MakeDir("drive_c/Locked/Inside");
    Open();
    EXPECT_EQ(CreateDirError("C:\\factory\\Util"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CreateDirError("C:\\factory\\Other"), 0u);
    EXPECT_TRUE(Exists("drive_c/FACTORY/Other"));
    EXPECT_EQ(CreateDirError("C:\\FACTORY\\OTHER"), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(CreateDirError("C:\\file.txt"), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(CreateDirError("C:\\Missing\\Util"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(CreateDirError("C:\\file.txt\\sub"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(CreateDirError("C:\\locked\\new"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(CreateDirError("C:\\locked\\inside"), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(CreateDirError("C:\\bad?name"), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(CreateDirError("E:\\x"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(CreateDirError(""), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(Exists("drive_c/Missing"));
}

TEST_F(HostFilesTest, FindFirstFileSeesFilesAndFolders) {
    PutFile("drive_c/Facet/Facet.INI", "");
    MakeDir("drive_c/Folder.INI");
    Open();
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA("c:\\FACET\\facet.ini", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "Facet.INI");
    EXPECT_TRUE(FindClose(h));
    h = FindFirstFileA("C:\\Folder.INI", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    FindClose(h);
    EXPECT_EQ(FindFirstFileA("C:\\Facet\\None.INI", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA("C:\\None\\Facet.INI", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(HostFilesTest, CreateFileRefusesFoldersReadOnlyPlacesAndMissingParents) {
    MakeDir("drive_c/dir");
    SetMachineIni("[Faults]\r\nReadOnly=C:\\ro.txt\r\n");
    PutFile("drive_c/ro.txt", "keep");
    Open();
    auto openAppend = [](const char* path) {
        return CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    };
    EXPECT_EQ(openAppend("C:\\dir"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(openAppend("C:\\RO.TXT"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(openAppend("C:\\nodir\\a.txt"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(ReadFile("drive_c/ro.txt"), "keep");

    HANDLE h = openAppend("C:\\Dir\\new.txt");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, "ab", 2, &written, nullptr));
    EXPECT_EQ(written, 2u);
    EXPECT_TRUE(CloseHandle(h));
    h = openAppend("C:\\dir\\NEW.txt");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    WriteFile(h, "c", 1, &written, nullptr);
    CloseHandle(h);
    EXPECT_EQ(ReadFile("drive_c/dir/new.txt"), "abc");
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

TEST_F(HostFilesTest, ShellFoldersComeFromTheImage) {
    SetMachineIni("[Folders]\r\nWindows=\r\n");
    Open();
    char buf[MAX_PATH] = "untouched";
    EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, buf), S_OK);
    EXPECT_STREQ(buf, "C:\\Program Files");
    strcpy(buf, "untouched");
    EXPECT_LT(SHGetFolderPathA(nullptr, CSIDL_WINDOWS, nullptr, SHGFP_TYPE_CURRENT, buf), 0);
    EXPECT_STREQ(buf, "untouched");
}

TEST(PathAppend, JoinsWithOneBackslash) {
    char buf[MAX_PATH] = "C:\\Program Files";
    EXPECT_TRUE(PathAppendA(buf, "Corvane"));
    EXPECT_TRUE(PathAppendA(buf, "\\Facet"));
    EXPECT_STREQ(buf, "C:\\Program Files\\Corvane\\Facet");
    strcpy(buf, "c:\\");
    EXPECT_TRUE(PathAppendA(buf, "Facet.log"));
    EXPECT_STREQ(buf, "c:\\Facet.log");
    std::string longPath = "C:\\" + std::string(250, 'x');
    strcpy(buf, longPath.c_str());
    EXPECT_FALSE(PathAppendA(buf, "Facet.log"));  // would reach 260 characters
    EXPECT_EQ(std::string(buf), longPath);
}

}  // namespace

namespace {

TEST(PathRemoveFileSpec, CutsTheLastElementAndKeepsARoot) {
    // clang-format off
    struct {
        const char* in;
        const char* out;
        BOOL removed;
    } cases[] = {
        {"C:\\Facet\\Facet.exe", "C:\\Facet", TRUE}, {"C:\\Facet.exe", "C:\\", TRUE}, {"C:\\", "C:\\", FALSE},
        {"\\Facet.exe", "\\", TRUE},                 {"Facet.exe", "", TRUE},         {"", "", FALSE},
        {"C:Facet.exe", "C:", TRUE},
    };
    // clang-format on
    for (const auto& c : cases) {
        char buf[MAX_PATH];
        strcpy(buf, c.in);
        EXPECT_EQ(PathRemoveFileSpecA(buf), c.removed) << c.in;
        EXPECT_STREQ(buf, c.out) << c.in;
    }
}

}  // namespace

namespace {

TEST(NoImage, StandInsTouchNoHostFile) {
    host::CloseMachine();
    EXPECT_FALSE(CreateDirectoryA("C:\\facet-no-image", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(CreateFileA("C:\\facet-no-image.txt", FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
}

}  // namespace

namespace {

// The head of a file is what a read of it gives, up to the limit: a file put from the
// host keeps the bytes it had when it was put, however it grows later.
TEST_F(HostFilesTest, AFileHeadIsTheFileUpToTheLimit) {
    PutFile("outside/wall.jpg", "abcdef");
    std::unique_ptr<host::Image> image = host::Image::InMemory();
    image->PutHostFile("C:\\Walls\\wall.jpg", Path("outside/wall.jpg"));
    PutFile("outside/wall.jpg", "abcdefXYZ");

    host::MappedPath p;
    ASSERT_EQ(image->MapPath("C:\\Walls\\wall.jpg", &p), 0u);
    std::string head, whole;
    EXPECT_EQ(image->ReadHead(p, 2u << 20, &head), 0u);
    EXPECT_EQ(image->ReadFile(p, &whole), 0u);
    EXPECT_EQ(head, "abcdef");
    EXPECT_EQ(whole, head);
    EXPECT_EQ(image->ReadHead(p, 4, &head), 0u);
    EXPECT_EQ(head, "abcd");
}

}  // namespace
