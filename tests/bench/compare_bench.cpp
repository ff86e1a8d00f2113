// The comparison of two branding files against one matrix of the earlier file, over the
// same range: two 1,000-section files (the later one an edit of the earlier: pages moved,
// favorites reordered, sections removed and added), 1,000 models over every category and
// option code, 200 languages and both screens: about 200,000 combinations. The comparison asks the engine twice as
// much as one matrix; the figure to watch is its time over BM_CompareOneMatrix's.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "author/compare.h"
#include "author/engine_query.h"
#include "author/matrix_input.h"

namespace {

const char* const kCategories[] = {"VELLOMAR", "QUINTARA", "TABLET", "SMB", "COMMERCIAL", "WORKSTATION"};
const char* const kModelStems[] = {"Vellomar V", "Quintara Q", "Corvane QA-", "Corvane KJ-", "Corvane KL-",
                                   "Corvane KM-"};

// Section n of `sections`; the edit moves every 10th section's start page, reorders every
// 7th section's favorites, drops every 50th section and adds one after every 100th.
std::string Branding(int sections, const std::vector<uint16_t>& langs, bool edited) {
    std::string text = "[DEFAULT_SECTION]\r\nHome=H0\r\nSearch=S0\r\nFavorites=F0,F1\r\n";
    int n = 0;
    const auto& table = author::EngineQuery::Facts().regionTable;
    for (size_t l = 0; n < sections; ++l) {
        for (size_t r = 0; r < table.size() && n < sections; ++r) {
            for (const char* category : kCategories) {
                if (n >= sections) break;
                char name[48];
                std::snprintf(name, sizeof(name), "%s-%04X-%s", table[r].region.c_str(),
                              static_cast<unsigned>(langs[l % langs.size()]), category);
                int home = edited && n % 10 == 0 ? (n + 1) % 50 : n % 50;
                std::string a = "F" + std::to_string(n % 40), b = "F" + std::to_string((n + 1) % 40);
                if (!(edited && n % 50 == 0)) {
                    text += std::string("[") + name + "]\r\nHome=H" + std::to_string(home) + "\r\nSearch=S" +
                            std::to_string(n % 7) + "\r\nFavorites=" + (edited && n % 7 == 0 ? b + "," + a : a + "," + b) +
                            "\r\n";
                }
                if (edited && n % 100 == 0) {
                    text += std::string("[") + table[r].region + "-*-" + category + "]\r\nHome=H3\r\nSearch=S1\r\n";
                }
                ++n;
            }
        }
    }
    for (int i = 0; i < 50; ++i) {
        std::string k = std::to_string(i);
        text += "[H" + k + "]\r\nName=Home " + k + "\r\nPath=http://h" + k + ".example/\r\n[S" + k +
                "]\r\nName=Search\r\nPath=http://s.example/\r\n[F" + k + "]\r\nName=Fav " + k +
                "\r\nPath=http://f.example/\r\n";
    }
    return text;
}

struct Inputs {
    std::string dir;
    author::CompareOptions compare;
};

Inputs Prepare(int sections) {
    std::vector<uint16_t> all;
    std::string error;
    author::ParseLanguages("all", &all, &error);
    std::vector<uint16_t> langs(all.begin(), all.begin() + 200);
    char templ[] = "/tmp/facet-bench-compare-XXXXXX";
    Inputs in;
    in.dir = mkdtemp(templ);
    std::filesystem::create_directories(in.dir + "/old");
    std::filesystem::create_directories(in.dir + "/new");
    in.compare.oldIni = in.dir + "/old/Facet.INI";
    in.compare.newIni = in.dir + "/new/Facet.INI";
    std::ofstream(in.compare.oldIni, std::ios::binary) << Branding(sections, langs, false);
    std::ofstream(in.compare.newIni, std::ios::binary) << Branding(sections, langs, true);
    author::MatrixOptions& o = in.compare.range;
    o.languages = langs;
    const auto& table = author::EngineQuery::Facts().regionTable;
    for (int i = 0; i < 1000; ++i) {
        std::string model = std::string(kModelStems[i % 6]) + std::to_string(1000 + i);
        // Most models carry an option code; every fifth leaves the region to QOR.INI.
        if (i % 5 != 0) model += " #" + table[(i / 6) % table.size()].optionCode;
        o.models.push_back(model);
    }
    return in;
}

void BM_CompareOneMatrix(benchmark::State& state) {
    Inputs in = Prepare(static_cast<int>(state.range(0)));
    author::MatrixOptions o = in.compare.range;
    o.iniPath = in.compare.oldIni;
    o.wallpaperRoot = in.dir + "/old";
    std::string error;
    size_t rows = 0;
    for (auto _ : state) {
        author::Matrix m;
        author::BuildMatrix(o, &m, &error);
        rows = m.rows.size();
    }
    state.counters["combinations"] = static_cast<double>(rows);
    std::filesystem::remove_all(in.dir);
}

void BM_Compare(benchmark::State& state) {
    Inputs in = Prepare(static_cast<int>(state.range(0)));
    std::string error;
    author::Comparison c;
    for (auto _ : state) {
        if (!author::CompareBranding(in.compare, &c, &error)) state.SkipWithError(error.c_str());
    }
    state.counters["combinations"] = static_cast<double>(c.combinations);
    state.counters["changed"] = static_cast<double>(c.changed);
    state.counters["groups"] = static_cast<double>(c.groups.size());
    std::filesystem::remove_all(in.dir);
}

BENCHMARK(BM_CompareOneMatrix)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compare)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
