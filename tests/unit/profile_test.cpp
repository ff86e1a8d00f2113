// The profile-string reader: the rules of Windows' GetPrivateProfileStringA, on text in
// memory and on files of the image.
#include <unistd.h>

#include <string>

#include "machine_fixture.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"
#include "platform/win32.h"

namespace {

// What the reader delivers for `key` of `section` with default "DEF" and room 64.
std::string Get(const std::string& text, const char* section, const char* key, const char* def = "DEF",
                size_t room = 64) {
    char buf[64];
    bool cut = false;
    size_t n = formats::ProfileGetString(text, section, key, def, buf, room, &cut);
    EXPECT_EQ(n, std::string(buf).size());
    return buf;
}

TEST(ProfileText, LinesSectionsAndBlanks) {
    const std::string text =
        "orphan=before any section\r\n"
        "  [ Main ] trailing words\r\n"
        "\tKey One = value one \t\r\n"
        "\n"
        "no equals sign here\r"
        "Empty=\n"
        "Blanks=   \n"
        "Eq=a=b\n"
        "[Unclosed\n"
        "k=unclosed\n"
        "[Next]\n"
        "last=no line end";
    EXPECT_EQ(Get(text, "Main", "Key One"), "value one");
    EXPECT_EQ(Get(text, " main ", "KEY ONE "), "value one");
    EXPECT_EQ(Get(text, "Main", "Empty"), "");
    EXPECT_EQ(Get(text, "Main", "Blanks"), "");
    EXPECT_EQ(Get(text, "Main", "Eq"), "a=b");
    EXPECT_EQ(Get(text, "Main", "no equals sign here"), "DEF");
    EXPECT_EQ(Get(text, "Main", "orphan"), "DEF");
    EXPECT_EQ(Get(text, "Main", "k"), "DEF");
    EXPECT_EQ(Get(text, "Unclosed", "k"), "unclosed");
    EXPECT_EQ(Get(text, "Next", "last"), "no line end");
    EXPECT_EQ(Get(text, "Main", "Key"), "DEF");  // no prefix matching
    EXPECT_EQ(Get(text, "Mai", "Key One"), "DEF");
    EXPECT_EQ(Get(text, "Main", ""), "DEF");
    EXPECT_EQ(Get(text, "Main", "  "), "DEF");
}

TEST(ProfileText, CommentsQuotesAndDuplicates) {
    const std::string text =
        "[S]\n"
        "; k=commented\n"
        "  ;k=commented too\n"
        "#k=hash is a key\n"
        "Dq=\"quoted value\"\n"
        "Sq=' single '\n"
        "Mixed=\"a'\n"
        "One=\"\n"
        "Inner=a \"b\" c\n"
        "Tail=abc ;x\n"
        "Dup=first\n"
        "dup=second\n"
        "[s]\n"
        "Only=in the second S\n";
    EXPECT_EQ(Get(text, "S", "k"), "DEF");
    EXPECT_EQ(Get(text, "S", "#k"), "hash is a key");
    EXPECT_EQ(Get(text, "S", "Dq"), "quoted value");
    EXPECT_EQ(Get(text, "S", "Sq"), " single ");
    EXPECT_EQ(Get(text, "S", "Mixed"), "\"a'");
    EXPECT_EQ(Get(text, "S", "One"), "\"");
    EXPECT_EQ(Get(text, "S", "Inner"), "a \"b\" c");
    EXPECT_EQ(Get(text, "S", "Tail"), "abc ;x");
    EXPECT_EQ(Get(text, "S", "DUP"), "first");
    EXPECT_EQ(Get(text, "S", "Only"), "DEF");  // only the first section of a name counts
}

TEST(ProfileText, DefaultsAndRoom) {
    const std::string text = "[S]\nLong=abcdefghij\n";
    EXPECT_EQ(Get(text, "S", "Missing", "  dflt  "), "  dflt");
    EXPECT_EQ(Get(text, "S", "Missing", nullptr), "");
    EXPECT_EQ(Get(text, "S", "Long", "DEF", 3), "ab");
    EXPECT_EQ(Get(text, "S", "Missing", "XXYY", 3), "XX");
    EXPECT_EQ(Get(text, "S", "Long", "DEF", 11), "abcdefghij");

    char buf[4] = "abc";
    bool cut = true;
    EXPECT_EQ(formats::ProfileGetString(text, "S", "Long", "", buf, 0, &cut), 0u);
    EXPECT_STREQ(buf, "abc");  // size 0 writes nothing
    EXPECT_EQ(formats::ProfileGetString(text, "S", "Long", "", buf, 4, &cut), 3u);
    EXPECT_TRUE(cut);
}

TEST(ProfileText, ByteOrderMarkSpoilsTheFirstHeader) {
    const std::string text = "\xEF\xBB\xBF[S]\nk=v\n[T]\nk=w\n";
    EXPECT_EQ(Get(text, "S", "k"), "DEF");
    EXPECT_EQ(Get(text, "T", "k"), "w");
}

TEST(ProfileText, RequestedNamesLoseSpacesButNotTabs) {
    const std::string text = "[S]\r\nk=v\r\n[\tT]\r\nk=w\r\n";
    EXPECT_EQ(Get(text, " S ", " k "), "v");
    EXPECT_EQ(Get(text, "\tS", "k"), "DEF");
    EXPECT_EQ(Get(text, "S", "k\t"), "DEF");
    EXPECT_EQ(Get(text, "T", "k"), "w");  // the file's own names are trimmed of both
    EXPECT_EQ(formats::ProfileSetValue("[S]\r\nk=v\r\n", " S ", " k ", "1"), "[S]\r\nk=1\r\n");
    EXPECT_EQ(formats::ProfileSetValue("[S]\r\nk=v\r\n", "S", "\tk", "1"), "[S]\r\nk=v\r\n\tk=1\r\n");
}

// Text as a UTF-16LE file with its byte-order mark.
std::string Utf16(const std::u16string& text) {
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

TEST(ProfileText, Utf16FilesReadInTheAnsiCodePage) {
    const std::string text = Utf16(u"[S]\r\nname=Caf\u00e9 \u20ac\r\nomega=\u03a9!\r\nemoji=\U0001F600\r\n"
                                   u"[Caf\u00e9]\r\nk=v\r\n");
    EXPECT_EQ(Get(text, "S", "name"), "Caf\xe9 \x80");
    EXPECT_EQ(Get(text, "s", "OMEGA"), "?!");  // no ANSI form
    EXPECT_EQ(Get(text, "S", "emoji"), "?");
    EXPECT_EQ(Get(text, "Caf\xe9", "k"), "v");
    EXPECT_EQ(Get(text, "S", "missing"), "DEF");
    EXPECT_EQ(Get(Utf16(u"[S]\r\nk=v"), "S", "k"), "v");
}

TEST(ProfileText, Utf16FilesStayUtf16AndKeepWhatCannotBeSaidInAnsi) {
    const std::string before = Utf16(u"; \u03a9\r\n[S]\r\nk=old\r\n");
    EXPECT_EQ(formats::ProfileSetValue(before, "S", "k", "\x80uro"), Utf16(u"; \u03a9\r\n[S]\r\nk=\u20acuro\r\n"));
    EXPECT_EQ(formats::ProfileSetValue(before, "T", "k", "v"), Utf16(u"; \u03a9\r\n[S]\r\nk=old\r\n[T]\r\nk=v\r\n"));
    EXPECT_EQ(formats::ProfileSetValue("\xFF\xFE", "T", "k", "v"), Utf16(u"[T]\r\nk=v\r\n"));
    // A lone surrogate comes back as it was.
    std::string lone = Utf16(u"[S]\r\nk=x\r\n") + std::string("\x00\xD8", 2);
    EXPECT_EQ(formats::ProfileSetValue(lone, "S", "k", "x"), lone);
}

class ProfileFileTest : public MachineTest {};

TEST_F(ProfileFileTest, Utf16FilesThroughTheStandIns) {
    PutFile("drive_c/Facet/Facet.INI", Utf16(u"[DEFAULT_SECTION]\r\nHome=H\r\n"));
    PutFile("drive_c/SIGNUP/INSTALL.INS", Utf16(u"[FavoritesEx]\r\nTitle1=\u03a9.URL\r\n"));
    Open();
    char buf[16];
    EXPECT_EQ(GetPrivateProfileStringA("DEFAULT_SECTION", "Home", "", buf, sizeof(buf), "C:\\Facet\\Facet.INI"), 1u);
    EXPECT_STREQ(buf, "H");
    EXPECT_TRUE(WritePrivateProfileStringA("FavoritesEx", "Title2", "Caf\xe9.URL", "C:\\SIGNUP\\INSTALL.INS"));
    EXPECT_EQ(ReadFile("drive_c/SIGNUP/INSTALL.INS"),
              Utf16(u"[FavoritesEx]\r\nTitle1=\u03a9.URL\r\nTitle2=Caf\u00e9.URL\r\n"));
}

// The new content goes into a temporary file of this run's own name, which never stays
// behind, and whatever an earlier run left behind never stands in the way.
TEST_F(ProfileFileTest, TemporaryFilesNeverStayAndLeftoversNeverBlock) {
    PutFile("drive_c/dir/old.ini.facet-new", "left by an old run");
    PutFile("drive_c/dir/x.ini", "[S]\r\nk=1\r\n");
    MakeDir("drive_c/dir/sub.ini");
    Open();
    std::string pid = std::to_string(getpid());
    for (int i = 1; i <= 3; ++i) MakeDir("drive_c/dir/.facet-" + pid + "-" + std::to_string(i) + ".tmp");
    PutFile("drive_c/dir/.facet-" + pid + "-4.tmp", "leftover");
    EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "2", "C:\\dir\\x.ini"));
    EXPECT_EQ(ReadFile("drive_c/dir/x.ini"), "[S]\r\nk=2\r\n");
    EXPECT_EQ(ReadFile("drive_c/dir/.facet-" + pid + "-4.tmp"), "leftover");
    size_t entries = Entries("drive_c/dir");
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", "C:\\dir\\sub.ini"));  // a folder
    EXPECT_EQ(Entries("drive_c/dir"), entries);
}

TEST_F(ProfileFileTest, ReadsImageFilesAndReportsLikeWindows) {
    PutFile("drive_c/factory/Util/QOR.INI", "[uia]\r\nDashRegion=ABC\r\n");
    Open();
    char buf[3];
    SetLastError(0);
    EXPECT_EQ(GetPrivateProfileStringA("uia", "DashRegion", "XX", buf, 3, "C:\\FACTORY\\Util\\QOR.INI"), 2u);
    EXPECT_STREQ(buf, "AB");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));

    EXPECT_EQ(GetPrivateProfileStringA("uia", "DashRegion", "XX", buf, 3, "C:\\FACTORY\\Util\\None.INI"), 2u);
    EXPECT_STREQ(buf, "XX");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    EXPECT_EQ(GetPrivateProfileStringA("uia", "DashRegion", "XX", buf, 3, ""), 2u);
    EXPECT_STREQ(buf, "XX");
}

}  // namespace

namespace {

TEST(ProfileWrite, ReplacesInPlaceAndKeepsEveryOtherByte) {
    const std::string text =
        "; head\r\n"
        "[Other]\r\n"
        "Key=other\r\n"
        "\r\n"
        "[Main]\r\n"
        "  KEY = old value\r\n"
        "key=second\r\n"
        "\r\n"
        "; tail comment\r\n";
    EXPECT_EQ(formats::ProfileSetValue(text, " main ", "Key", " new \"v\" "),
              "; head\r\n[Other]\r\nKey=other\r\n\r\n[Main]\r\n  KEY = new \"v\" \r\nkey=second\r\n\r\n; tail comment\r\n");
}

TEST(ProfileWrite, NewKeyGoesAfterTheLastEntryOfItsSection) {
    EXPECT_EQ(formats::ProfileSetValue("[A]\r\na=1\r\n\r\n; c\r\n[B]\r\nb=2\r\n", "a", " new ", "v"),
              "[A]\r\na=1\r\nnew=v\r\n\r\n; c\r\n[B]\r\nb=2\r\n");
    EXPECT_EQ(formats::ProfileSetValue("[A]\r\n[B]\r\n", "A", "k", "v"), "[A]\r\nk=v\r\n[B]\r\n");
    EXPECT_EQ(formats::ProfileSetValue("[A]\r\na=1", "A", "k", "v"), "[A]\r\na=1\r\nk=v\r\n");
    EXPECT_EQ(formats::ProfileSetValue("[A]\na=1\n", "A", "k", "v"), "[A]\na=1\nk=v\r\n");
    // Only the first section of a name is changed.
    EXPECT_EQ(formats::ProfileSetValue("[A]\r\n[A]\r\nk=2\r\n", "A", "k", "1"), "[A]\r\nk=1\r\n[A]\r\nk=2\r\n");
}

TEST(ProfileWrite, NewSectionAndNewFile) {
    EXPECT_EQ(formats::ProfileSetValue("", "S", "k", "v"), "[S]\r\nk=v\r\n");
    EXPECT_EQ(formats::ProfileSetValue("[A]\r\na=1\r\n", " S ", "k", ""), "[A]\r\na=1\r\n[S]\r\nk=\r\n");
    EXPECT_EQ(formats::ProfileSetValue("[A]\r\na=1", "S", "k", "v"), "[A]\r\na=1\r\n[S]\r\nk=v\r\n");
    // A comment that looks like the key is not the key; with no entry, the key follows the header.
    EXPECT_EQ(formats::ProfileSetValue("[S]\r\n;k=old\r\n", "S", "k", "v"), "[S]\r\nk=v\r\n;k=old\r\n");
}

TEST_F(ProfileFileTest, WriterFailsLikeWindowsAndNeverLosesTheOldFile) {
    SetMachineIni("[Faults]\r\nReadOnly=C:\\ro\r\n");
    PutFile("drive_c/ro/INSTALL.INS", "[URL]\r\nHome_page=old\r\n");
    MakeDir("drive_c/dir");
    Open();
    EXPECT_FALSE(WritePrivateProfileStringA("URL", "Home_page", "new", "C:\\ro\\INSTALL.INS"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadFile("drive_c/ro/INSTALL.INS"), "[URL]\r\nHome_page=old\r\n");
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", "C:\\missing\\x.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", ""));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", "C:\\dir"));

    EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "v", "C:\\DIR\\new.ini"));
    EXPECT_EQ(ReadFile("drive_c/dir/new.ini"), "[S]\r\nk=v\r\n");
    EXPECT_EQ(Entries("drive_c/dir"), 1u);  // no temporary file left beside it
    // A bare file name is looked for in the Windows folder, as on Windows.
    MakeDir("drive_c/Windows");
    EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "v", "bare.ini"));
    EXPECT_TRUE(Exists("drive_c/Windows/bare.ini"));
    char buf[8];
    EXPECT_EQ(GetPrivateProfileStringA("s", "K", "", buf, sizeof(buf), "bare.ini"), 1u);
}

}  // namespace
