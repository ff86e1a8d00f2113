// How the image's files reach the disk: every write is a whole-file replace that a
// killed run cannot tear, and the disk is waited for only when the image is Synced.
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "machine_fixture.h"
#include "platform/host/image.h"
#include "platform/host/machine.h"
#include "platform/win32.h"

namespace {

int g_fsyncs = 0;

}  // namespace

// Counts the stand-ins' waits for the disk (this program's fsync stands over the C library's).
extern "C" int fsync(int fd) {
    ++g_fsyncs;
    return static_cast<int>(syscall(SYS_fsync, fd));
}

namespace {

class HostDurabilityTest : public MachineTest {};

TEST_F(HostDurabilityTest, AReplacedFileIsTheOldOrTheNewNeverTorn) {
    PutFile("drive_c/A.INI", "[s]\r\nk=old\r\n");
    std::string grown = "[s]\r\nk=" + std::string(1 << 20, 'n') + "\r\n";

    // A run killed half-way through its write.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string error;
        std::unique_ptr<host::Image> image = host::Image::Open(dir_, &error);
        host::MappedPath path;
        if (!image || image->MapPath("C:\\A.INI", &path) != 0) _exit(1);
        image->ReplaceFile(path, [&grown](const host::Image::PutBytes& put, DWORD*) {
            put(std::string_view(grown).substr(0, grown.size() / 2));
            _exit(0);
            return true;
        });
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFile("drive_c/A.INI"), "[s]\r\nk=old\r\n");
    EXPECT_EQ(Entries("drive_c"), 2u);  // and its temporary file

    // A write that fails leaves the old file and nothing beside it; the next one is whole,
    // and the killed run's temporary file has gone.
    Open();
    host::MappedPath path;
    ASSERT_EQ(host::MapPath("C:\\A.INI", &path), 0u);
    EXPECT_EQ(host::CurrentImage()->ReplaceFile(path, [](const host::Image::PutBytes& put, DWORD* error) {
        put("[s]\r\nk=ha");
        *error = ERROR_DISK_FULL;
        return false;
    }),
              static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(ReadFile("drive_c/A.INI"), "[s]\r\nk=old\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", grown.substr(7, grown.size() - 9).c_str(), "C:\\A.INI"));
    EXPECT_EQ(ReadFile("drive_c/A.INI"), grown);
    EXPECT_EQ(Entries("drive_c"), 1u);
}

TEST_F(HostDurabilityTest, TheDiskIsWaitedForOnlyWhenSyncIsAsked) {
    PutFile("drive_c/big.bin", std::string(3 << 20, 'b'));
    Open();
    // Each kind of write: a profile entry, a copy, a new folder, a file written and
    // closed, a registry value.
    auto writes = [](int round) {
        std::string n = std::to_string(round);
        int before = g_fsyncs;
        std::vector<int> waited;
        auto note = [&]() {
            waited.push_back(g_fsyncs - before);
            before = g_fsyncs;
        };
        EXPECT_TRUE(WritePrivateProfileStringA("s", "k", n.c_str(), "C:\\A.INI"));
        note();
        EXPECT_TRUE(CopyFileA("C:\\big.bin", ("C:\\copy" + n + ".bin").c_str(), TRUE));
        note();
        EXPECT_TRUE(CreateDirectoryA(("C:\\Folder" + n).c_str(), nullptr));
        note();
        HANDLE h = CreateFileA("C:\\log.txt", FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(h, n.data(), static_cast<DWORD>(n.size()), &written, nullptr));
        EXPECT_TRUE(CloseHandle(h));
        note();
        HKEY key;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\T", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  0);
        EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(n.c_str()), n.size() + 1), 0);
        RegCloseKey(key);
        note();
        return waited;
    };
    EXPECT_EQ(writes(1), std::vector<int>(5, 0));
    host::CurrentImage()->SetDurability(host::Durability::Synced);
    for (int w : writes(2)) EXPECT_GE(w, 1);
    EXPECT_EQ(ReadFile("drive_c/copy2.bin"), std::string(3 << 20, 'b'));
    EXPECT_EQ(ReadFile("drive_c/log.txt"), "12");
}

}  // namespace
