// Identification decision tables: brand classification, language codes, dash region.
#include <cstring>
#include <string>

#include "identify/brand.h"
#include "identify/dash_region.h"
#include "identify/language.h"
#include "machine_fixture.h"
#include "platform/host/machine.h"
#include "run/run_state.h"

namespace {

struct BrandCase {
    const char* model;
    const char* brand;
    const char* subBrand;
    const char* imageFolder;
};

TEST(ClassifyBrand, FirstMatchingRuleDecides) {
    const BrandCase cases[] = {
        {"", "CV", "COMMERCIAL", "\\standard"},
        {"vellomar 15", "KTR", "VELLOMAR", "\\standard"},
        {"Vellomar QA-1", "KTR", "VELLOMAR", "\\standard"},  // consumer lines before tablet prefixes
        {"QUINTARA KM9", "CV", "QUINTARA", "\\standard"},
        {"KJ-3 QB", "CV", "TABLET", "\\portrait"},  // tablet prefixes before business ones
        {"KL KM", "CV", "COMMERCIAL", "\\standard"},
        {"KM-7", "CV", "WORKSTATION", "\\standard"},
        {"KJ 100", "CV", "SMB", "\\standard"},
        {"SQAB7", "CV", "TABLET", "\\portrait"},  // "QA" inside a word still counts
        {"XQC9", "CV", "TABLET", "\\portrait"},
        {"OTHER 1", "CV", "COMMERCIAL", "\\standard"},
        {"VELLOMA R", "CV", "COMMERCIAL", "\\standard"},
    };
    for (const BrandCase& c : cases) {
        ResetRunState();
        strcpy(g_run.szModelName, c.model);
        ClassifyBrand();
        EXPECT_STREQ(g_run.szBrand, c.brand) << c.model;
        EXPECT_STREQ(g_run.szSubBrand, c.subBrand) << c.model;
        EXPECT_STREQ(g_run.szImageFolder, c.imageFolder) << c.model;
    }
}

TEST(ClassifyBrand, UpperCasesAsciiOnlyInPlace) {
    ResetRunState();
    strcpy(g_run.szModelName, "ql\xe9-kl \xb5z #e2z");
    ClassifyBrand();
    EXPECT_STREQ(g_run.szModelName, "QL\xe9-KL \xb5Z #E2Z");
    EXPECT_STREQ(g_run.szSubBrand, "COMMERCIAL");

    // A model name that fills its field exactly stays whole and terminated.
    ResetRunState();
    std::string full(259, 'q');
    full.replace(200, 2, "KM");
    strcpy(g_run.szModelName, full.c_str());
    ClassifyBrand();
    EXPECT_EQ(strlen(g_run.szModelName), 259u);
    EXPECT_STREQ(g_run.szSubBrand, "WORKSTATION");
}

class LanguageTest : public MachineTest {
protected:
    void Resolve(const char* user, const char* ui) {
        SetMachineIni(std::string("[Locale]\nUserDefaultLangID=") + user + "\nSystemDefaultUILanguage=" + ui + "\n");
        Open();
        ResetRunState();
        ResolveLanguageCodes();
    }
};

TEST_F(LanguageTest, IdentifiersBecomeFixedHexTexts) {
    // clang-format off
    struct {
        const char* user;
        const char* ui;
        const char* userText;
        const char* osId;
        const char* osString;
    } cases[] = {
        {"0409", "0409", "409", "0409", "09"}, {"0C0A", "0C0A", "c0a", "0C0A", "0A"},
        {"0401", "0401", "401", "0401", "01"}, {"040D", "040D", "40d", "040D", "0D"},
        {"0809", "0809", "809", "0809", "09"}, {"0", "0", "0", "0000", "00"},
        {"0500", "0500", "500", "0500", "UN"}, {"04FF", "04FF", "4ff", "04FF", "FF"},
        {"000A", "FFFF", "a", "FFFF", "UN"},   {"FFFF", "0007", "ffff", "0007", "07"},
    };
    // clang-format on
    for (const auto& c : cases) {
        Resolve(c.user, c.ui);
        EXPECT_STREQ(g_run.szUserLangID, c.userText) << c.user;
        EXPECT_STREQ(g_run.szOSLangID, c.osId) << c.ui;
        EXPECT_STREQ(g_run.szOSLangString, c.osString) << c.ui;
        host::CloseMachine();
    }
}

TEST(DashRegionTable, FormsAndUniqueness) {
    ASSERT_EQ(kDashRegionRows, 43u);
    for (size_t i = 0; i < kDashRegionRows; ++i) {
        const DashRegionRow& row = DashRegionTable[i];
        ASSERT_EQ(strlen(row.szOptionCode), 3u) << i;
        ASSERT_EQ(strlen(row.szRegionCode), 2u) << i;
        for (char c : std::string(row.szOptionCode) + row.szRegionCode) {
            EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) << i;
        }
        EXPECT_STRNE(row.szRegionCode, "XX");
        for (size_t j = 0; j < i; ++j) {
            EXPECT_STRNE(row.szOptionCode, DashRegionTable[j].szOptionCode) << i;
            EXPECT_STRNE(row.szRegionCode, DashRegionTable[j].szRegionCode) << i;
        }
    }
}

class DashRegionTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MakeDir("drive_c/FACTORY/Util");
    }
    // Runs ResolveDashRegion for a model name (already upper-cased, as the run has it).
    std::string Resolve(const char* model) {
        Open();
        ResetRunState();
        strcpy(g_run.szLogPath, "C:\\log.txt");
        strcpy(g_run.szModelName, model);
        ResolveDashRegion();
        return g_run.szDashRegion;
    }
    std::string Log() const { return ReadFile("drive_c/log.txt"); }
};

TEST_F(DashRegionTest, OptionCodeAfterTheFirstHash) {
    PutFile("drive_c/FACTORY/Util/QOR.INI", "[uia]\r\nDashRegion=77\r\n");
    EXPECT_EQ(Resolve("KL-5 #E22"), "11");
    EXPECT_EQ(Log(), "INFO >>Start GetDashRegionFromDMITable -- Model name : KL-5 #E22\r\r\n");
    EXPECT_EQ(Resolve("KL-5 #E22 EXTRA"), "11");
    EXPECT_EQ(Resolve("KL#P60#E22"), "JP");  // the first "#" only
    EXPECT_EQ(Resolve("KL#A10"), "01");
    EXPECT_EQ(Resolve("#P69"), "AP");
}

TEST_F(DashRegionTest, UnknownOrShortCodesFallBackToTheFactoryFile) {
    PutFile("drive_c/FACTORY/Util/QOR.INI", "[UIA]\r\ndashregion = 77\r\n");
    EXPECT_EQ(Resolve("KL #E2"), "77");
    EXPECT_EQ(Resolve("KL #"), "77");
    EXPECT_EQ(Resolve("KL # E22"), "77");  // a blank after "#" is part of the code
    EXPECT_EQ(Resolve("KL #ZZZ"), "77");
    EXPECT_EQ(Resolve("KL #e22"), "77");  // the table holds capitals only
}

TEST_F(DashRegionTest, NoHashLogsAndReadsTheFactoryFile) {
    PutFile("drive_c/FACTORY/Util/QOR.INI", "[uia]\r\nDashRegion=abc\r\n");
    EXPECT_EQ(Resolve("KL-5"), "ab");  // cut to two, case kept
    EXPECT_EQ(Log(),
              "INFO >>Start GetDashRegionFromDMITable -- Model name : KL-5\r\r\n"
              "INFO >> Missing # sign in Model Name. Will get dash region from QOR.INI file\r\n\r\r\n");
}

TEST_F(DashRegionTest, EmptyModelNameLogsNothing) {
    PutFile("drive_c/FACTORY/Util/QOR.INI", "[uia]\r\nDashRegion=\r\n");
    EXPECT_EQ(Resolve(""), "");  // an empty value gives an empty region
    EXPECT_FALSE(Exists("drive_c/log.txt"));
}

TEST_F(DashRegionTest, MissingFactoryFileSectionOrKeyLeavesXX) {
    EXPECT_EQ(Resolve("KL"), "XX");
    PutFile("drive_c/FACTORY/Util/QOR.INI", "[other]\r\nDashRegion=UK\r\n");
    EXPECT_EQ(Resolve("KL"), "XX");
    PutFile("drive_c/FACTORY/Util/QOR.INI", "[uia]\r\nRegion=UK\r\n");
    EXPECT_EQ(Resolve("KL"), "XX");
}

}  // namespace
