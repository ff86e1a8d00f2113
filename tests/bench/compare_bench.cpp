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
#include "product_line.h"

namespace {

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
    std::ofstream(in.compare.oldIni, std::ios::binary) << bench::ProductLineBranding(sections, langs, false);
    std::ofstream(in.compare.newIni, std::ios::binary) << bench::ProductLineBranding(sections, langs, true);
    author::MatrixOptions& o = in.compare.range;
    o.languages = langs;
    // Most models carry an option code; every fifth leaves the region to QOR.INI.
    o.models = bench::ProductLineModels(1000, 5);
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
