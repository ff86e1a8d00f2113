// Speed of the coverage matrix through the engine's own decision code: a branding file
// of N sections (regions x languages x categories, each with its links), 1,000 models
// over every category and option code, 100 languages and both screen shapes. The file
// is read by the stand-ins' profile reader; the counter rows_per_second is the figure.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "author/matrix.h"
#include "author/matrix_input.h"
#include "author/engine_query.h"

namespace {

const char* const kCategories[] = {"VELLOMAR", "QUINTARA", "TABLET", "SMB", "COMMERCIAL", "WORKSTATION"};
const char* const kModelStems[] = {"Vellomar V", "Quintara Q", "Corvane QA-", "Corvane KJ-", "Corvane KL-",
                                   "Corvane KM-"};

std::string BrandingFile(int sections, const std::vector<uint16_t>& langs) {
    std::string text = "[DEFAULT_SECTION]\r\nHome=H0\r\nSearch=S0\r\nFavorites=F0,F1\r\n";
    int n = 0;
    for (size_t l = 0; n < sections; ++l) {
        for (const auto& row : author::EngineQuery::Facts().regionTable) {
            for (const char* category : kCategories) {
                if (n >= sections) break;
                char name[40];
                std::snprintf(name, sizeof(name), "%s-%04X-%s", row.region.c_str(),
                              static_cast<unsigned>(langs[l % langs.size()]), category);
                text += std::string("[") + name + "]\r\nHome=H" + std::to_string(n % 50) + "\r\nSearch=S" +
                        std::to_string(n % 7) + "\r\nFavorites=F" + std::to_string(n % 40) + ",F" +
                        std::to_string((n + 1) % 40) + "\r\n";
                ++n;
            }
        }
    }
    for (int i = 0; i < 50; ++i) {
        text += "[H" + std::to_string(i) + "]\r\nName=Home " + std::to_string(i) + "\r\nPath=http://h" +
                std::to_string(i) + ".example/\r\n[S" + std::to_string(i) + "]\r\nName=Search\r\nPath=http://s.example/\r\n[F" +
                std::to_string(i) + "]\r\nName=Fav " + std::to_string(i) + "\r\nPath=http://f.example/\r\n";
    }
    return text;
}

void BM_Matrix(benchmark::State& state) {
    std::vector<uint16_t> all;
    std::string error;
    author::ParseLanguages("all", &all, &error);
    std::vector<uint16_t> langs(all.begin(), all.begin() + 100);

    char templ[] = "/tmp/facet-bench-matrix-XXXXXX";
    std::string dir = mkdtemp(templ);
    std::ofstream(dir + "/Facet.INI", std::ios::binary) << BrandingFile(static_cast<int>(state.range(0)), langs);

    author::MatrixOptions o;
    o.iniPath = dir + "/Facet.INI";
    o.wallpaperRoot = dir;
    o.languages = langs;
    for (int i = 0; i < 1000; ++i) {
        std::string model = std::string(kModelStems[i % 6]) + std::to_string(1000 + i);
        // Most models carry an option code; every tenth leaves the region to QOR.INI.
        const auto& table = author::EngineQuery::Facts().regionTable;
        if (i % 10 != 0) model += " #" + table[(i / 6) % table.size()].optionCode;
        o.models.push_back(model);
    }
    size_t rows = 0;
    size_t decisions = 0;
    size_t installations = 0;
    for (auto _ : state) {
        author::Matrix m;
        author::BuildMatrix(o, &m, &error);
        rows += m.rows.size();
        decisions = m.sectionDecisions;
        installations = m.installations;
    }
    state.counters["rows_per_second"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
    state.counters["rows"] = static_cast<double>(rows / state.iterations());
    state.counters["section_searches"] = static_cast<double>(decisions);
    state.counters["installations"] = static_cast<double>(installations);
    state.SetComplexityN(state.range(0));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_Matrix)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
