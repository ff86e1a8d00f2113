// The suite check: decisions derived by the engine for recorded machines, a branding file
// standing in for each machine's own, and the differences reported.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "author/suite_check.h"

namespace {

const std::string kSample = std::string(FACET_SOURCE_DIR) + "/examples/machine";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

nlohmann::ordered_json Decide(const std::string* iniText, const std::vector<std::string>& args = {"-h"}) {
    nlohmann::ordered_json d;
    std::string error;
    EXPECT_TRUE(author::MachineDecisions(kSample, args, iniText, &d, &error)) << error;
    return d;
}

TEST(SuiteCheckTest, TheSameBrandingFileChangesNothing) {
    nlohmann::ordered_json own = Decide(nullptr);
    ASSERT_TRUE(own["section"].is_string());
    EXPECT_EQ(own["favorites"].size(), 3u);
    EXPECT_EQ(own["wallpapers"].size(), 6u);
    EXPECT_TRUE(own["home"]["applied"].get<bool>());

    std::string ini = ReadText(kSample + "/drive_c/Facet/Facet.INI");
    EXPECT_TRUE(author::CompareDecisions("expect.json", own, Decide(&ini)).empty());
    // Without a home-page switch the home page is not set.
    EXPECT_FALSE(Decide(nullptr, {})["home"]["applied"].get<bool>());
}

TEST(SuiteCheckTest, ARenamedSectionChangesTheSectionAndLeavesTheImageAlone) {
    nlohmann::ordered_json own = Decide(nullptr);
    std::string section = own["section"].get<std::string>();
    std::string before = ReadText(kSample + "/drive_c/Facet/Facet.INI");
    std::string edited = before;
    size_t at = edited.find("[" + section + "]");
    ASSERT_NE(at, std::string::npos);
    edited.insert(at + 1, "RETIRED-");

    nlohmann::ordered_json now = Decide(&edited);
    EXPECT_NE(now["section"], own["section"]);
    std::vector<author::Finding> findings = author::CompareDecisions("suite/m/expect.json", own, now);
    const author::Finding* sectionChange = nullptr;
    for (const author::Finding& f : findings) {
        if (f.message.rfind("/section: ", 0) == 0) sectionChange = &f;
    }
    ASSERT_NE(sectionChange, nullptr);
    EXPECT_EQ(author::FormatFindingText(*sectionChange),
              "suite/m/expect.json:0:0: warning: /section: \"" + section + "\" -> " + now["section"].dump() +
                  " [decision-changed]");
    EXPECT_EQ(ReadText(kSample + "/drive_c/Facet/Facet.INI"), before);
}

TEST(SuiteCheckTest, AnImageThatCannotBeReadIsAnErrorNamingIt) {
    nlohmann::ordered_json d;
    std::string error;
    std::string missing = kSample + "/drive_c/no-image-here";
    EXPECT_FALSE(author::MachineDecisions(missing, {}, nullptr, &d, &error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    std::string ini = "[DEFAULT_SECTION]\r\n";
    EXPECT_FALSE(author::MachineDecisions(missing, {}, &ini, &d, &error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;
}

TEST(SuiteCheckTest, ListsAddedAndRemovedFavorites) {
    nlohmann::json was = nlohmann::json::parse(R"({"favorites": [{"link": "A"}, {"link": "B"}]})");
    nlohmann::json now = nlohmann::json::parse(R"({"favorites": [{"link": "A"}, {"link": "B"}, {"link": "C"}]})");
    std::vector<author::Finding> added = author::CompareDecisions("e.json", was, now);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].message, "/favorites/-: (none) -> {\"link\":\"C\"}");
    std::vector<author::Finding> removed = author::CompareDecisions("e.json", now, was);
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed[0].message, "/favorites/2: {\"link\":\"C\"} -> (none)");
}

}  // namespace
