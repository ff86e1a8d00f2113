// The suite check: outcomes derived by the engine for recorded machines, a branding file
// standing in for each machine's own, and the changes placed and reported.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "author/output.h"
#include "author/suite_check.h"

namespace {

const std::string kSuite = std::string(FACET_SOURCE_DIR) + "/examples/suite";
const author::SuiteMachine kSuiteSample{"sample-machine", kSuite + "/sample-machine"};

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

author::BrandingOutcome Outcome(const std::string* iniText, const std::vector<std::string>& args = {"-h"}) {
    author::BrandingOutcome o;
    std::string error;
    EXPECT_TRUE(author::MachineOutcome(kSuiteSample.dir, args, iniText, &o, &error)) << error;
    return o;
}

TEST(SuiteCheckTest, TheRecordedExpectationsAreWhatTheEngineWritesToday) {
    author::BrandingOutcome own = Outcome(nullptr);
    EXPECT_EQ(own.favorites.size(), 3u);
    EXPECT_EQ(own.wallpapers.size(), 6u);
    EXPECT_TRUE(own.home.applied);
    std::string text;
    std::string error;
    ASSERT_TRUE(author::JsonText(author::OutcomeJson(own), &text, &error));
    EXPECT_EQ(text, ReadText(kSuiteSample.dir + "/expect.json"));

    std::string ini = ReadText(kSuiteSample.dir + "/drive_c/Facet/Facet.INI");
    EXPECT_TRUE(author::CompareOutcomes(own, Outcome(&ini)).empty());
    // Without a home-page switch the home page is not set.
    EXPECT_FALSE(Outcome(nullptr, {}).home.applied);
}

TEST(SuiteCheckTest, AChangeIsPlacedOnTheBrandingFileLineAndTheImageIsLeftAlone) {
    std::string before = ReadText(kSuiteSample.dir + "/drive_c/Facet/Facet.INI");
    std::string edited = before;
    size_t at = edited.find("[UK-0809-COMMERCIAL]");
    ASSERT_NE(at, std::string::npos);
    edited.insert(at + 1, "RETIRED-");
    author::SuiteCheckOptions options;
    options.iniText = &edited;
    options.iniName = "edited.INI";
    author::MachineCheck check = author::CheckMachine(kSuiteSample, options);
    ASSERT_EQ(check.status, author::MachineCheck::Status::kChanged) << check.error;
    ASSERT_FALSE(check.located.empty());
    EXPECT_EQ(author::FormatFindingText(check.located[0]),
              "edited.INI:23:1: warning: section UK-0809-COMMERCIAL \xE2\x86\x92 UK-*-COMMERCIAL [section]");
    // The favorite that went is in no line of the file today: the expectations hold it.
    const author::Finding* removed = nullptr;
    for (const author::Finding& f : check.located) removed = f.rule == "favorite-removed" ? &f : removed;
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->file, kSuiteSample.dir + "/expect.json");
    EXPECT_EQ(removed->line, 0);
    EXPECT_EQ(ReadText(kSuiteSample.dir + "/drive_c/Facet/Facet.INI"), before);

    std::string quiet = author::SuiteReportText({check, author::CheckMachine(kSuiteSample, {})}, true);
    EXPECT_EQ(quiet.find("unchanged"), std::string::npos) << quiet;
    EXPECT_NE(quiet.find("1 of 2 machines changed"), std::string::npos) << quiet;
}

TEST(SuiteCheckTest, AnImageThatCannotBeReadIsAnErrorNamingIt) {
    author::BrandingOutcome o;
    std::string error;
    std::string missing = kSuite + "/no-image-here";
    EXPECT_FALSE(author::MachineOutcome(missing, {}, nullptr, &o, &error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    std::string ini = "[DEFAULT_SECTION]\r\n";
    EXPECT_FALSE(author::MachineOutcome(missing, {}, &ini, &o, &error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;
}

}  // namespace
