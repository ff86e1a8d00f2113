// The engine's decide functions and the tools' facade over them: the evidence behind
// each decision, and that asking changes nothing.
#include <cstring>
#include <string>
#include <vector>

#include "author/engine_query.h"
#include "config/profile_read.h"
#include "identify/brand.h"
#include "identify/dash_region.h"
#include "machine_fixture.h"
#include "platform/host/machine.h"
#include "run/run_state.h"

namespace {

TEST(DecideBrand, NamesTheMatchAndWhetherAPrefixStoodInsideAWord) {
    struct Case {
        const char* model;
        const char* matched;  // null: nothing matched
        size_t offset;
        bool inside;
    };
    const Case cases[] = {
        {"KL-5400", "KL", 0, false},
        {"CORVANE KL5400", "KL", 8, false},
        {"BACKLIT 3", "KL", 3, true},
        {"SQAB7", "QA", 1, true},
        {"X-QB 2", "QB", 2, false},
        {"AVELLOMAR", "VELLOMAR", 1, false},
        {"OTHER 1", nullptr, 0, false},
        {"9KM", "KM", 1, true},
    };
    for (const Case& c : cases) {
        BrandDecision d;
        DecideBrand(c.model, &d);
        if (c.matched == nullptr) {
            EXPECT_EQ(d.pszMatched, nullptr) << c.model;
            EXPECT_EQ(d.nRule, 0) << c.model;
            continue;
        }
        ASSERT_NE(d.pszMatched, nullptr) << c.model;
        EXPECT_STREQ(d.pszMatched, c.matched) << c.model;
        EXPECT_EQ(d.nMatchOffset, c.offset) << c.model;
        EXPECT_EQ(d.bInsideWord, c.inside) << c.model;
    }
}

class DecisionTest : public MachineTest {};

TEST_F(DecisionTest, RegionNamesItsSourceAndTouchesNoLog) {
    PutFile("drive_c/factory/Util/QOR.INI", "[uia]\r\nDashRegion=xyz\r\n");
    Open();
    ResetRunState();
    RegionDecision d;
    char model[64];
    snprintf(model, sizeof(model), "KL #%s", DashRegionTable[5].szOptionCode);
    DecideDashRegion(model, &d);
    EXPECT_EQ(d.source, kRegionFromOptionCode);
    EXPECT_EQ(d.nTableRow, 5);
    EXPECT_STREQ(d.szDashRegion, DashRegionTable[5].szRegionCode);

    DecideDashRegion("KL #ZZ", &d);  // too short a code: the factory file decides
    EXPECT_TRUE(d.bHasHash);
    EXPECT_STREQ(d.szOptionCode, "ZZ");
    EXPECT_EQ(d.source, kRegionFromFactoryFile);
    EXPECT_STREQ(d.szDashRegion, "xy");
    EXPECT_TRUE(d.bFactoryValueCut);
    EXPECT_FALSE(Exists("drive_c/FACTORY/Util/Facet.Log"));

    PutFile("drive_c/factory/Util/QOR.INI", "[uia]\r\nDashRegion=XX\r\n");
    DecideDashRegion("KL", &d);
    EXPECT_FALSE(d.bHasHash);
    EXPECT_EQ(d.source, kRegionFromFactoryFile);  // "XX" written in the file is still the file's
    PutFile("drive_c/factory/Util/QOR.INI", "[uia]\r\n");
    DecideDashRegion("KL", &d);
    EXPECT_EQ(d.source, kRegionFallback);
    EXPECT_STREQ(d.szDashRegion, "XX");
}

TEST_F(DecisionTest, CutFlagOnlyWhenTheValueIsLongerThanTheBuffer) {
    std::string fits(259, 'a');
    PutFile("drive_c/t.ini", "[s]\r\nfits=" + fits + "\r\nlong=" + fits + "b\r\n");
    Open();
    char buf[260];
    bool cut = true;
    EXPECT_EQ(ReadProfileText("s", "fits", "", buf, sizeof(buf), "C:\\t.ini", &cut), 259u);
    EXPECT_FALSE(cut);
    EXPECT_EQ(ReadProfileText("s", "long", "", buf, sizeof(buf), "C:\\t.ini", &cut), 259u);
    EXPECT_TRUE(cut);
    EXPECT_STREQ(buf, fits.c_str());
}

class QueryTest : public MachineTest {
protected:
    void OpenWith(const std::string& ini) {
        PutFile("drive_c/Facet/Facet.INI", ini);
        Open();
    }
};

TEST_F(QueryTest, CandidatesSayWhyTheyMissed) {
    OpenWith("[XX-0409-COMMERCIAL]\r\nSearch=S\r\n[*-09-COMMERCIAL]\r\nHome=H\r\n[XX-*-COMMERCIAL]\r\nHome=H2\r\n");
    author::EngineQuery q(*host::CurrentImage());
    ASSERT_TRUE(q.iniExists());
    author::MachineFacts facts;
    facts.modelName = "kl 1";
    author::Decision d = q.Decide(facts);
    EXPECT_EQ(d.brand.model, "KL 1");
    EXPECT_EQ(d.section, "*-09-COMMERCIAL");
    EXPECT_EQ(d.found, 3);
    ASSERT_EQ(d.candidates.size(), 5u);
    EXPECT_EQ(d.candidates[0].result, "no-home");
    EXPECT_EQ(d.candidates[1].result, "no-section");
    EXPECT_EQ(d.candidates[2].result, "found");
    EXPECT_EQ(d.candidates[3].result, "not-probed");

    d = q.Search("11", author::EngineQuery::Languages(0x0409, 0x0409), "COMMERCIAL");
    EXPECT_EQ(d.candidates[0].name, "11-0409-COMMERCIAL");
}

// The installation in a dry run: the links split, filtered and numbered as the engine
// does, every write's outcome as the stand-ins give it, and nothing on disk.
TEST_F(QueryTest, AFavoritesFolderThatIsNotThereFailsEveryShortcut) {
    PutFile("registry.reg", "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
                            "\"Favorites\"=\"C:\\\\Fav\"\r\n");
    PutFile("drive_c/Program Files/Internet Explorer/SIGNUP/INSTALL.INS", "[FavoritesEx]\r\nTitle1=x\r\n");
    OpenWith("[DEFAULT_SECTION]\r\nHome=H\r\nFavorites=,A,,B , C,D,\r\n"
             "[A]\r\nName=Alpha\r\nPath=http://a/\r\n[B ]\r\nName=Beta\r\n"
             "[C]\r\nName=x\\y\r\nPath=http://c/\r\n[D]\r\nName=Delta\r\nPath=http://d/\r\n");
    author::EngineQuery q(*host::CurrentImage());
    author::RunOutcome run = q.DryRunInstallation(q.Decide(author::MachineFacts()), {});
    EXPECT_EQ(run.signupStart, 2);
    ASSERT_EQ(run.favorites.size(), 4u);
    EXPECT_EQ(run.favorites[0].linkSection, "A");
    EXPECT_EQ(run.favorites[0].shortcutFile, "C:\\Fav\\Alpha.URL");
    EXPECT_EQ(run.favorites[0].shortcut, "failed");
    EXPECT_EQ(run.favorites[0].reason, "write-fails");
    ASSERT_EQ(run.favorites[0].failures.size(), 1u);
    EXPECT_EQ(run.favorites[0].failures[0].error, 3u);
    EXPECT_EQ(run.favorites[0].failures[0].text, "The system cannot find the path specified.");
    EXPECT_EQ(run.favorites[0].index, 2);
    EXPECT_EQ(run.favorites[1].linkSection, "B ");
    EXPECT_EQ(run.favorites[1].reason, "missing-link");
    EXPECT_EQ(run.favorites[1].index, 0);
    EXPECT_EQ(run.favorites[2].shortcut, "no-shortcut");
    EXPECT_EQ(run.favorites[2].index, 3);  // a refused name still gets its sign-up entries
    EXPECT_EQ(run.favorites[3].index, 4);
    EXPECT_EQ(run.signup.size(), 6u);
    EXPECT_FALSE(Exists("drive_c/Fav"));
    EXPECT_FALSE(Exists("drive_c/FACTORY"));
    EXPECT_TRUE(host::CurrentImage()->journal().empty());
}

}  // namespace
