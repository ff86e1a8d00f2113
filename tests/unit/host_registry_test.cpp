// registry.reg: parsing and writing the export format, and the registry functions over it.
#include <string>

#include "machine_fixture.h"
#include "platform/host/machine.h"
#include "formats/reg_format.h"
#include "platform/win32.h"

namespace {

std::string Utf16(const std::string& narrow) {
    std::string out = "\xFF\xFE";
    for (char c : narrow) {
        out += c;
        out += '\0';
    }
    return out;
}

const char kExport[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; a comment\r\n"
    "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
    "@=\"default\"\r\n"
    "\"Quote\"=\"say \\\"hi\\\" C:\\\\x\"\r\n"
    "\"Count\"=dword:0000001f\r\n"
    "\"Blob\"=hex:01,02,\\\r\n"
    "  ff\r\n"
    "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
    "\"Gone\"=\"x\"\r\n"
    "\"Gone\"=-\r\n"
    "\r\n"
    "[hkey_local_machine\\SYSTEM\\Deep\\Key]\r\n"
    "[-HKEY_LOCAL_MACHINE\\SYSTEM\\Removed]\r\n";

TEST(RegText, ParsesTheExportFormat) {
    formats::Registry reg;
    std::string error;
    ASSERT_TRUE(formats::ParseRegText(kExport, &reg, &error)) << error;
    formats::RegKey* key = formats::FindRegKey(reg, "HKEY_CURRENT_USER\\software\\TEST");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(formats::FindRegValue(*key, "")->data, std::string("default", 8));
    EXPECT_EQ(formats::FindRegValue(*key, "quote")->data, std::string("say \"hi\" C:\\x", 14));
    EXPECT_EQ(formats::FindRegValue(*key, "Count")->data, std::string("\x1f\0\0\0", 4));
    EXPECT_EQ(formats::FindRegValue(*key, "Blob")->data, "\x01\x02\xff");
    EXPECT_EQ(formats::FindRegValue(*key, "Expand")->type, 2u);
    EXPECT_EQ(formats::FindRegValue(*key, "Expand")->data, std::string("%A%\0", 4));
    EXPECT_EQ(formats::FindRegValue(*key, "Gone"), nullptr);
    EXPECT_TRUE(formats::RegKeyExists(reg, "HKEY_LOCAL_MACHINE\\SYSTEM\\Deep"));  // implied parent
    EXPECT_EQ(formats::FindRegKey(reg, "HKEY_LOCAL_MACHINE\\SYSTEM\\Deep\\Key")->path,
              "HKEY_LOCAL_MACHINE\\SYSTEM\\Deep\\Key");

    // Written back and read again, nothing changes; UTF-16 files stay UTF-16.
    formats::Registry again;
    ASSERT_TRUE(formats::ParseRegText(formats::FormatRegText(reg), &again, &error)) << error;
    EXPECT_EQ(formats::FormatRegText(again), formats::FormatRegText(reg));
    formats::Registry wide;
    ASSERT_TRUE(formats::ParseRegText(Utf16(kExport), &wide, &error)) << error;
    EXPECT_TRUE(wide.utf16);
    EXPECT_EQ(formats::FormatRegText(wide), Utf16(formats::FormatRegText(reg)));
}

TEST(RegText, RefusesWhatIsNotAnExport) {
    formats::Registry reg;
    std::string error;
    EXPECT_FALSE(formats::ParseRegText("[HKEY_CURRENT_USER\\X]\r\n", &reg, &error));
    EXPECT_FALSE(formats::ParseRegText("REGEDIT4\r\n\"v\"=\"outside a key\"\r\n", &reg, &error));
    EXPECT_FALSE(formats::ParseRegText("REGEDIT4\r\n[HKEY_NOWHERE\\X]\r\n", &reg, &error));
    EXPECT_FALSE(formats::ParseRegText("REGEDIT4\r\n[HKEY_USERS\\X]\r\n\"v\"=dword:xyz\r\n", &reg, &error));
    EXPECT_NE(error.find("line 3"), std::string::npos);
}

TEST(RegText, LongBinaryValuesWrapLikeRegedit) {
    formats::RegValue value{"v", 3, std::string(100, '\xab')};
    std::string text = formats::FormatRegData(value, false, 4);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        EXPECT_LE(end - start + (start == 0 ? 4 : 0), 80u);  // "v"= stands before the first line
        start = end + 2;
    }
    formats::Registry reg;
    std::string error;
    ASSERT_TRUE(formats::ParseRegText("REGEDIT4\r\n[HKEY_USERS\\X]\r\n\"v\"=" + text + "\r\n", &reg, &error)) << error;
    EXPECT_EQ(formats::FindRegValue(*formats::FindRegKey(reg, "HKEY_USERS\\X"), "v")->data, value.data);
}

class HostRegistryTest : public MachineTest {};

TEST_F(HostRegistryTest, ValuesAreReadAndWrittenThroughTheImage) {
    PutFile("registry.reg", Utf16("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Keep]\r\n"
                                  "\"Other\"=\"kept\"\r\n\r\n"));
    Open();
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Missing\\Key", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Keep\\New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    EXPECT_EQ(RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1), ERROR_SUCCESS);
    DWORD one = 1;
    EXPECT_EQ(RegSetValueExA(key, "Flag", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "KEEP\\new", 0, KEY_READ, &key), ERROR_SUCCESS);
    char buf[4];
    DWORD type = 0;
    DWORD size = sizeof(buf);
    EXPECT_EQ(RegQueryValueExA(key, "text", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 1u);
    size = 2;
    EXPECT_EQ(RegQueryValueExA(key, "Flag", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(RegQueryValueExA(key, "None", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    // The file on disk: still UTF-16, the other key kept, the new values in .reg notation.
    formats::Registry reg;
    std::string error;
    ASSERT_TRUE(formats::ParseRegText(ReadFile("registry.reg"), &reg, &error)) << error;
    EXPECT_TRUE(reg.utf16);
    EXPECT_EQ(formats::FindRegValue(*formats::FindRegKey(reg, "HKEY_CURRENT_USER\\Keep"), "Other")->data,
              std::string("kept", 5));
    formats::RegKey* created = formats::FindRegKey(reg, "HKEY_CURRENT_USER\\Keep\\New");
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(formats::FormatRegData(*formats::FindRegValue(*created, "Text"), false), "\"\"");
    EXPECT_EQ(formats::FormatRegData(*formats::FindRegValue(*created, "Flag"), false), "dword:00000001");
}

TEST_F(HostRegistryTest, ABrokenRegistryFileMeansTheImageCannotBeRead) {
    PutFile("registry.reg", "Windows Registry Editor Version 5.00\r\n\r\nnonsense\r\n");
    std::string error;
    EXPECT_FALSE(host::OpenMachine(dir_, &error));
    EXPECT_NE(error.find("registry.reg line 3"), std::string::npos);
}

}  // namespace
