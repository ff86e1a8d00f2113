// The branding file path, the section probe and the machine-information library binding.
#include <cstring>
#include <string>

#include "config/section.h"
#include "identify/machine_info.h"
#include "machine_fixture.h"
#include "platform/host/machine.h"
#include "run/run_state.h"

namespace {

class SectionTest : public MachineTest {
protected:
    // Candidates for region XX, language 0409 and category COMMERCIAL, probed in FACET.INI.
    void Probe(const std::string& ini) {
        PutFile("drive_c/Facet/Facet.INI", ini);
        Open();
        ResetRunState();
        strcpy(g_run.szLogPath, "C:\\log.txt");
        strcpy(g_run.szIniPath, "C:\\Facet\\Facet.INI");
        strcpy(g_run.szSubBrand, "COMMERCIAL");
        strcpy(g_run.szSecRegionLangID, "XX-0409-COMMERCIAL");
        strcpy(g_run.szSecRegionLang, "XX-09-COMMERCIAL");
        strcpy(g_run.szSecAnyRegionLang, "*-09-COMMERCIAL");
        strcpy(g_run.szSecRegionAnyLang, "XX-*-COMMERCIAL");
        FindIniSection();
    }
    std::string Log() const { return ReadFile("drive_c/log.txt"); }

    static std::string Lines(int probes, const char* chosen) {
        const char* names[] = {"XX-0409-COMMERCIAL", "XX-09-COMMERCIAL", "*-09-COMMERCIAL", "XX-*-COMMERCIAL",
                               "COMMERCIAL"};
        std::string out = LogEntry("INFO >> Find section name to read from INI file", "");
        for (int i = 0; i < probes; ++i) {
            out += LogEntry(i < 3 ? "        Look for section -->" : "        Look for -->", names[i]);
        }
        return out + LogEntry("INFO >> INI section will be used -->", chosen);
    }
};

TEST_F(SectionTest, OnlyCategorySectionPresent) {
    Probe("[COMMERCIAL]\r\nHome=CVH\r\n[DEFAULT_SECTION]\r\nHome=X\r\n");
    EXPECT_STREQ(g_run.szSection, "COMMERCIAL");
    EXPECT_EQ(Log(), Lines(5, "COMMERCIAL"));
}

TEST_F(SectionTest, MostSpecificSectionWithHomeWins) {
    Probe("[xx-09-commercial]\r\nHome=\r\n[XX-0409-COMMERCIAL]\r\nSearch=S\r\nFavorites=F\r\n[COMMERCIAL]\r\nHome=H\r\n");
    EXPECT_STREQ(g_run.szSection, "XX-09-COMMERCIAL");
    EXPECT_EQ(Log(), Lines(2, "XX-09-COMMERCIAL"));
}

TEST_F(SectionTest, ErrorValueIsAbsentButLowerCaseErrorIsPresent) {
    Probe("[XX-0409-COMMERCIAL]\r\nHome=ERROR\r\n[XX-09-COMMERCIAL]\r\nHome=\"ERROR\"\r\n[*-09-COMMERCIAL]\r\nHome=error\r\n");
    EXPECT_STREQ(g_run.szSection, "*-09-COMMERCIAL");
    EXPECT_EQ(Log(), Lines(3, "*-09-COMMERCIAL"));
}

TEST_F(SectionTest, NothingMatchesOrNoFileGivesDefaultUnprobed) {
    Probe("[DEFAULT_SECTION]\r\nHome=H\r\n[Other]\r\nHome=H\r\n");
    EXPECT_STREQ(g_run.szSection, "DEFAULT_SECTION");
    EXPECT_EQ(Log(), Lines(5, "DEFAULT_SECTION"));

    host::CloseMachine();
    PutFile("drive_c/log.txt", "");
    Probe("");
    strcpy(g_run.szIniPath, "C:\\Facet\\Missing.INI");
    PutFile("drive_c/log.txt", "");
    FindIniSection();
    EXPECT_STREQ(g_run.szSection, "DEFAULT_SECTION");
    EXPECT_EQ(Log(), Lines(5, "DEFAULT_SECTION"));
}

TEST_F(SectionTest, LongHomeValueIsOnlyTested) {
    Probe("[XX-*-COMMERCIAL]\r\nHome=" + std::string(5000, 'h') + "\r\n");
    EXPECT_STREQ(g_run.szSection, "XX-*-COMMERCIAL");
}

TEST_F(SectionTest, ReadIniValueReadsTheChosenSectionCutTo259) {
    Probe("[COMMERCIAL]\r\nHome=CVH\r\nFavorites=" + std::string(300, 'f') + "\r\nName = \"Corvane\" \r\n");
    char value[260];
    EXPECT_EQ(ReadIniValue("Home", value), 3u);
    EXPECT_STREQ(value, "CVH");
    EXPECT_EQ(ReadIniValue("favorites", value), 259u);
    EXPECT_EQ(std::string(value), std::string(259, 'f'));
    EXPECT_EQ(ReadIniValue("Name", value), 7u);
    EXPECT_STREQ(value, "Corvane");
    EXPECT_EQ(ReadIniValue("Search", value), 0u);
    EXPECT_STREQ(value, "");
}

class LocaleAndSectionTest : public MachineTest {
protected:
    void Resolve(const std::string& exe, const std::string& extraIni = "") {
        MakeDir("drive_c/FACTORY/Util");
        SetMachineIni("[Machine]\r\nExecutable=" + exe + "\r\n" + extraIni);
        Open();
        ResetRunState();
        strcpy(g_run.szLogPath, "C:\\log.txt");
        strcpy(g_run.szSubBrand, "SMB");
        ResolveLocaleAndSection();
    }
};

TEST_F(LocaleAndSectionTest, PathsAndCandidates) {
    Resolve("C:\\Facet\\Facet.exe", "[Locale]\r\nSystemDefaultUILanguage=0C0A\r\n");
    EXPECT_STREQ(g_run.szExeDir, "C:\\Facet");
    EXPECT_STREQ(g_run.szIniPath, "C:\\Facet\\Facet.INI");
    EXPECT_STREQ(g_run.szSecRegionLangID, "XX-0C0A-SMB");
    EXPECT_STREQ(g_run.szSecRegionLang, "XX-0A-SMB");
    EXPECT_STREQ(g_run.szSecAnyRegionLang, "*-0A-SMB");
    EXPECT_STREQ(g_run.szSecRegionAnyLang, "XX-*-SMB");
    EXPECT_STREQ(g_run.szSection, "DEFAULT_SECTION");
    EXPECT_STREQ(g_run.szSignupPath, "C:\\Program Files\\Internet Explorer\\SIGNUP\\INSTALL.INS");
}

TEST_F(LocaleAndSectionTest, DriveRootGivesTwoBackslashes) {
    Resolve("C:\\Facet.exe", "[Folders]\r\nProgramFiles=\r\n");
    EXPECT_STREQ(g_run.szExeDir, "C:\\");
    EXPECT_STREQ(g_run.szIniPath, "C:\\\\Facet.INI");
    EXPECT_STREQ(g_run.szSignupPath, "");  // no Program Files folder, no sign-up file
}

TEST_F(LocaleAndSectionTest, OverLongExecutablePathIsRefused) {
    // 259 characters fit the module path, but its folder with "\Facet.INI" does not.
    std::string exe259 = "C:\\" + std::string(250, 'd') + "\\F.exe";
    ASSERT_EQ(exe259.size(), 259u);
    Resolve(exe259);
    EXPECT_STREQ(g_run.szIniPath, "");
    EXPECT_EQ(ReadFile("drive_c/log.txt").find("ERROR >> Path of FACET.INI is too long: C:\\ddd"), 0u);

    host::CloseMachine();
    PutFile("drive_c/log.txt", "");
    std::string exe260 = "C:\\" + std::string(247, 'd') + "\\Facet.exe";
    Resolve(exe260);
    EXPECT_STREQ(g_run.szExeDir, "");
    EXPECT_STREQ(g_run.szIniPath, "");
    EXPECT_EQ(ReadFile("drive_c/log.txt").find(LogEntry("ERROR >> Path of the executable is too long")), 0u);
}

class MachineInfoTest : public MachineTest {
protected:
    int Load(const std::string& zmint) {
        MakeDir("drive_c/FACTORY/Util");
        SetMachineIni("[Machine]\r\nExecutable=C:\\Facet\\Facet.exe\r\n" + zmint);
        Open();
        ResetRunState();
        strcpy(g_run.szLogPath, "C:\\log.txt");
        return LoadMachineInfo();
    }
    std::string Log() const { return ReadFile("drive_c/log.txt"); }
};

TEST_F(MachineInfoTest, MissingLibraryLogsItsNameOnly) {
    EXPECT_EQ(Load(""), -1);
    EXPECT_EQ(Log(), "ERROR >> Failed to Load DLLZMINT.DLL\r\r\n");
    EXPECT_STREQ(g_run.szIniPath, "");
    EXPECT_STREQ(g_run.szDashRegion, "XX");
    EXPECT_STREQ(g_run.szOSLangString, "UN");
}

TEST_F(MachineInfoTest, MissingExportLogsNothingAndReleasesTheLibrary) {
    for (const char* exports : {"zmiGetModelName,zmiGetOSVersion", "zmiGetOSVersion,zmiGetMachineId",
                                "zmiGetModelName,zmiGetMachineId", ""}) {
        host::CloseMachine();
        EXPECT_EQ(Load(std::string("[ZMINT]\r\nModelName=KL\r\nExports=") + exports + "\r\n"), -1) << exports;
        EXPECT_FALSE(Exists("drive_c/log.txt")) << exports;
        EXPECT_EQ(host::ZmintLoadCount(), 0);
        EXPECT_STREQ(g_run.szModelName, "");
    }
}

TEST_F(MachineInfoTest, IdentifierComesFirstAndSummaryLast) {
    EXPECT_EQ(Load("[ZMINT]\r\nModelName=qb tab #p60\r\nMachineId=SYS-9\r\n"
                   "[Locale]\r\nUserDefaultLangID=0C0A\r\nSystemDefaultUILanguage=0411\r\n"),
              0);
    EXPECT_EQ(host::ZmintLoadCount(), 0);
    std::string log = Log();
    EXPECT_EQ(log.find(LogEntry("INFO >> System ID -->", "SYS-9")), 0u);
    std::string summary = LogEntry("INFO >> Facet Version -->", "") + LogEntry("INFO >> Model Name = ", "QB TAB #P60") +
                          LogEntry("INFO >> System Brand = ", "CV") + LogEntry("INFO >> System Sub Brand = ", "TABLET") +
                          LogEntry("INFO >> Dash Region = ", "JP") + LogEntry("INFO >> OS Language String -->", "11") +
                          LogEntry("INFO >> OS System Language ID -->", "0411") +
                          LogEntry("INFO >> User Regional Language Setting ID -->", "c0a");
    ASSERT_GE(log.size(), summary.size());
    EXPECT_EQ(log.substr(log.size() - summary.size()), summary);
}

TEST_F(MachineInfoTest, LongAndOddValuesStayInTheirFields) {
    std::string model = "kl \xC4\xE9\xFF " + std::string(300, 'x');
    EXPECT_EQ(Load("[ZMINT]\r\nModelName=" + model + "\r\nMachineId=" + std::string(40, '7') + "\r\n"), 0);
    EXPECT_EQ(strlen(g_run.szModelName), 259u);  // the library keeps to 259 characters
    EXPECT_EQ(std::string(g_run.szModelName, 7), "KL \xC4\xE9\xFF ");
    EXPECT_NE(Log().find(LogEntry("INFO >> System ID -->", std::string(19, '7'))), std::string::npos);
    EXPECT_STREQ(g_run.szSubBrand, "COMMERCIAL");
}

}  // namespace
