// The comparison of two branding files over a product line: each kind of change found
// and worded once, files that differ only in form compare equal, a re-save in another
// code page is a change of names, groups with their covers and causes, and wallpapers
// compared by content.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "author/compare.h"

namespace {

namespace fs = std::filesystem;

// A tablet's branding with its links; each test edits a copy of it.
const char kBase[] =
    "[DEFAULT_SECTION]\r\nHome=H\r\nSearch=S\r\nFavorites=A\r\n"
    "[TABLET]\r\nHome=H\r\nSearch=S\r\nFavorites=A,B\r\n"
    "[H]\r\nName=Home\r\nPath=http://h.example/\r\n"
    "[S]\r\nName=Search\r\nPath=http://s.example/\r\n"
    "[A]\r\nName=Alpha\r\nPath=http://a.example/\r\n"
    "[B]\r\nName=Beta\r\nPath=http://b.example/\r\n"
    "[C]\r\nName=Gamma\r\nPath=http://c.example/\r\n";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class CompareTest : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/facet-compare-test-XXXXXX";
        dir_ = mkdtemp(templ);
        options_.range.models = {"Corvane QB-11 Tablet"};
        options_.range.regions = {"UK"};
        options_.range.languages = {0x0409};
        options_.range.normal = false;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    author::Comparison Compare(const std::string& before, const std::string& after) {
        options_.oldIni = Write("old.ini", before);
        options_.newIni = Write("new.ini", after);
        author::Comparison c;
        std::string error;
        EXPECT_TRUE(author::CompareBranding(options_, &c, &error)) << error;
        return c;
    }

    std::string dir_;
    author::CompareOptions options_;
};

TEST_F(CompareTest, EachKindOfChangeIsFoundAndWordedOnce) {
    struct Edit {
        const char* from;
        const char* to;
        author::ChangeKind kind;
    };
    const Edit edits[] = {
        {"[TABLET]", "[UK-*-TABLET]\r\nHome=H\r\n[TABLET]", author::ChangeKind::kSection},
        {"Path=http://h.example/", "Path=http://h2.example/", author::ChangeKind::kHomePage},
        {"Path=http://s.example/", "Path=http://s2.example/", author::ChangeKind::kSearchPage},
        {"Favorites=A,B", "Favorites=A,B,C", author::ChangeKind::kFavoriteAdded},
        {"Favorites=A,B", "Favorites=A", author::ChangeKind::kFavoriteRemoved},
        {"Name=Alpha", "Name=Alef", author::ChangeKind::kFavoriteRenamed},
        {"Path=http://a.example/", "Path=http://a2.example/", author::ChangeKind::kFavoriteUrl},
        {"Favorites=A,B", "Favorites=B,A", author::ChangeKind::kFavoriteMoved},
        {"Name=Alpha", "Name=Al:pha", author::ChangeKind::kShortcutLost},
        {"Home=H\r\nSearch=S\r\nFavorites=A,B", "Home=Z", author::ChangeKind::kNoBranding},
    };
    for (const Edit& e : edits) {
        author::Comparison c = Compare(kBase, Replace(kBase, e.from, e.to));
        SCOPED_TRACE(e.to);
        ASSERT_FALSE(c.groups.empty());
        std::multiset<author::ChangeKind> kinds;
        std::set<std::string> texts;
        for (const author::ChangeGroup& g : c.groups) {
            for (const author::OutcomeChange& ch : g.changes) {
                kinds.insert(ch.kind);
                EXPECT_TRUE(texts.insert(ch.text).second) << "worded twice: " << ch.text;
            }
        }
        EXPECT_EQ(kinds.count(e.kind), 1u) << c.groups.front().Text();
    }
}

TEST_F(CompareTest, FilesThatDifferOnlyInFormCompareEqual) {
    // Sections reordered, comments and blank lines added, section names in another case.
    std::string reordered =
        "; links first\r\n[c]\r\nName=Gamma\r\nPath=http://c.example/\r\n\r\n"
        "[b]\r\nName=Beta\r\nPath=http://b.example/\r\n[a]\r\nName=Alpha\r\nPath=http://a.example/\r\n"
        "[s]\r\nName=Search\r\nPath=http://s.example/\r\n[h]\r\nName=Home\r\nPath=http://h.example/\r\n"
        "# the tablets\r\n[tablet]\r\nHome=H\r\nSearch=S\r\nFavorites=A,B\r\n"
        "[Default_Section]\r\nHome=H\r\nSearch=S\r\nFavorites=A\r\n";
    author::Comparison c = Compare(kBase, reordered);
    EXPECT_EQ(c.changed, 0u);
    EXPECT_EQ(c.combinations, 2u);  // regions UK and the fallback
    EXPECT_TRUE(c.groups.empty());
}

TEST_F(CompareTest, ReSaveInAnotherCodePageChangesTheNames) {
    std::string ansi = Replace(kBase, "Name=Beta", "Name=Zubeh\xf6r");
    author::Comparison c = Compare(ansi, Replace(kBase, "Name=Beta", "Name=Zubeh\x94r"));  // code page 850
    ASSERT_EQ(c.groups.size(), 1u);
    EXPECT_EQ(c.changed, c.combinations);
    std::string text = c.groups[0].Text();
    EXPECT_NE(text.find("Zubeh\xc3\xb6r"), std::string::npos) << text;
    EXPECT_NE(text.find("Zubeh\xe2\x80\x9dr"), std::string::npos) << text;

    // Re-saved as UTF-16LE: faithfully, the engine reads the same names; from an editor
    // that took the bytes as code page 850, "\xf6" became U+00F7 and the name differs.
    auto utf16 = [](const std::string& latin1) {
        std::string out = "\xff\xfe";
        for (unsigned char ch : latin1) {
            out += static_cast<char>(ch);
            out += '\0';
        }
        return out;
    };
    EXPECT_EQ(Compare(ansi, utf16(ansi)).changed, 0u);
    author::Comparison u = Compare(ansi, utf16(Replace(kBase, "Name=Beta", "Name=Zubeh\xf7r")));
    ASSERT_EQ(u.groups.size(), 1u);
    EXPECT_NE(u.groups[0].Text().find("Zubeh\xc3\xb7r"), std::string::npos) << u.groups[0].Text();
}

TEST_F(CompareTest, GroupsAreLargestFirstWithTheirCoverAndCause) {
    options_.range.models = {"Corvane QB-11 Tablet", "Corvane KL-3300 Business"};
    options_.range.normal = true;
    std::string after = Replace(kBase, "[TABLET]", "[UK-*-TABLET]\r\nHome=H\r\n[TABLET]");
    after = Replace(after, "Path=http://s.example/", "Path=http://s2.example/");
    author::Comparison c = Compare(kBase, after);
    ASSERT_GE(c.groups.size(), 2u);
    size_t total = 0;
    for (size_t i = 0; i < c.groups.size(); ++i) {
        total += c.groups[i].count;
        if (i > 0) {
            EXPECT_GE(c.groups[i - 1].count, c.groups[i].count);
        }
    }
    EXPECT_EQ(total, c.changed);
    // Both models and screens get the new search page; only the tablet in the UK the section.
    const author::ChangeGroup& search = c.groups[0];
    EXPECT_EQ(search.models.size(), 2u);
    EXPECT_EQ(search.screens, (std::vector<std::string>{"wide", "normal"}));
    ASSERT_EQ(search.causes.size(), 1u);
    EXPECT_EQ(search.causes[0].text, "[S] Path changed");
    EXPECT_EQ(search.causes[0].oldLine, 14);
    EXPECT_EQ(search.causes[0].newLine, 16);
    const author::ChangeGroup& section = c.groups.back();
    EXPECT_EQ(section.models, (std::vector<std::string>{"Corvane QB-11 Tablet"}));
    EXPECT_EQ(section.regions, (std::vector<std::string>{"UK"}));
    ASSERT_FALSE(section.causes.empty());
    EXPECT_EQ(section.causes[0].text, "section UK-*-TABLET added");
    EXPECT_EQ(section.causes[0].oldLine, 0);
    EXPECT_EQ(section.causes[0].newLine, 5);
}

TEST_F(CompareTest, WallpaperSwappedUnderTheSameNameIsAChange) {
    fs::path sample = fs::path(FACET_SOURCE_DIR) / "examples/machine";
    std::string before = dir_ + "/before";
    std::string after = dir_ + "/after";
    fs::copy(sample, before, fs::copy_options::recursive);
    fs::copy(sample, after, fs::copy_options::recursive);
    options_.oldImage = before;
    options_.newImage = after;
    author::Comparison c;
    std::string error;
    ASSERT_TRUE(author::CompareBranding(options_, &c, &error)) << error;
    EXPECT_EQ(c.changed, 0u);

    fs::path pictures = fs::path(after) / "drive_c/Facet/Bitmap/Wallpapers";
    for (const char* variant : {"standard", "portrait", "Arabic"}) {
        fs::copy_file(pictures / "Second" / variant / "1920x1200.jpg", pictures / "First" / variant / "1920x1200.jpg",
                      fs::copy_options::overwrite_existing);
    }
    ASSERT_TRUE(author::CompareBranding(options_, &c, &error)) << error;
    ASSERT_EQ(c.groups.size(), 1u);
    ASSERT_EQ(c.groups[0].changes.size(), 1u);
    EXPECT_EQ(c.groups[0].changes[0].kind, author::ChangeKind::kWallpaper);
    EXPECT_NE(c.groups[0].changes[0].text.find("First"), std::string::npos) << c.groups[0].changes[0].text;
}

}  // namespace
