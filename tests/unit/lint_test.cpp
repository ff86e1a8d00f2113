// The branding-file linter: each rule with the line and column it reports, the shared
// parser's places and flaws, and the broken example that shows every rule.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "author/engine_query.h"
#include "author/lint.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"

namespace {

using Hit = std::tuple<int, int, std::string>;  // line, column, rule

// The findings of one rule family, as (line, column, rule), in the order reported.
std::vector<Hit> Lint(const std::string& text, std::set<std::string> rules, const author::LintOptions& options = {}) {
    std::vector<author::Finding> findings;
    std::string error;
    EXPECT_TRUE(author::LintBrandingText("F.INI", text, "", options, &findings, &error));
    std::vector<Hit> hits;
    for (const author::Finding& f : findings) {
        if (rules.count(f.rule)) hits.emplace_back(f.line, f.column, f.rule);
    }
    return hits;
}

const char kDefault[] = "[DEFAULT_SECTION]\nHome=H\n[H]\nName=n\nPath=http://h/\n";

TEST(ProfileParse, LinesCarryNumbersColumnsAndHeaderFlaws) {
    formats::ProfileParse p = formats::ParseProfile("junk\r\n[ A ]x\r\n  k = \"v\" \r\r\n;c\n[B\nother\n");
    ASSERT_EQ(p.sections.size(), 2u);
    const formats::ProfileLine& a = p.sections[0].header;
    EXPECT_EQ(a.number, 2);
    EXPECT_EQ(a.name, "A");
    EXPECT_EQ(a.nameColumn, 3);
    EXPECT_EQ(a.headerFlaws, unsigned(formats::ProfileLine::kBlankInside | formats::ProfileLine::kTextAfterClose));
    EXPECT_EQ(a.flawColumn, 2);
    const formats::ProfileLine& k = p.sections[0].entries.at(0);
    EXPECT_EQ(k.number, 3);
    EXPECT_EQ(k.keyColumn, 3);
    EXPECT_EQ(k.value, "v");
    EXPECT_EQ(k.rawValue, "\"v\"");
    EXPECT_EQ(k.valueColumn, 8);
    EXPECT_EQ(p.sections[1].header.number, 6);  // CR, CR LF and LF each end one line
    EXPECT_EQ(p.sections[1].header.headerFlaws, unsigned(formats::ProfileLine::kNoClose));
    ASSERT_EQ(p.orphans.size(), 2u);
    EXPECT_EQ(p.orphans[0].number, 1);
    EXPECT_EQ(p.orphans[1].number, 7);
}

TEST(ProfileParse, EncodingFlaws) {
    EXPECT_EQ(formats::DetectProfileEncoding("\xEF\xBB\xBF[A]").form, formats::ProfileEncoding::kUtf8Bom);
    EXPECT_EQ(formats::DetectProfileEncoding(std::string("\xFF\xFE[\0A\0]\0", 8)).form,
              formats::ProfileEncoding::kUtf16LeBom);
    EXPECT_EQ(formats::DetectProfileEncoding(std::string("[\0A\0]\0\r\0\n\0", 10)).form,
              formats::ProfileEncoding::kUtf16NoBom);
    formats::ProfileEncoding nul = formats::DetectProfileEncoding(std::string("[A]\nk=ab\0c\n", 11));
    EXPECT_EQ(nul.form, formats::ProfileEncoding::kAnsi);
    EXPECT_TRUE(nul.nul);
    EXPECT_EQ(nul.nulLine, 2);
    EXPECT_EQ(nul.nulColumn, 5);
}

TEST(Lint, FileStructureRules) {
    std::string text = std::string("x=1\n") + kDefault +
                       "[ S ] tail\nHome=H\nhome=H2\nno entry\n[s]\nHome=H\n[T\nHome=H\n";
    EXPECT_EQ(Lint(text, {"orphan-line", "header-form", "duplicate-key", "duplicate-section"}),
              (std::vector<Hit>{{1, 1, "orphan-line"},
                                {7, 2, "header-form"},
                                {9, 1, "duplicate-key"},
                                {10, 1, "orphan-line"},
                                {11, 2, "duplicate-section"},
                                {13, 3, "header-form"}}));
    EXPECT_EQ(Lint(std::string("\xEF\xBB\xBF") + kDefault + "[Z]\nk=a" + std::string(1, '\0') + "b\n",
                   {"encoding"}),
              (std::vector<Hit>{{1, 1, "encoding"}, {7, 4, "encoding"}}));
    // UTF-16 text without its little-endian mark is reported alone: its lines mean nothing
    // to the 8-bit reader. With the mark it is read as Unicode and linted as the engine sees it.
    EXPECT_EQ(Lint(std::string("\xFE\xFF\0[\0A\0]", 8), {"encoding", "no-default", "orphan-line"}),
              (std::vector<Hit>{{1, 1, "encoding"}}));
    EXPECT_EQ(Lint(std::string("\xFF\xFE[\0A\0]\0\n\0x\0", 12), {"encoding", "no-default", "orphan-line"}),
              (std::vector<Hit>{{0, 0, "no-default"}, {2, 1, "orphan-line"}}));
}

TEST(Lint, SectionSearchRules) {
    std::string text = std::string(kDefault) +
                       "[UK-*-COMMERCIAL]\nSearch=H\n"  // 6: no Home
                       "[XX-09-SMB]\nHome=ERROR\n"      // 8: Home that reads as missing
                       "[ZZ-09-SMB]\nHome=H\n"          // 10: unknown region
                       "[*-0409-SMB]\nHome=H\n"         // 12: four digits where two belong
                       "[XX-0G09-SMB]\nHome=H\n"        // 14: no language identifier
                       "[XX-*-GAMER]\nHome=H\n"         // 16: unknown category
                       "[XX-0c0a-tablet]\nHome=H\n"     // 18: fine, names match in any case
                       "[XX-UN-SMB]\nHome=error\n"      // 20: fine: the probe is case-sensitive
                       "[TABLET]\n"                     // 22: a category without Home
                       "[ZZZ-09-SMB]\nHome=H\n";        // 23: a factory value gives two characters at most
    EXPECT_EQ(Lint(text, {"no-home", "unreachable-section", "factory-region"}),
              (std::vector<Hit>{{6, 2, "no-home"},
                                {9, 6, "no-home"},
                                {10, 2, "factory-region"},
                                {12, 2, "unreachable-section"},
                                {14, 2, "unreachable-section"},
                                {16, 2, "unreachable-section"},
                                {22, 2, "no-home"},
                                {23, 2, "unreachable-section"}}));
    // With the factories' values known, a region outside the table is either used or never chosen.
    author::LintOptions factories;
    factories.regionsGiven = true;
    factories.regions = {"zz", "FR"};
    EXPECT_TRUE(Lint(text, {"factory-region"}, factories).empty());
    factories.regions = {"FR"};
    EXPECT_EQ(Lint(text, {"unreachable-section", "factory-region"}, factories)[0], (Hit{10, 2, "unreachable-section"}));
    // DEFAULT_SECTION is chosen without a probe, so it needs no Home; its absence is reported.
    EXPECT_TRUE(Lint("[DEFAULT_SECTION]\nSearch=H\n[H]\nName=n\nPath=http://h/\n", {"no-home"}).empty());
    EXPECT_EQ(Lint("[SMB]\nHome=\n", {"no-default"}), (std::vector<Hit>{{0, 0, "no-default"}}));
}

TEST(Lint, LinkRules) {
    std::string longPath(300, 'p');
    std::string text = "[DEFAULT_SECTION]\n"
                       "Home=NONE\n"                       // 2: no such section
                       "Search=NP\n"                       // 3: no Path
                       "Favorites=,H,,  E ,BAD,LONG,\n"    // 4
                       "[H]\nName=n\nPath=http://h/\n"     // 5
                       "[NP]\nName=n\n"                    // 8
                       "[E]\nName=e\nPath=Error\n"         // 10: reads "ERROR": skipped
                       "[BAD]\nName=a|b\nPath=ftp://x/\n"  // 13
                       "[LONG]\nName=l\nPath=http://" +
                       longPath + "\n"                              // 16
                                  "[OLD]\nName=o\nPath=www.old\n";  // 19
    EXPECT_EQ(Lint(text, {"missing-link", "list-form", "no-shortcut", "link-url", "path-too-long", "unused-link"}),
              (std::vector<Hit>{{2, 6, "missing-link"},
                                {3, 8, "missing-link"},
                                {4, 11, "list-form"},
                                {4, 14, "list-form"},
                                {4, 15, "list-form"},
                                {4, 15, "missing-link"},
                                {4, 29, "list-form"},
                                {12, 6, "link-url"},
                                {14, 7, "no-shortcut"},
                                {18, 265, "path-too-long"},
                                {19, 2, "unused-link"},
                                {21, 6, "link-url"}}));

    std::string list = "Favorites=H";
    while (list.size() < 10 + 262) list += ",H";
    EXPECT_EQ(Lint("[DEFAULT_SECTION]\n" + list + "\n[H]\nName=n\nPath=file:///c:/x\n", {"list-form", "link-url"}),
              (std::vector<Hit>{{2, 270, "list-form"}}));
}

TEST(Lint, ValueComments) {
    std::string text = std::string(kDefault) +
                       "[A]\nName=a#b\nPath=http://a/ ; old\n"        // 6: kept in the value
                       "[B]\nName=\"x ; y\"\nPath=http://b/\t# n\n";  // 8: quoted whole: meant; 9: a tab before
    EXPECT_EQ(Lint(text, {"value-comment"}), (std::vector<Hit>{{8, 16, "value-comment"}, {11, 16, "value-comment"}}));
}

// [XX-09-SMB] and a section for each of the 64 identifiers of primary language 09.
std::string EveryEnglishIdentifier(int leaveOut) {
    std::string text = std::string(kDefault) + "[XX-09-SMB]\nHome=H\n";
    for (int sub = 0; sub < 64; ++sub) {
        char name[40];
        snprintf(name, sizeof(name), "[XX-%04X-SMB]\nHome=H\n", (sub << 10) | 0x09);
        if (sub != leaveOut) text += name;
    }
    return text;
}

TEST(Lint, ShadowedSections) {
    EXPECT_EQ(Lint(EveryEnglishIdentifier(-1), {"shadowed-section"}), (std::vector<Hit>{{6, 2, "shadowed-section"}}));
    EXPECT_TRUE(Lint(EveryEnglishIdentifier(5), {"shadowed-section"}).empty());
    // A category section serves every region: covered only when the factories' values are
    // known and each region has its own section.
    std::string text = std::string(kDefault) + "[SMB]\nHome=H\n";
    for (const auto& row : author::EngineQuery::Facts().regionTable) text += "[" + row.region + "-*-SMB]\nHome=H\n";
    text += "[XX-*-SMB]\nHome=H\n[ZZ-*-SMB]\nHome=H\n";
    author::LintOptions factories;
    factories.regionsGiven = true;
    factories.regions = {"ZZ"};
    EXPECT_TRUE(Lint(text, {"shadowed-section"}).empty());
    EXPECT_EQ(Lint(text, {"shadowed-section"}, factories), (std::vector<Hit>{{6, 2, "shadowed-section"}}));
}

TEST(Lint, CategoriesWithoutCatchAll) {
    std::vector<author::Finding> findings;
    std::string error;
    std::string text = std::string(kDefault) + "[UK-*-TABLET]\nHome=H\n[XX-0409-SMB]\nHome=H\n[SMB]\nHome=H\n";
    ASSERT_TRUE(author::LintBrandingText("F.INI", text, "", {}, &findings, &error));
    std::vector<std::string> messages;
    for (const author::Finding& f : findings) {
        if (f.rule == "no-catch-all") messages.push_back(std::to_string(f.line) + ": " + f.message);
    }
    // Every region but UK, each with every primary language.
    size_t regions = author::EngineQuery::Facts().regionTable.size() + 1, languages = 257;
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("6: category TABLET has branding sections but no [TABLET]: " +
                               std::to_string((regions - 1) * languages) + " of " +
                               std::to_string(regions * languages)),
              std::string::npos)
        << messages[0];
}

TEST(Lint, FindingsAcceptedOnPurpose) {
    std::string text = std::string(kDefault) +
                       "; facet-lint: disable=unused-link\n[OLD]\nName=o\n; facet-lint: disable= link-url\nPath=www.old\n"
                       "; facet-lint: disable=unused-link,nonesuch\n[OLD2]\nName=o\nPath=www.old\n"  // 11-14
                       ";facet-lint: enable=link-url\n";                                             // 15
    EXPECT_EQ(Lint(text, {"unused-link", "link-url", "lint-directive"}),
              (std::vector<Hit>{{11, 35, "lint-directive"}, {14, 6, "link-url"}, {15, 14, "lint-directive"}}));
    author::LintOptions options;
    options.disabled = {"link-url", "lint-directive"};
    EXPECT_TRUE(Lint(text, {"unused-link", "link-url", "lint-directive"}, options).empty());
    EXPECT_TRUE(author::IsLintRule("shadowed-section"));
    EXPECT_FALSE(author::IsLintRule("nonesuch"));
}

TEST(Lint, TheSampleIsCleanAndTheBrokenExampleShowsEveryRule) {
    std::vector<author::Finding> findings;
    std::string error;
    author::LintOptions options;
    options.checkAssets = true;
    std::string image = std::string(FACET_SOURCE_DIR) + "/examples/machine";
    ASSERT_TRUE(author::LintBrandingFile(image + "/drive_c/Facet/Facet.INI", image, options, &findings, &error))
        << error;
    EXPECT_TRUE(findings.empty()) << author::FormatFindingText(findings.front());
    // The image alone: its own branding file.
    ASSERT_TRUE(author::LintImage(image, options, &findings, &error)) << error;
    EXPECT_TRUE(findings.empty());

    image = std::string(FACET_SOURCE_DIR) + "/examples/broken";
    ASSERT_TRUE(author::LintBrandingFile(image + "/drive_c/Facet/Facet.INI", image, options, &findings, &error));
    std::set<std::string> seen;
    for (const author::Finding& f : findings) seen.insert(f.rule);
    for (const author::LintRule& rule : author::kLintRules) EXPECT_TRUE(seen.count(rule.name)) << rule.name;

    EXPECT_FALSE(author::LintBrandingFile(image + "/no-such.INI", "", {}, &findings, &error));
    EXPECT_FALSE(author::LintBrandingFile(image, "", {}, &findings, &error));  // a folder
    EXPECT_FALSE(author::LintBrandingText("F.INI", kDefault, "/no/such/image", options, &findings, &error));
    EXPECT_FALSE(author::LintImage("/no/such/image", options, &findings, &error));
}

TEST(Lint, JpegSize) {
    int w = 0, h = 0;
    EXPECT_FALSE(author::ReadJpegSize("not a picture", &w, &h));
    EXPECT_FALSE(author::ReadJpegSize("", &w, &h));
}

}  // namespace
