// EDID decoding, the monitor walk, the wide/normal decision and the display-mode maxima.
#include <cstring>
#include <string>
#include <vector>

#include "identify/edid.h"
#include "identify/screen.h"
#include "machine_fixture.h"
#include "platform/host/machine.h"
#include "run/run_state.h"

namespace {

// A 128-byte EDID 1.3 base block with the fields the decoder reads.
std::string Block(uint8_t video, unsigned width, unsigned height, uint8_t version = 1, uint8_t revision = 3,
                  uint8_t blanking = 0) {
    std::string b(128, '\0');
    const uint8_t header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    memcpy(&b[0], header, sizeof(header));
    b[0x12] = static_cast<char>(version);
    b[0x13] = static_cast<char>(revision);
    b[0x14] = static_cast<char>(video);
    b[0x38] = static_cast<char>(width & 0xFF);
    b[0x3A] = static_cast<char>(((width >> 8) << 4) | (blanking & 0x0F));
    b[0x3B] = static_cast<char>(height & 0xFF);
    b[0x3D] = static_cast<char>(((height >> 8) << 4) | (blanking & 0x0F));
    return b;
}

struct Decoded {
    int32_t nRev = 0, nPass = 0, nType = 0;
    DWORD dwWidth = 0, dwHeight = 0;
};

Decoded Decode(const std::string& b, int32_t presetRev = 0) {
    Decoded d;
    d.nRev = presetRev;
    EXPECT_TRUE(DecodeEdidBlock(reinterpret_cast<const BYTE*>(b.data()), b.size(), &d.nRev, &d.nPass, &d.dwWidth,
                                &d.dwHeight, &d.nType));
    return d;
}

TEST(EdidDecode, VideoInputGivesTheClass) {
    EXPECT_EQ(Decode(Block(0x80, 1, 1)).nType, kEdidLcd);
    EXPECT_EQ(Decode(Block(0x81, 1, 1)).nType, kEdidFlatPanel);
    EXPECT_EQ(Decode(Block(0x0E, 1, 1)).nType, kEdidCrt);
    EXPECT_EQ(Decode(Block(0xFE, 1, 1)).nType, kEdidLcd);  // bits 6 to 1 do not count
}

TEST(EdidDecode, ActiveSizeOfTheFirstTiming) {
    std::string b(128, '\0');
    b[0x14] = '\x80';
    b[0x38] = 0x00;
    b[0x3A] = 0x50;
    b[0x3B] = 0x20;
    b[0x3D] = 0x30;
    Decoded d = Decode(b);
    EXPECT_EQ(d.dwWidth, 1280u);
    EXPECT_EQ(d.dwHeight, 800u);
    b[0x3A] = 0x5F;
    b[0x3D] = 0x3F;  // the blanking nibbles do not count
    d = Decode(b);
    EXPECT_EQ(d.dwWidth, 1280u);
    EXPECT_EQ(d.dwHeight, 800u);
    d = Decode(Block(0x80, 4095, 4095));
    EXPECT_EQ(d.dwWidth, 4095u);
    EXPECT_EQ(d.dwHeight, 4095u);
}

TEST(EdidDecode, VersionAndRevision) {
    Decoded d = Decode(Block(0x80, 1280, 800, 1, 4));
    EXPECT_EQ(d.nRev, 1);
    EXPECT_EQ(d.nPass, 4);
    // Header and checksum are not looked at.
    std::string bad = Block(0x80, 1280, 800);
    bad[0] = 'X';
    bad[127] = 0x55;
    EXPECT_EQ(Decode(bad).dwWidth, 1280u);
    // Other classes set the version only for 1.3, and leave it otherwise.
    EXPECT_EQ(Decode(Block(0x0E, 1, 1, 1, 3), 7).nRev, 1);
    EXPECT_EQ(Decode(Block(0x0E, 1, 1, 1, 4), 7).nRev, 7);
    EXPECT_EQ(Decode(Block(0x81, 1, 1, 2, 3), 7).nRev, 7);
    // Too short to reach the fields: nothing is decoded.
    int32_t v = 5;
    DWORD w = 5;
    EXPECT_FALSE(DecodeEdidBlock(reinterpret_cast<const BYTE*>(bad.data()), kEdidBytesUsed - 1, &v, &v, &w, &w, &v));
    EXPECT_EQ(v, 5);
}

std::string HexLine(const std::string& bytes) {
    std::string out = "hex:";
    char item[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        snprintf(item, sizeof(item), i ? ",%02x" : "%02x", static_cast<unsigned char>(bytes[i]));
        out += item;
    }
    return out;
}

class ScreenTest : public MachineTest {
protected:
    std::string reg_ = "Windows Registry Editor Version 5.00\r\n\r\n";
    std::string ini_;

    void AddEdid(const std::string& model, const std::string& instance, const std::string& bytes) {
        reg_ += "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\" + model + "\\" + instance +
                "\\Device Parameters]\r\n";
        if (!bytes.empty()) reg_ += "\"EDID\"=" + HexLine(bytes) + "\r\n";
        reg_ += "\r\n";
    }
    void AddAdapter(int n, const char* flags, std::initializer_list<std::string> monitors) {
        ini_ += "[Adapter" + std::to_string(n) + "]\r\nDeviceName=\\\\.\\DISPLAY" + std::to_string(n + 1) +
                "\r\nStateFlags=" + flags + "\r\n";
        int m = 0;
        for (const std::string& monitor : monitors) ini_ += "Monitor" + std::to_string(m++) + "=" + monitor + "\r\n";
    }
    void SetModes(const char* modes) { ini_ += std::string("[Display]\r\nModes=") + modes + "\r\n"; }
    void Begin() {
        SetMachineIni(ini_);
        PutFile("registry.reg", reg_);
        Open();
        ResetRunState();
        strcpy(g_run.szLogPath, "C:\\log.txt");
    }
    Decoded Edid(const char* model) {
        Decoded d;
        d.nRev = d.nPass = d.nType = 99;
        d.dwWidth = d.dwHeight = 99;
        GetEDIDData(model, &d.nRev, &d.nPass, &d.dwWidth, &d.dwHeight, &d.nType);
        return d;
    }
    std::string Log() const { return ReadFile("drive_c/log.txt"); }
};

std::string Monitor(const std::string& id, const char* flags = "0x3") {
    return "MONITOR\\" + id + "\\{4d36e96e-e325-11ce-bfc1-08002be10318}\\0000|" + flags;
}

TEST_F(ScreenTest, InstancesAreDecodedInTurnAndTheLastReadableCounts) {
    AddEdid("LCDCRT", "a", Block(0x80, 1280, 800));
    AddEdid("LCDCRT", "B", Block(0x0E, 1024, 768));
    AddEdid("CRTLCD", "1", Block(0x0E, 1024, 768));
    AddEdid("CRTLCD", "2", Block(0x80, 1280, 800));
    // Unreadable instances are passed over: no value, a value that ends before 0x3D, and
    // one longer than the buffer. A long one (three blocks) is read whole, and a short one
    // that holds every field up to 0x3D is decoded from the bytes it has.
    AddEdid("SKIPS", "1", Block(0x80, 1440, 900));
    AddEdid("SKIPS", "2", "");
    AddEdid("SKIPS", "3", Block(0x0E, 640, 480).substr(0, 61));
    AddEdid("SKIPS", "4", Block(0x0E, 640, 480) + std::string(128 * 255 + 1, '\x01'));
    AddEdid("LONG", "1", Block(0x80, 1600, 900) + std::string(256, '\x01'));
    AddEdid("SHORT", "1", Block(0x80, 1600, 900).substr(0, 127));
    AddEdid("SHORT", "2", Block(0x0E, 1024, 768).substr(0, 62));
    reg_ += "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\EMPTY]\r\n\r\n";
    Begin();
    Decoded d = Edid("LCDCRT");
    EXPECT_EQ(d.nType, kEdidCrt);
    EXPECT_EQ(d.dwWidth, 1024u);
    d = Edid("CRTLCD");
    EXPECT_EQ(d.nType, kEdidLcd);
    EXPECT_EQ(d.dwWidth, 1280u);
    EXPECT_EQ(d.nRev, 1);
    d = Edid("SKIPS");
    EXPECT_EQ(d.nType, kEdidLcd);
    EXPECT_EQ(d.dwWidth, 1440u);
    EXPECT_EQ(Edid("LONG").dwWidth, 1600u);
    d = Edid("SHORT");  // the 62-byte CRT block is the last one decoded
    EXPECT_EQ(d.nType, kEdidCrt);
    EXPECT_EQ(d.dwHeight, 768u);
    for (const char* model : {"MISSING", "EMPTY"}) {
        d = Edid(model);
        EXPECT_EQ(d.nType, 99) << model;
        EXPECT_EQ(d.dwWidth, 99u) << model;
    }
}

TEST(MonitorPnpId, TakesThePartAfterTheFirstBackslash) {
    char id[260];
    EXPECT_TRUE(MonitorPnpId("MONITOR\\ABC1234\\{guid}\\0001", id));
    EXPECT_STREQ(id, "ABC1234");
    EXPECT_TRUE(MonitorPnpId("MONITOR\\\\\\ABC\\\\", id));
    EXPECT_STREQ(id, "ABC");
    EXPECT_TRUE(MonitorPnpId("MONITOR\\ABC", id));  // no backslash after it: the rest
    EXPECT_STREQ(id, "ABC");
    EXPECT_FALSE(MonitorPnpId("MONITOR", id));
    EXPECT_FALSE(MonitorPnpId("MONITOR\\\\\\", id));
    EXPECT_FALSE(MonitorPnpId("", id));
}

TEST_F(ScreenTest, MonitorWalkSkipsMirrorsInactiveMonitorsAndTheDefaultMonitor) {
    AddEdid("MIRROR1", "1", Block(0x80, 1111, 600));
    AddEdid("OFF1", "1", Block(0x80, 1112, 600));
    AddEdid("BUSY1", "1", Block(0x80, 1113, 600));
    AddEdid("Default_Monitor", "1", Block(0x80, 1114, 600));
    AddEdid("NOSLASH", "1", Block(0x80, 1115, 600));
    AddEdid("CRT1", "1", Block(0x0E, 1116, 600));
    AddEdid("GOOD1", "1", Block(0x80, 1366, 768));
    AddAdapter(0, "0x0000000D", {Monitor("MIRROR1")});
    AddAdapter(1, "0x00000000",
               {Monitor("OFF1", "0x0"), Monitor("BUSY1", "0x6"), Monitor("Default_Monitor"), "NOSLASH|0x1",
                Monitor("CRT1", "0x2"), Monitor("GOOD1", "0x5")});
    Begin();
    int32_t nRev = 0, nPass = 0;
    DWORD w = 0, h = 0;
    FindEDIDScreen(&nRev, &nPass, &w, &h);
    EXPECT_EQ(w, 1366u);
    EXPECT_EQ(h, 768u);
    GetScreenType();
    EXPECT_EQ(Log(), "INFO >> Start GetScreenType\r\n\r\r\n"
                     "INFO >> Screen information from EDID structure  --> nRev = 1, nPass = 3, dwWidth = 1366, "
                     "dwHeight = 768\r\r\n"
                     "INFO >> Screen type is WIDE\r\r\n");
    EXPECT_EQ(g_run.bWideScreen, 1);
}

TEST_F(ScreenTest, FirstLcdEndsTheSearchEvenWhenItsEdidIsTooOld) {
    AddEdid("OLD", "1", Block(0x80, 1280, 800, 1, 1));
    AddEdid("GOOD", "1", Block(0x80, 1920, 1080));
    AddAdapter(0, "0x5", {Monitor("OLD"), Monitor("GOOD")});
    SetModes("800x600,1280x1024,1024x1280");
    Begin();
    GetScreenType();
    EXPECT_EQ(Log(), "INFO >> Start GetScreenType\r\n\r\r\n"
                     "INFO >> Screen information from OS  --> width = 1280, height = 1024\r\r\n"
                     "INFO >> Screen type is NORMAL\r\r\n");
    EXPECT_EQ(g_run.bWideScreen, 0);
}

TEST_F(ScreenTest, LcdValuesTakePartInTheMaxima) {
    AddEdid("OLD", "1", Block(0x80, 1680, 800, 1, 1));
    AddAdapter(0, "0x5", {Monitor("OLD")});
    SetModes("1024x768");
    Begin();
    GetScreenType();
    EXPECT_NE(Log().find(" width = 1680, height = 800\r\r\n"), std::string::npos);
    EXPECT_EQ(g_run.bWideScreen, 1);
}

struct ModesCase {
    const char* modes;
    const char* osLine;
    int32_t wide;
};

TEST_F(ScreenTest, ShapeFromTheDisplayModes) {
    // clang-format off
    const ModesCase cases[] = {
        {"670x500", " width = 670, height = 500", 0},      {"1340x1000", " width = 1340, height = 1000", 0},
        {"1024x768", " width = 1024, height = 768", 0},    {"1400x1050", " width = 1400, height = 1050", 0},
        {"1280x1024", " width = 1280, height = 1024", 0},  {"1440x1050", " width = 1440, height = 1050", 1},
        {"1366x768", " width = 1366, height = 768", 1},
        {"1920x1080,1600x1200", " width = 1920, height = 1200", 1},  // maxima from different modes
        {"768x1024,600x800", " width = 0, height = 0", 0},           // portrait modes are ignored
        {"800x0", " width = 800, height = 0", 1},                    // height 0: wide unless 0 x 0
        {"", " width = 0, height = 0", 0},
    };
    // clang-format on
    for (const ModesCase& c : cases) {
        ini_.clear();
        SetModes(c.modes);
        host::CloseMachine();
        std::remove(Path("drive_c/log.txt").c_str());
        Begin();
        GetScreenType();
        EXPECT_EQ(Log(), std::string("INFO >> Start GetScreenType\r\n\r\r\n") +
                             "INFO >> Screen information from OS  -->" + c.osLine + "\r\r\n" +
                             "INFO >> Screen type is " + (c.wide ? "WIDE" : "NORMAL") + "\r\r\n")
            << c.modes;
        EXPECT_EQ(g_run.bWideScreen, c.wide) << c.modes;
    }
}

}  // namespace
