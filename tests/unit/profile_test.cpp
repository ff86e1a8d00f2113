// The profile-string reader: the rules of Windows' GetPrivateProfileStringA, on text in
// memory and on files of the image.
#include <string>

#include "machine_fixture.h"
#include "platform/host/profile_text.h"
#include "platform/win32.h"

namespace {

// What the reader delivers for `key` of `section` with default "DEF" and room 64.
std::string Get(const std::string& text, const char* section, const char* key, const char* def = "DEF",
                size_t room = 64) {
    char buf[64];
    bool cut = false;
    size_t n = host::ProfileGetString(text, section, key, def, buf, room, &cut);
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
    EXPECT_EQ(host::ProfileGetString(text, "S", "Long", "", buf, 0, &cut), 0u);
    EXPECT_STREQ(buf, "abc");  // size 0 writes nothing
    EXPECT_EQ(host::ProfileGetString(text, "S", "Long", "", buf, 4, &cut), 3u);
    EXPECT_TRUE(cut);
}

TEST(ProfileText, ByteOrderMarkSpoilsTheFirstHeader) {
    const std::string text = "\xEF\xBB\xBF[S]\nk=v\n[T]\nk=w\n";
    EXPECT_EQ(Get(text, "S", "k"), "DEF");
    EXPECT_EQ(Get(text, "T", "k"), "w");
}

class ProfileFileTest : public MachineTest {};

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
