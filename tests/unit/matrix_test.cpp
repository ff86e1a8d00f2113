// The coverage matrix: its inputs, its rows against the engine's own run, its flags and
// summary on a crafted branding file, and the CSV form.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <functional>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "author/contact_sheet.h"
#include "author/explain.h"
#include "author/matrix.h"
#include "author/matrix_input.h"
#include "author/region_names.h"
#include "author/output.h"
#include "author/report_html.h"
#include "machine_fixture.h"
#include "platform/host/machine.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"
#include "run/driver.h"

namespace {

using author::MatrixRow;

bool HasFlag(const MatrixRow& row, const std::string& flag) {
    return std::find(row.flags.begin(), row.flags.end(), flag) != row.flags.end();
}

const MatrixRow* FindRow(const std::vector<MatrixRow>& rows, const std::string& category, const std::string& region,
                         uint16_t lang, bool wide = true) {
    for (const MatrixRow& r : rows) {
        if (r.category == category && r.region == region && r.language == lang && r.wide == wide) return &r;
    }
    return nullptr;
}

TEST(MatrixInput, ModelsFileSkipsBlankAndCommentLinesOnly) {
    std::string text =
        "# product line\r\n"
        "Corvane KL-5400 #E20\r\n"
        "   # indented comment\n"
        "\n"
        "  \t \r\n"
        "Corvane \"Pro\", 15 #E22\n"
        "  Corvane KM-1 # spaced\n"
        "#E20 is a comment too\n"
        "Last line without end";
    EXPECT_EQ(author::ParseModelsFile(text),
              (std::vector<std::string>{"Corvane KL-5400 #E20", "Corvane \"Pro\", 15 #E22", "  Corvane KM-1 # spaced",
                                        "Last line without end"}));
}

TEST(MatrixInput, LanguagesScreensAndRegions) {
    std::vector<uint16_t> langs;
    std::string error;
    ASSERT_TRUE(author::ParseLanguages("0c0a, 409,0x0411,0409", &langs, &error));
    EXPECT_EQ(langs, (std::vector<uint16_t>{0x0409, 0x0411, 0x0C0A}));
    EXPECT_FALSE(author::ParseLanguages("0409,12345", &langs, &error));
    EXPECT_NE(error.find("12345"), std::string::npos);
    EXPECT_FALSE(author::ParseLanguages("0409,", &langs, &error));

    ASSERT_TRUE(author::ParseLanguages("all", &langs, &error));
    EXPECT_GT(langs.size(), 200u);
    EXPECT_TRUE(std::is_sorted(langs.begin(), langs.end()));
    for (uint16_t id : {0x0401, 0x0409, 0x040D, 0x0411, 0x0809, 0x0C0A, 0x0804}) {
        EXPECT_TRUE(std::binary_search(langs.begin(), langs.end(), id)) << std::hex << id;
    }
    for (uint16_t id : {0x0000, 0x0009, 0x0400, 0x0800, 0x0C00}) {  // neutral and reserved
        EXPECT_FALSE(std::binary_search(langs.begin(), langs.end(), id)) << std::hex << id;
    }

    EXPECT_EQ(author::LanguagesNamedBySections({"UK-0809-COMMERCIAL", "*-0C-SMB", "11-*-SMB", "TABLET", "XX-zz-A"}),
              (std::vector<uint16_t>{0x0409, 0x040C, 0x0809}));

    bool wide = false;
    bool normal = false;
    ASSERT_TRUE(author::ParseScreens("normal", &wide, &normal, &error));
    EXPECT_TRUE(normal && !wide);
    EXPECT_FALSE(author::ParseScreens("wide,square", &wide, &normal, &error));

    std::vector<std::string> regions;
    ASSERT_TRUE(author::ParseRegions("UK,11,UK,uk", &regions, &error));
    EXPECT_EQ(regions, (std::vector<std::string>{"UK", "11", "uk"}));
}

TEST(MatrixCsv, QuotesCommasAndQuotesAndJoinsLists) {
    MatrixRow row;
    row.models = std::make_shared<std::vector<std::string>>(
        std::vector<std::string>{"Corvane \"Pro\", 15 #E20", "Corvane KL-1 #E20"});
    row.category = "COMMERCIAL";
    row.region = "UK";
    row.regionSource = "option-code";
    row.language = 0x0809;
    row.wide = true;
    row.section = "UK-0809-COMMERCIAL";
    row.candidate = 1;
    row.home = "http://a.example/?a=1,2";
    row.favorites = std::make_shared<std::vector<std::string>>(std::vector<std::string>{"Support", "Store"});
    row.variant = "\\standard";
    row.sizeFile = "\\1920x1200.jpg";
    row.flags = {"missing-link", "asset-missing"};
    std::ostringstream out;
    author::WriteMatrixCsv(out, {row});
    EXPECT_EQ(out.str(),
              "model,category,region,region_source,language,screen,section,candidate,home,search,favorites,shortcuts,"
              "wallpapers,variant,size_file,flags\r\n"
              "\"Corvane \"\"Pro\"\", 15 #E20;Corvane KL-1 #E20\",COMMERCIAL,UK,option-code,0809,wide,"
              "UK-0809-COMMERCIAL,1,\"http://a.example/?a=1,2\",,Support;Store,,,\\standard,\\1920x1200.jpg,"
              "missing-link;asset-missing\r\n");
    EXPECT_EQ(author::CsvField("tab\there"), "tab\\there");
    EXPECT_EQ(author::CsvField("line\nbreak"), "\"line\nbreak\"");
}

// A crafted file: one section reached by its most specific name with a broken search
// link and favorites, one section no machine can reach, one without Home (never
// chosen), and the default.
const char kCraftedIni[] =
    "[DEFAULT_SECTION]\r\nHome=L1\r\n"
    "[UK-0809-COMMERCIAL]\r\nHome=L1\r\nSearch=GONE\r\nFavorites=L1,,NOPE,L2\r\n"
    "[ZZ-0409-COMMERCIAL]\r\nHome=L1\r\n"
    "[SMB]\r\nFavorites=L1\r\n"
    "[TABLET]\r\nHome=\r\n"
    "[L1]\r\nName=One\r\nPath=http://one.example/\r\n"
    "[L2]\r\nName=Two\r\n";

class MatrixBuild : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/facet-matrix-test-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir_ = templ;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    author::Matrix Build(const std::string& ini, std::vector<std::string> models,
                         std::vector<std::string> regions = {"UK", "FRANCE"}) {
        std::ofstream(dir_ + "/Facet.INI", std::ios::binary) << ini;
        author::MatrixOptions o;
        o.iniPath = dir_ + "/Facet.INI";
        o.wallpaperRoot = dir_;
        o.models = std::move(models);
        o.languages = {0x0409, 0x0809};
        o.regions = std::move(regions);
        o.normal = false;
        author::Matrix m;
        std::string error;
        EXPECT_TRUE(author::BuildMatrix(o, &m, &error)) << error;
        EXPECT_FALSE(host::MachineIsOpen());
        return m;
    }

    std::string dir_;
};

TEST_F(MatrixBuild, RowsFlagsAndSummaryOnACraftedFile) {
    author::Matrix m = Build(kCraftedIni, {"Corvane KL-1 #E20", "corvane kl-2 #e20", "Corvane KL-3", "Corvane KJ-4",
                                           "Corvane 7QA Pad"});
    // The two E20 models behave alike and share their rows; KL-3 ranges over the
    // factory file's regions: UK, FR (the value cut to two characters) and the fallback.
    const MatrixRow* uk = nullptr;
    for (const MatrixRow& r : m.rows) {
        if (r.regionSource == "option-code" && r.language == 0x0809) uk = &r;
    }
    ASSERT_NE(uk, nullptr);
    EXPECT_EQ(*uk->models, (std::vector<std::string>{"Corvane KL-1 #E20", "corvane kl-2 #e20"}));
    EXPECT_EQ(uk->region, "UK");
    EXPECT_EQ(uk->section, "UK-0809-COMMERCIAL");
    EXPECT_EQ(uk->candidate, 1);
    EXPECT_EQ(uk->home, "http://one.example/");
    EXPECT_EQ(uk->search, "");
    EXPECT_EQ(*uk->favorites, std::vector<std::string>{"One"});
    EXPECT_EQ(uk->variant, "\\standard");
    EXPECT_EQ(uk->sizeFile, "\\1920x1200.jpg");
    EXPECT_EQ(uk->flags, (std::vector<std::string>{"missing-link", "asset-missing"}));
    EXPECT_EQ(*uk->shortcuts, std::vector<std::string>{"C:\\Users\\Facet\\Favorites\\One.URL"});
    EXPECT_TRUE(uk->wallpapers->empty());  // the first copy fails: its picture is missing

    std::vector<std::string> regions;
    for (const MatrixRow& r : m.rows) {
        if ((*r.models)[0] == "Corvane KL-3" && r.language == 0x0409) regions.push_back(r.region + "/" + r.regionSource);
    }
    EXPECT_EQ(regions, (std::vector<std::string>{"UK/qor-ini", "FR/qor-ini", "XX/fallback"}));

    const MatrixRow* fr = FindRow(m.rows, "COMMERCIAL", "FR", 0x0409);
    ASSERT_NE(fr, nullptr);
    EXPECT_EQ(fr->section, "DEFAULT_SECTION");
    EXPECT_EQ(fr->candidate, 0);
    EXPECT_EQ(fr->probes->size(), 6u);
    EXPECT_TRUE(HasFlag(*fr, "default"));
    EXPECT_FALSE(HasFlag(*fr, "no-branding"));

    // SMB has Favorites but no Home: never chosen, so KJ models get the default.
    const MatrixRow* smb = FindRow(m.rows, "SMB", "UK", 0x0409);
    ASSERT_NE(smb, nullptr);
    EXPECT_EQ(smb->section, "DEFAULT_SECTION");
    // An empty Home still chooses the section, which then installs nothing.
    const MatrixRow* tablet = FindRow(m.rows, "TABLET", "XX", 0x0409);
    ASSERT_NE(tablet, nullptr);
    EXPECT_EQ(tablet->section, "TABLET");
    EXPECT_EQ(tablet->candidate, 5);
    EXPECT_EQ(tablet->variant, "\\portrait");
    EXPECT_TRUE(HasFlag(*tablet, "no-branding"));
    EXPECT_TRUE(HasFlag(*tablet, "two-letter-match"));

    author::MatrixSummary s = author::Summarize(m.rows, m.brandingSections);
    EXPECT_EQ(s.rows, m.rows.size());
    EXPECT_EQ(s.deadSections, (std::vector<std::string>{"ZZ-0409-COMMERCIAL", "SMB"}));
    bool frDefaultOnly = false;
    bool ukDefaultOnly = false;
    for (const auto& d : s.defaultOnly) {
        frDefaultOnly = frDefaultOnly || (d.category == "COMMERCIAL" && d.region == "FR" && d.language == 0x0409);
        ukDefaultOnly = ukDefaultOnly || (d.category == "COMMERCIAL" && d.region == "UK" && d.language == 0x0809);
    }
    EXPECT_TRUE(frDefaultOnly);
    EXPECT_FALSE(ukDefaultOnly);
}

TEST_F(MatrixBuild, SummaryKeepsEachModelListOnceAndListsTheModelsSortedOnce) {
    // KL-3 and KJ-4 form two groups that fall to the default in the same triples.
    author::Matrix m = Build("[DEFAULT_SECTION]\r\nHome=L1\r\n[L1]\r\nName=x\r\nPath=http://a.example/\r\n",
                             {"Corvane KL-3", "Corvane KJ-4", "Corvane KL-3", "Corvane KJ-0"});
    m.rows.insert(m.rows.end(), m.rows.begin(), m.rows.end());  // the same lists again
    author::MatrixSummary s = author::Summarize(m.rows, m.brandingSections);
    EXPECT_EQ(s.rows, m.rows.size());
    ASSERT_FALSE(s.defaultOnly.empty());
    for (const auto& d : s.defaultOnly) {
        if (d.category != "COMMERCIAL") continue;
        EXPECT_EQ(d.groups.size(), 1u);
        EXPECT_EQ(author::DefaultOnlyModels(d), (std::vector<std::string>{"Corvane KL-3"}));
    }
    author::MatrixSummary::DefaultOnly merged;
    merged.groups = {std::make_shared<std::vector<std::string>>(std::vector<std::string>{"b", "a", "b"}),
                     std::make_shared<std::vector<std::string>>(std::vector<std::string>{"a", "c"})};
    EXPECT_EQ(author::DefaultOnlyModels(merged), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(MatrixBuild, JsonWrittenRowByRowIsTheWholeDocument) {
    author::Matrix m = Build(kCraftedIni, {"Corvane KL-1 #E20", "Corvane KL-3", "Corvane 7QA Pad"});
    author::MatrixSummary s = author::Summarize(m.rows, m.brandingSections);
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const MatrixRow& r : m.rows) rows.push_back(author::RowJson(r));
    nlohmann::ordered_json defaultOnly = nlohmann::ordered_json::array();
    for (const auto& d : s.defaultOnly) {
        defaultOnly.push_back({{"category", d.category},
                               {"region", d.region},
                               {"language", author::LangIdText(d.language)},
                               {"model", author::DefaultOnlyModels(d)}});
    }
    nlohmann::ordered_json doc = {{"rows", rows},
                                  {"summary",
                                   {{"rows", s.rows},
                                    {"sections", s.perSection},
                                    {"unreached_sections", s.deadSections},
                                    {"default_only", defaultOnly}}}};
    std::string whole;
    std::string streamed;
    std::string error;
    ASSERT_TRUE(author::JsonText(doc, &whole, &error));
    ASSERT_TRUE(author::WriteMatrixJson(
        m.rows, s, [&](std::string_view bytes) { streamed.append(bytes); }, &error));
    EXPECT_EQ(streamed, whole);
}

TEST_F(MatrixBuild, NoDefaultSectionMeansNoBrandingAndWallpapersAreFound) {
    for (const char* rel : {"Bitmap/Wallpapers/First/standard", "Bitmap/Wallpapers/Second/standard",
                            "Bitmap/Wallpapers/Third/standard"}) {
        std::filesystem::create_directories(dir_ + "/" + rel);
        std::ofstream(dir_ + "/" + rel + "/1920x1200.jpg") << "x";
    }
    author::Matrix m = Build("[L1]\r\nName=One\r\nPath=http://one.example/\r\n", {"Corvane KL-1 #E20"});
    ASSERT_EQ(m.rows.size(), 2u);
    EXPECT_EQ(m.rows[0].flags, (std::vector<std::string>{"default", "no-branding"}));
    EXPECT_TRUE(m.brandingSections.empty());
}

// The matrix against explain and the engine's own run: for a sample of combinations,
// explain on a machine image with that model, language and factory region, and then a
// full run on it, choose the section the row names and install its search page and
// favorites.
class MatrixAgreement : public MachineTest {};

TEST_F(MatrixAgreement, RowsMatchFullRuns) {
    const std::string sample = FACET_SOURCE_DIR "/examples/machine/drive_c/Facet/Facet.INI";
    std::ifstream in(sample, std::ios::binary);
    std::string ini((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    struct Case {
        const char* model;
        uint16_t lang;
        const char* qor;  // null: no factory value
    };
    const Case cases[] = {
        {"Corvane KL-5400 #E20", 0x0809, nullptr},
        {"Corvane KL-3300", 0x040C, "11"},
        {"Corvane KJ-210", 0x0409, "11"},
        {"Quintara 13 #A10", 0x0409, nullptr},
        {"Corvane QB-11", 0x0401, "UK"},
        {"Vellomar V9", 0x0411, "JP"},
        {"Corvane KM-7700", 0x0C0A, nullptr},
        {"Corvane KL-1 #E22", 0x0409, "UK"},
    };
    author::MatrixOptions o;
    o.iniPath = sample;
    o.wallpaperRoot = FACET_SOURCE_DIR "/examples/machine/drive_c/Facet";
    for (const Case& c : cases) o.models.push_back(c.model);
    o.languages = {0x0401, 0x0409, 0x040C, 0x0411, 0x0809, 0x0C0A};
    o.regions = {"11", "UK", "JP"};
    o.normal = false;
    author::Matrix m;
    std::string error;
    ASSERT_TRUE(author::BuildMatrix(o, &m, &error)) << error;

    PutFile("drive_c/Facet/Facet.INI", ini);
    MakeDir("drive_c/FACTORY/Util");
    MakeDir("drive_c/Program Files/Internet Explorer/SIGNUP");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        const MatrixRow* row = nullptr;
        for (const MatrixRow& r : m.rows) {
            bool hasModel = std::find(r.models->begin(), r.models->end(), c.model) != r.models->end();
            bool region = r.regionSource == "option-code" || (c.qor ? r.region == c.qor : r.regionSource == "fallback");
            if (hasModel && region && r.language == c.lang) row = &r;
        }
        ASSERT_NE(row, nullptr);

        char locale[120];
        snprintf(locale, sizeof(locale), "[Locale]\r\nUserDefaultLangID=0409\r\nSystemDefaultUILanguage=%04X\r\n",
                 static_cast<unsigned>(c.lang));
        SetMachineIni(std::string("[Machine]\r\nExecutable=C:\\Facet\\Facet.exe\r\n[ZMINT]\r\nModelName=") + c.model +
                      "\r\n" + locale);
        std::filesystem::remove(Path("drive_c/FACTORY/Util/QOR.INI"));
        std::filesystem::remove(Path("drive_c/FACTORY/Util/Facet.Log"));
        std::filesystem::remove(Path("drive_c/Program Files/Internet Explorer/SIGNUP/INSTALL.INS"));
        if (c.qor) PutFile("drive_c/FACTORY/Util/QOR.INI", std::string("[uia]\r\nDashRegion=") + c.qor + "\r\n");
        std::unique_ptr<host::Image> image = host::Image::Open(dir_, &error);
        ASSERT_TRUE(image) << error;
        nlohmann::ordered_json explained = author::ExplainMachine(*image, dir_, {});
        image.reset();
        Open();
        EXPECT_EQ(explained["section"], row->section);
        EXPECT_EQ(explained["search"].is_null() ? "" : explained["search"]["url"].get<std::string>(), row->search);
        std::vector<std::string> explainedFavorites;
        for (const auto& f : explained["favorites"]) {
            if (!f["index"].is_null()) explainedFavorites.push_back(f["name"]);
        }
        EXPECT_EQ(explainedFavorites, *row->favorites);
        char program[] = "Facet.exe";
        char* argv[] = {program, nullptr};
        RunFacet(1, argv);
        host::CloseMachine();

        std::string log = ReadFile("drive_c/FACTORY/Util/Facet.Log");
        EXPECT_NE(log.find(LogEntry("INFO >> INI section will be used -->", row->section)), std::string::npos)
            << row->section;
        std::string signup = ReadFile("drive_c/Program Files/Internet Explorer/SIGNUP/INSTALL.INS");
        char value[260];
        bool cut = false;
        formats::ProfileGetString(signup, "URL", "Search_Page", "", value, sizeof(value), &cut);
        EXPECT_EQ(row->search, value);
        std::vector<std::string> titles;
        for (int i = 1; i <= 10; ++i) {
            std::string key = "Title" + std::to_string(i);
            if (formats::ProfileGetString(signup, "FavoritesEx", key.c_str(), "", value, sizeof(value), &cut) == 0) break;
            std::string title = value;
            titles.push_back(title.substr(0, title.size() - 4));  // without ".URL"
        }
        EXPECT_EQ(*row->favorites, titles);
    }
}

}  // namespace

namespace {

// A plain JPEG of the given size, made with libjpeg-turbo.
std::string Jpeg(int width, int height) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 7);
    tjhandle h = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(h, pixels.data(), width, 0, height, TJPF_RGB, &out, &size, TJSAMP_420, 50, 0);
    std::string bytes(reinterpret_cast<char*>(out), size);
    tjFree(out);
    tjDestroy(h);
    return bytes;
}

TEST_F(MatrixBuild, ContactSheetMarksMissingUnreadableAndWronglySizedPictures) {
    auto put = [&](const std::string& rel, const std::string& bytes) {
        std::filesystem::create_directories(std::filesystem::path(dir_ + "/" + rel).parent_path());
        std::ofstream(dir_ + "/" + rel, std::ios::binary) << bytes;
    };
    put("bitmap/WALLPAPERS/first/Standard/1920X1200.JPG", Jpeg(1920, 1200));
    put("bitmap/WALLPAPERS/first/portrait/1920x1200.jpg", Jpeg(1200, 1920));  // the transpose is right too
    put("bitmap/WALLPAPERS/first/Standard/1024x768.jpg", Jpeg(800, 600));
    put("bitmap/WALLPAPERS/Second/standard/1920x1200.jpg", "not a picture");
    std::ofstream(dir_ + "/Facet.INI") << "[DEFAULT_SECTION]\r\n";
    std::unique_ptr<host::Image> image = author::FreshMachine();
    author::EngineQuery query(*image);
    author::MatrixOptions o;
    o.iniPath = dir_ + "/Facet.INI";
    o.wallpaperRoot = dir_;
    std::string error;
    ASSERT_TRUE(author::PrepareMatrixQuery(query, o, &error)) << error;
    std::vector<author::WallpaperImage> sheet = author::BuildContactSheet(query);
    ASSERT_EQ(sheet.size(), 18u);
    auto find = [&](const char* w, const char* v, const char* s) -> const author::WallpaperImage& {
        for (const author::WallpaperImage& img : sheet) {
            if (img.wallpaper == w && img.variant == v && img.sizeName == s) return img;
        }
        return sheet.front();
    };
    const author::WallpaperImage& good = find("First", "standard", "1920x1200");
    EXPECT_TRUE(good.readable);
    EXPECT_EQ(good.problem, "");
    EXPECT_EQ(good.width, 1920);
    ASSERT_EQ(good.thumbnail.rfind("data:image/jpeg;base64,", 0), 0u);
    EXPECT_LT(good.thumbnail.size(), 20000u);
    EXPECT_EQ(find("First", "portrait", "1920x1200").problem, "");
    EXPECT_EQ(find("First", "standard", "1024x768").problem, "800x600, not 1024x768");
    EXPECT_EQ(find("Second", "standard", "1920x1200").problem, "not a readable JPEG");
    EXPECT_EQ(find("Third", "Arabic", "1024x768").problem, "missing");
    EXPECT_EQ(find("Third", "Arabic", "1024x768").thumbnail, "");
}

TEST_F(MatrixBuild, ReportIsSelfContainedAndEscapesWhatTheFilesSay) {
    author::Matrix m = Build("[DEFAULT_SECTION]\r\nHome=L1\r\n[L1]\r\nName=x\r\nPath=http://a.example/</script>\r\n",
                             {"Corvane KL-1 </script><img src=x onerror=alert(1)> #E20"});
    author::MatrixSummary summary = author::Summarize(m.rows, m.brandingSections);
    author::ReportInput in;
    in.iniPath = dir_ + "/Facet.INI";
    in.rows = &m.rows;
    in.summary = &summary;
    in.findings.push_back({"Facet.INI", 1, 1, author::Severity::kError, "no-home", "<b>bold</b>"});
    std::ostringstream out;
    author::WriteHtmlReport(out, in);
    std::string html = out.str();
    EXPECT_EQ(html.find("<img src=x"), std::string::npos);
    EXPECT_EQ(html.find("http://a.example/</script>"), std::string::npos);
    EXPECT_EQ(html.find("<b>bold"), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;bold&lt;/b&gt; [no-home]"), std::string::npos);
    EXPECT_EQ(html.find(" src=\"http"), std::string::npos);
    EXPECT_EQ(html.find("<link"), std::string::npos);
    EXPECT_NE(html.find("default-src 'none'"), std::string::npos);
    EXPECT_NE(html.find("<td class=\"c0 fl\" data-x=\"0\" title=\"COMMERCIAL / UK / 0409 en-US: DEFAULT_SECTION\">"
                        "DEFAULT_SECTION</td>"),
              std::string::npos);
}

// The section search reads a region in either case alike: "uk" from one factory and "UK"
// from another, or from an option code, are one region in the rows, the summary and the
// report's grid, and each section is counted once, under the file's spelling.
TEST_F(MatrixBuild, RegionsInEitherCaseAreOneRegion) {
    author::Matrix m = Build(kCraftedIni, {"Corvane KL-1 #E20", "Corvane KL-3"}, {"uk", "UK"});
    std::vector<std::string> regions;
    for (const MatrixRow& r : m.rows) {
        if ((*r.models)[0] == "Corvane KL-3" && r.language == 0x0409) regions.push_back(r.region + "/" + r.regionSource);
    }
    EXPECT_EQ(regions, (std::vector<std::string>{"uk/qor-ini", "XX/fallback"}));

    author::MatrixSummary s = author::Summarize(m.rows, m.brandingSections);
    size_t ukSections = 0;
    for (const auto& [name, count] : s.perSection) ukSections += author::FoldName(name) == "UK-0809-COMMERCIAL";
    EXPECT_EQ(ukSections, 1u);
    EXPECT_EQ(s.perSection["UK-0809-COMMERCIAL"], 2u);  // KL-1 by its option code, KL-3 by the factory file
    std::vector<std::string> ukDefault;
    for (const auto& d : s.defaultOnly) {
        if (author::FoldName(d.region) == "UK") ukDefault.push_back(d.region + " " + author::LangIdText(d.language));
    }
    EXPECT_EQ(ukDefault, std::vector<std::string>{"UK 0409"});

    author::ReportInput in;
    in.rows = &m.rows;
    in.summary = &s;
    std::ostringstream out;
    author::WriteHtmlReport(out, in);
    std::string html = out.str();
    auto count = [&html](const std::string& text) {
        size_t n = 0;
        for (size_t at = html.find(text); at != std::string::npos; at = html.find(text, at + 1)) ++n;
        return n;
    };
    size_t headings = count("<th class=\"r\">UK ") + count("<th class=\"r\">uk ");
    EXPECT_EQ(headings, 1u);
    EXPECT_NE(html.find("UK <span class=\"rn\">United Kingdom</span>"), std::string::npos);
}

// Every region of the engine's table has a name for the report, looked up in either case.
TEST(RegionNames, EveryTableRegionIsNamed) {
    for (const author::EngineFacts::RegionRow& row : author::EngineQuery::Facts().regionTable) {
        EXPECT_FALSE(author::RegionName(row.region).empty()) << row.region;
    }
    EXPECT_EQ(author::RegionName("uk"), "United Kingdom");
    EXPECT_FALSE(author::RegionName(author::EngineQuery::Facts().noRegion).empty());
    EXPECT_EQ(author::RegionName("ZZ"), "");
}

}  // namespace

namespace {

std::string Streamed(const std::function<void(author::JsonStream&)>& write, bool* ok) {
    std::string bytes;
    author::JsonStream json([&](std::string_view piece) { bytes.append(piece); });
    write(json);
    std::string error;
    *ok = json.Finish(&error);
    return bytes;
}

}  // namespace

TEST(JsonStream, WritesTheBytesOfTheWholeDocument) {
    nlohmann::ordered_json inner = {{"empty", nlohmann::ordered_json::array()},
                                    {"none", nlohmann::ordered_json::object()},
                                    {"text", "line\nbreak \"q\" \u00e9"},
                                    {"n", 3}};
    nlohmann::ordered_json doc = {{"a", nlohmann::ordered_json::array({inner, 1, "x"})},
                                  {"k\u00e9y", nlohmann::ordered_json::object()},
                                  {"b", nlohmann::ordered_json::array()},
                                  {"c", {{"d", {{"e", inner}}}}}};
    std::string whole;
    std::string error;
    ASSERT_TRUE(author::JsonText(doc, &whole, &error));
    bool ok = false;
    std::string streamed = Streamed(
        [&](author::JsonStream& json) {
            json.BeginObject();
            json.Key("a");
            json.BeginArray();
            json.Value(inner);
            json.Value(1);
            json.Value("x");
            json.End();
            json.Key("k\u00e9y");
            json.BeginObject();
            json.End();
            json.Key("b");
            json.BeginArray();
            json.End();
            json.Key("c");
            json.BeginObject();
            json.Key("d");
            json.Value({{"e", inner}});
            json.End();
            json.End();
        },
        &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(streamed, whole);
    EXPECT_EQ(Streamed([](author::JsonStream& json) { json.Value(nlohmann::ordered_json::array()); }, &ok), "[]\n");

    Streamed([](author::JsonStream& json) { json.Value("bad \xff"); }, &ok);
    EXPECT_FALSE(ok);
}

TEST(OutputFile, ReplacesTheFileOnlyWhenCommittedAndTellsAFailedWrite) {
    char templ[] = "/tmp/facet-output-test-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    std::string path = std::string(templ) + "/out.csv";
    std::ofstream(path) << "old";
    std::string big(3u << 20, 'x');  // beyond the buffer: written while it is made
    auto slurp = [&] {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    std::string error;
    {
        author::OutputFile out;
        ASSERT_TRUE(out.Open(path, &error));
        out.Write(big);
        EXPECT_EQ(slurp(), "old");
    }
    EXPECT_EQ(slurp(), "old");  // never committed: the old file stays, no new file left
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(templ), {}), 1);
    {
        author::OutputFile out;
        ASSERT_TRUE(out.Open(path, &error));
        author::SinkStream stream([&](std::string_view bytes) { out.Write(bytes); });
        stream << big << "end";
        stream.flush();
        EXPECT_TRUE(out.Commit(&error)) << error;
    }
    EXPECT_EQ(slurp(), big + "end");
    std::filesystem::remove_all(templ);

    author::OutputFile full;
    ASSERT_TRUE(full.Open("/dev/full", &error));
    full.Write(big);
    EXPECT_FALSE(full.Commit(&error));
    EXPECT_EQ(error, "cannot write, no space left on device: /dev/full");
}
