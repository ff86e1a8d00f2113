// What the host stand-ins keep between calls (parsed profile files, folder listings, the
// registry index) must never show anything but what is on disk now, and the streamed
// copy must give the same bytes with the same atomic replace.
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <string>

#include "machine_fixture.h"
#include "platform/host/machine.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"
#include "formats/reg_format.h"
#include "platform/win32.h"

namespace {

class HostCacheTest : public MachineTest {
protected:
    std::string Read(const char* section, const char* key, const char* file) {
        char buf[64];
        GetPrivateProfileStringA(section, key, "none", buf, sizeof(buf), file);
        return buf;
    }
    // Puts a file's modification time back, so that only size or the drop on a write
    // can tell the cache that it changed.
    void SetTime(const std::string& rel, const timespec& when) {
        timespec times[2] = {when, when};
        ASSERT_EQ(utimensat(AT_FDCWD, Path(rel).c_str(), times, 0), 0);
    }
    timespec TimeOf(const std::string& rel) {
        struct stat st;
        stat(Path(rel).c_str(), &st);
        return st.st_mtim;
    }
};

TEST_F(HostCacheTest, ProfileReadsSeeChangesFromOutside) {
    PutFile("drive_c/A.INI", "[s]\r\nk=one\r\n");
    Open();
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "one");
    timespec before = TimeOf("drive_c/A.INI");

    // Same size, another time.
    PutFile("drive_c/A.INI", "[s]\r\nk=two\r\n");
    SetTime("drive_c/A.INI", timespec{before.tv_sec + 5, before.tv_nsec});
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "two");

    // Same time, another size.
    PutFile("drive_c/A.INI", "[s]\r\nk=three\r\n");
    SetTime("drive_c/A.INI", timespec{before.tv_sec + 5, before.tv_nsec});
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "three");

    // Gone, and back under a name that differs in case.
    std::remove(Path("drive_c/A.INI").c_str());
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "none");
    PutFile("drive_c/a.ini", "[s]\r\nk=four\r\n");
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "four");
}

// A tool with a scratch image of its own trusts the caches: an outside change counts
// only once it is announced, a write through the stand-ins always, and opening an image
// ends the trust.
TEST_F(HostCacheTest, TrustedCachesSeeAnnouncedChangesOnly) {
    PutFile("drive_c/A.INI", "[s]\r\nk=one\r\n");
    Open();
    host::CurrentImage()->TrustCaches(true);
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "one");
    PutFile("drive_c/A.INI", "[s]\r\nk=three\r\n");
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "one");
    host::CurrentImage()->Forget(host::CurrentImage()->dir() + "/drive_c/A.INI");
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "three");
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "four", "C:\\A.INI"));
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "four");

    Open();
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "four");
    PutFile("drive_c/A.INI", "[s]\r\nk=fifty\r\n");
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "fifty");
}

TEST_F(HostCacheTest, ProfileReadsSeeEveryWriteThroughTheStandIns) {
    PutFile("drive_c/A.INI", "[s]\r\nk=one\r\n");
    Open();
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "one");
    timespec before = TimeOf("drive_c/A.INI");

    // Written in place through a handle, same size, and the clock put back: only the
    // stand-in can tell.
    HANDLE h = CreateFileA("C:\\A.INI", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "one");
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, "[s]\r\nk=two\r\n", 12, &written, nullptr));
    SetTime("drive_c/A.INI", before);
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "two");
    CloseHandle(h);

    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "six", "C:\\A.INI"));
    EXPECT_EQ(Read("s", "k", "C:\\A.INI"), "six");
    ASSERT_TRUE(WritePrivateProfileStringA("t", "new", "x", "C:\\A.INI"));
    EXPECT_EQ(Read("T", "NEW", "C:\\A.INI"), "x");

    // A new file beside it, in a folder whose time is put back.
    timespec folder = TimeOf("drive_c");
    EXPECT_EQ(Read("s", "k", "C:\\B.INI"), "none");
    ASSERT_TRUE(CopyFileA("C:\\A.INI", "C:\\B.INI", TRUE));
    SetTime("drive_c", folder);
    EXPECT_EQ(Read("s", "k", "C:\\b.ini"), "six");
}

TEST_F(HostCacheTest, FolderListingsFollowTheDisk) {
    MakeDir("drive_c/FACTORY/Util");
    Open();
    host::MappedPath p;
    ASSERT_EQ(host::MapPath("C:\\factory\\util\\Log.txt", &p), 0u);
    EXPECT_FALSE(p.exists);

    PutFile("drive_c/FACTORY/Util/LOG.TXT", "x");  // from outside
    ASSERT_EQ(host::MapPath("C:\\factory\\util\\Log.txt", &p), 0u);
    EXPECT_TRUE(p.exists);
    EXPECT_EQ(p.host, Path("drive_c/FACTORY/Util/LOG.TXT"));

    // An exact match wins over one that differs in case, whenever it appears.
    PutFile("drive_c/FACTORY/Util/Log.txt", "y");
    ASSERT_EQ(host::MapPath("C:\\factory\\util\\Log.txt", &p), 0u);
    EXPECT_EQ(p.host, Path("drive_c/FACTORY/Util/Log.txt"));

    // A folder made through the stand-ins is there at once, even with the clock put back.
    timespec folder = TimeOf("drive_c/FACTORY");
    ASSERT_TRUE(CreateDirectoryA("C:\\Factory\\New", nullptr));
    SetTime("drive_c/FACTORY", folder);
    ASSERT_EQ(host::MapPath("C:\\FACTORY\\NEW", &p), 0u);
    EXPECT_TRUE(p.exists);
    EXPECT_EQ(p.host, Path("drive_c/FACTORY/New"));
}

TEST(ProfileIndex, AnswersAsTheReaderDoes) {
    const std::string text =
        "k=before any section\r\n"
        "  [ One ]  \r\n"
        "a = 1\r"
        "A=shadowed\n"
        "; b=comment\r\n"
        "b=\"quoted\"\r\n"
        "c='x'\"\r\n"
        "=empty name\r\n"
        "no equals\r\n"
        "[one]\r\n"
        "d=second section of that name\r\n"
        "[Two\r\n"
        "e=\r\n"
        "[]\r\n"
        "f=unnamed\r\n"
        "[Last]";
    formats::ProfileIndex index;
    formats::ProfileIndexBuild(text, &index);
    for (const char* section : {"One", " one ", "two", "", "three", "last"}) {
        for (const char* key : {"a", "b", "c", "d", "e", "f", "k", "", " A ", "no equals"}) {
            std::string_view want;
            std::string_view got;
            bool found = formats::ProfileFind(text, section, key, &want);
            EXPECT_EQ(formats::ProfileIndexFind(index, section, key, &got), found) << section << "/" << key;
            if (found) {
                EXPECT_EQ(got, want) << section << "/" << key;
            }
        }
        EXPECT_EQ(formats::ProfileIndexHasSection(index, section), formats::ProfileHasSection(text, section)) << section;
    }
}

TEST(RegIndex, DeletionsAndCaseDifferingNames) {
    formats::Registry reg;
    std::string error;
    ASSERT_TRUE(formats::ParseRegText("Windows Registry Editor Version 5.00\r\n\r\n"
                                      "[HKEY_LOCAL_MACHINE\\Soft\\Beta\\x]\r\n\"v\"=\"1\"\r\n\r\n"
                                      "[hkey_local_machine\\SOFT\\alpha]\r\n\"v\"=\"2\"\r\n\r\n"
                                      "[HKEY_LOCAL_MACHINE\\Soft\\Gamma]\r\n\r\n"
                                      "[HKEY_LOCAL_MACHINE\\soft\\ALPHA]\r\n\"w\"=\"3\"\r\n\"V\"=\"4\"\r\n\r\n"
                                      "[-HKEY_LOCAL_MACHINE\\SOFT\\BETA\\X]\r\n"
                                      "[-HKEY_LOCAL_MACHINE\\Soft\\Gamma]\r\n"
                                      "[HKEY_LOCAL_MACHINE\\Soft\\gamma]\r\n\r\n"
                                      "[-HKEY_LOCAL_MACHINE\\Soft\\Missing]\r\n",
                                      &reg, &error))
        << error;
    // Beta was there only as x's parent; Gamma came back after its deletion, at the end.
    EXPECT_FALSE(formats::RegKeyExists(reg, "HKEY_LOCAL_MACHINE\\Soft\\Beta"));
    EXPECT_EQ(formats::RegSubkeys(reg, "HKEY_LOCAL_MACHINE\\SOFT"), (std::vector<std::string>{"alpha", "gamma"}));
    formats::RegKey* alpha = formats::FindRegKey(reg, "HKEY_LOCAL_MACHINE\\soft\\Alpha");
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->values.size(), 2u);
    EXPECT_EQ(formats::FindRegValue(*alpha, "v")->data, std::string("4", 2));
    EXPECT_EQ(formats::FormatRegText(reg),
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFT\\alpha]\r\n\"V\"=\"4\"\r\n\"w\"=\"3\"\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Soft\\gamma]\r\n\r\n");

    // New keys fall into the sorted order; a whole root can go.
    formats::CreateRegKey(reg, "HKEY_LOCAL_MACHINE\\Soft\\Beta");
    formats::CreateRegKey(reg, "HKEY_LOCAL_MACHINE\\Soft\\ab");
    EXPECT_EQ(formats::RegSubkeyAt(reg, "HKEY_LOCAL_MACHINE\\soft", 0), "ab");
    EXPECT_EQ(formats::RegSubkeyAt(reg, "HKEY_LOCAL_MACHINE\\soft", 2), "Beta");
    EXPECT_EQ(formats::RegSubkeyAt(reg, "HKEY_LOCAL_MACHINE\\soft", 4), "");
    ASSERT_TRUE(formats::ParseRegText("REGEDIT4\r\n[HKEY_USERS\\a\\b]\r\n[-HKEY_USERS]\r\n[HKEY_USERS\\c]\r\n", &reg,
                                      &error));
    EXPECT_FALSE(formats::RegKeyExists(reg, "HKEY_USERS\\a"));
    EXPECT_EQ(formats::RegSubkeys(reg, "HKEY_USERS"), std::vector<std::string>{"c"});
}

TEST(RegIndex, KeysNotYetOpenedAreWrittenAsOpenedOnes) {
    // Regedit's own layout, and layouts it does not write (comments, LF, duplicates).
    for (const char* text : {"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_USERS\\a]\r\n\"x\"=\"1\"\r\n"
                             "\"y\"=hex:01,02\r\n\r\n[HKEY_USERS\\b]\r\n@=dword:00000002\r\n\r\n",
                             "REGEDIT4\n[HKEY_USERS\\a]\n\"x\" = \"1\"\n;c\n\"y\"=hex:01,\\\n 02\n\"X\"=\"3\"\n"
                             "[HKEY_USERS\\b]\n@=dword:2\n[HKEY_USERS\\a]\n\"z\"=-\n\"y\"=-\n"}) {
        formats::Registry lazy;
        formats::Registry opened;
        std::string error;
        ASSERT_TRUE(formats::ParseRegText(text, &lazy, &error)) << error;
        ASSERT_TRUE(formats::ParseRegText(text, &opened, &error)) << error;
        for (const char* key : {"HKEY_USERS\\a", "HKEY_USERS\\b"}) ASSERT_NE(formats::FindRegKey(opened, key), nullptr);
        EXPECT_EQ(formats::FormatRegText(lazy), formats::FormatRegText(opened));
    }
}

class HostCopyTest : public MachineTest {};

TEST_F(HostCopyTest, StreamedCopyGivesTheSameBytesAndReplacesAtomically) {
    std::string big(3 * 1024 * 1024 + 17, '\0');
    std::mt19937 random(7);
    for (char& c : big) c = static_cast<char>(random());
    PutFile("drive_c/src.bin", big);
    PutFile("drive_c/dst.bin", "old bytes");
    // A second name for the old file: a replace by rename leaves it as it was, a write in
    // place would not.
    ASSERT_EQ(link(Path("drive_c/dst.bin").c_str(), Path("drive_c/old-link.bin").c_str()), 0);
    Open();
    ASSERT_TRUE(CopyFileA("C:\\src.bin", "C:\\DST.BIN", FALSE));
    EXPECT_EQ(ReadFile("drive_c/dst.bin"), big);
    EXPECT_EQ(ReadFile("drive_c/old-link.bin"), "old bytes");
    for (const auto& entry : std::filesystem::directory_iterator(Path("drive_c"))) {
        EXPECT_NE(entry.path().filename().string().rfind(".facet-", 0), 0u) << entry.path();
    }

    // Empty files copy too; a failed copy leaves the destination whole.
    PutFile("drive_c/empty.bin", "");
    ASSERT_TRUE(CopyFileA("C:\\empty.bin", "C:\\dst.bin", FALSE));
    EXPECT_EQ(ReadFile("drive_c/dst.bin"), "");
    PutFile("drive_c/dst.bin", "kept");
    EXPECT_FALSE(CopyFileA("C:\\src.bin", "C:\\dst.bin", TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_EQ(ReadFile("drive_c/dst.bin"), "kept");
}

TEST_F(HostCacheTest, MonitorsAreFoundByTheFirstAdapterOfThatName) {
    SetMachineIni("[Adapter0]\r\nDeviceName=\\\\.\\DISPLAY1\r\nMonitor0=first|0x1\r\n"
                  "[Adapter1]\r\nDeviceName=\\\\.\\display1\r\nMonitor0=second|0x1\r\nMonitor1=x|0x1\r\n"
                  "[Adapter2]\r\nDeviceName=\\\\.\\DISPLAY3\r\nMonitor1=third|0x3\r\n");
    Open();
    DISPLAY_DEVICEA d;
    d.cb = sizeof(d);
    ASSERT_TRUE(EnumDisplayDevicesA("\\\\.\\Display1", 0, &d, 0));
    EXPECT_STREQ(d.DeviceID, "first");
    EXPECT_STREQ(d.DeviceName, "\\\\.\\DISPLAY1\\Monitor0");
    EXPECT_FALSE(EnumDisplayDevicesA("\\\\.\\DISPLAY1", 1, &d, 0));
    EXPECT_FALSE(EnumDisplayDevicesA("\\\\.\\DISPLAY3", 0, &d, 0));
    ASSERT_TRUE(EnumDisplayDevicesA("\\\\.\\DISPLAY3", 1, &d, 0));
    EXPECT_EQ(d.StateFlags, 3u);
    EXPECT_FALSE(EnumDisplayDevicesA("\\\\.\\DISPLAY4", 0, &d, 0));
    EXPECT_TRUE(EnumDisplayDevicesA(nullptr, 2, &d, 0));
    EXPECT_FALSE(EnumDisplayDevicesA(nullptr, 3, &d, 0));
}

}  // namespace
