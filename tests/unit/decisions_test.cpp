// The engine's decide functions and the tools' facade over them: the evidence behind
// each decision, and that asking changes nothing.
#include <cstring>
#include <string>
#include <vector>

#include "author/engine_query.h"
#include "config/profile_read.h"
#include "machine_fixture.h"
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
    author::EngineQuery q;
    ASSERT_TRUE(q.iniExists());
    author::MachineFacts facts;
    facts.modelName = "kl 1";
    author::Decision d;
    q.Decide(facts, &d);
    EXPECT_EQ(d.modelName, "KL 1");
    EXPECT_STREQ(d.probe.szSection, "*-09-COMMERCIAL");
    EXPECT_EQ(d.probe.nFound, 3);
    author::CandidateResult r[kSectionCandidates];
    q.CandidateResults(d, r);
    EXPECT_EQ(r[0], author::CandidateResult::kNoHome);
    EXPECT_EQ(r[1], author::CandidateResult::kNoSuchSection);
    EXPECT_EQ(r[2], author::CandidateResult::kFound);
    EXPECT_EQ(r[3], author::CandidateResult::kNotProbed);

    facts.dashRegion = "11";  // a given region replaces the engine's
    q.Decide(facts, &d);
    EXPECT_STREQ(d.candidates.szSecRegionLangID, "11-0409-COMMERCIAL");
}

TEST_F(QueryTest, FavoritesAreSplitFilteredAndNumberedAsTheEngineDoes) {
    PutFile("registry.reg", "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
                            "\"Favorites\"=\"C:\\\\Fav\"\r\n");
    PutFile("drive_c/Program Files/Internet Explorer/SIGNUP/INSTALL.INS", "[FavoritesEx]\r\nTitle1=x\r\n");
    OpenWith("[DEFAULT_SECTION]\r\nHome=H\r\nFavorites=,A,,B , C,D,\r\n"
             "[A]\r\nName=Alpha\r\nPath=http://a/\r\n[B ]\r\nName=Beta\r\n"
             "[C]\r\nName=x\\y\r\nPath=http://c/\r\n[D]\r\nName=Delta\r\nPath=http://d/\r\n");
    author::EngineQuery q;
    author::Decision d;
    q.Decide(author::MachineFacts(), &d);
    FavoritesPlan plan;
    std::vector<author::FavoriteItem> items;
    q.DecideFavorites(d, &plan, &items);
    EXPECT_EQ(plan.nFirstIndex, 2);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].linkSection, "A");
    EXPECT_STREQ(items[0].link.szShortcutFile, "C:\\Fav\\Alpha.URL");
    EXPECT_EQ(items[0].index, 2);
    EXPECT_EQ(items[1].linkSection, "B ");
    EXPECT_TRUE(items[1].link.bSkipped);
    EXPECT_TRUE(items[1].link.bPathMissing);
    EXPECT_EQ(items[1].index, 0);
    EXPECT_EQ(items[2].link.nShortcut, kShortcutBadName);
    EXPECT_EQ(items[2].index, 3);  // a bad name still gets its sign-up entry
    EXPECT_EQ(items[3].index, 4);
    EXPECT_FALSE(Exists("drive_c/Fav"));
}

}  // namespace
