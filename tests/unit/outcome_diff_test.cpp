// Outcomes of a branding run and their comparison: one change, one sentence.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "author/outcome_diff.h"

namespace {

using author::BrandingOutcome;
using author::ChangeKind;
using author::OutcomeChange;
using author::OutcomeFavorite;

OutcomeFavorite Favorite(const std::string& link, const std::string& name, int index) {
    OutcomeFavorite f;
    f.linkSection = link;
    f.hasName = f.hasUrl = true;
    f.name = name;
    f.url = "http://" + link + ".example/";
    f.shortcut = "C:\\Fav\\" + name + ".URL";
    f.shortcutResult = "made";
    f.index = index;
    return f;
}

BrandingOutcome Base() {
    BrandingOutcome o;
    o.section = "UK-0809-COMMERCIAL";
    o.home.named = o.home.hasUrl = o.home.applied = true;
    o.home.linkSection = "CVUK";
    o.home.url = "http://a";
    o.home.runs = 1;
    o.favorites = {Favorite("CVSP", "Support", 1), Favorite("CVBD", "Drivers", 2), Favorite("CVUW", "Warranty", 3)};
    o.signup = {{"Favorites", "Title1", "Support"}, {"Favorites", "Title2", "Drivers"}};
    return o;
}

std::vector<std::string> Texts(const std::vector<OutcomeChange>& changes) {
    std::vector<std::string> out;
    for (const OutcomeChange& c : changes) out.push_back(c.text);
    return out;
}

TEST(OutcomeDiffTest, SectionAndPageAreOneSentenceEachWithTheirPlace) {
    BrandingOutcome before = Base();
    BrandingOutcome after = Base();
    after.section = "UK-*-COMMERCIAL";
    after.home.url = "http://b";
    std::vector<OutcomeChange> changes = author::CompareOutcomes(before, after);
    EXPECT_EQ(Texts(changes), (std::vector<std::string>{"section UK-0809-COMMERCIAL \xE2\x86\x92 UK-*-COMMERCIAL",
                                                        "home page http://a \xE2\x86\x92 http://b"}));
    EXPECT_EQ(changes[1].anchor.section, "CVUK");
    EXPECT_EQ(changes[1].anchor.key, "Path");
    EXPECT_TRUE(author::CompareOutcomes(before, before).empty());
}

TEST(OutcomeDiffTest, FavoritesAreAddedRemovedRenamedMovedAndTheirShortcutsNamed) {
    BrandingOutcome before = Base();
    BrandingOutcome after = Base();
    // Drivers goes, ARDR comes second, Warranty moves to the front, Support is renamed
    // to a name Windows refuses as a file name; its link section's case is no change.
    OutcomeFavorite support = Favorite("cvsp", "Sup:port", 2);
    support.shortcutResult = "no-shortcut";
    support.reason = "no-shortcut";
    after.favorites = {Favorite("CVUW", "Warranty", 1), Favorite("ARDR", "Reader", 2), support};
    after.signup = before.signup;
    after.signup[0].value = "Warranty";
    std::vector<OutcomeChange> changes = author::CompareOutcomes(before, after);
    EXPECT_EQ(Texts(changes),
              (std::vector<std::string>{
                  "favorite CVBD (\"Drivers\") removed from position 2",
                  "favorite CVUW (\"Warranty\") moved from position 3 to 1",
                  "favorite ARDR (\"Reader\") added at position 2",
                  "favorite cvsp renamed \"Support\" \xE2\x86\x92 \"Sup:port\"",
                  "favorite cvsp (\"Sup:port\") address http://CVSP.example/ \xE2\x86\x92 http://cvsp.example/",
                  "favorite cvsp (\"Sup:port\"): shortcut no longer made: no-shortcut",
                  "1 sign-up entries change with the favorites",
              }));
    EXPECT_TRUE(changes[0].anchor.inOld);
    EXPECT_EQ(changes[1].kind, ChangeKind::kFavoriteMoved);
    EXPECT_EQ(changes[5].kind, ChangeKind::kShortcutLost);
    std::vector<std::string> flags = author::OutcomeFlags(after);
    EXPECT_NE(std::find(flags.begin(), flags.end(), "no-shortcut"), flags.end());
}

TEST(OutcomeDiffTest, LostBrandingAndFailedWritesAreSaidOnce) {
    BrandingOutcome before = Base();
    BrandingOutcome after = Base();
    after.favorites.clear();
    after.home.named = false;
    after.signup.clear();
    after.failures = {{"C:\\x.jpg", 3, "The system cannot find the path specified."}};
    std::vector<OutcomeChange> changes = author::CompareOutcomes(before, after);
    ASSERT_GE(changes.size(), 3u);
    EXPECT_EQ(changes[0].text, "the machine now gets no branding");
    EXPECT_EQ(changes[1].text, "home page http://a no longer named by the section");
    EXPECT_EQ(changes.back().text, "write to C:\\x.jpg now fails: The system cannot find the path specified.");
    EXPECT_EQ(author::OutcomeFlags(after).front(), "no-branding");
}

TEST(OutcomeDiffTest, SignUpEntriesAloneAreListedEach) {
    BrandingOutcome before = Base();
    BrandingOutcome after = Base();
    after.signup[1].value = "Drivers 2";
    after.signup.push_back({"Favorites", "URL1", "http://x"});
    EXPECT_EQ(Texts(author::CompareOutcomes(before, after)),
              (std::vector<std::string>{"sign-up entry [Favorites] Title2 Drivers \xE2\x86\x92 \"Drivers 2\"",
                                        "sign-up entry [Favorites] URL1=http://x now written"}));
}

TEST(OutcomeDiffTest, TheJsonFormReadsBackAndNamesWhatIsWrong) {
    BrandingOutcome o = Base();
    o.identified = false;
    o.stops = "ZMINT.DLL cannot be loaded: no branding file path";
    o.favorites[0].hasUrl = false;
    o.favorites[0].url.clear();
    nlohmann::ordered_json doc = author::OutcomeJson(o);
    EXPECT_TRUE(doc["section"].is_null());
    BrandingOutcome back;
    std::string error;
    ASSERT_TRUE(author::OutcomeFromJson(doc, &back, &error)) << error;
    EXPECT_EQ(author::OutcomeJson(back), doc);

    doc["favorites"][1]["index"] = "two";
    EXPECT_FALSE(author::OutcomeFromJson(doc, &back, &error));
    EXPECT_EQ(error, "/favorites/1/index is not a number");
    EXPECT_FALSE(author::OutcomeFromJson(nlohmann::json::array(), &back, &error));
}

}  // namespace
