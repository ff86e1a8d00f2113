// Speed of the tools' questions to the engine: one machine's identification and section
// choice against a large branding file, as the matrix asks it for every combination.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "author/engine_query.h"
#include "platform/host/machine.h"

namespace {

// The sample machine with a branding file of `sections` region sections, none of which
// the queried machines match until the category section at the end.
std::string ImageWithSections(int sections) {
    char templ[] = "/tmp/facet-bench-query-XXXXXX";
    std::string dir = mkdtemp(templ);
    std::filesystem::copy(FACET_SOURCE_DIR "/examples/machine", dir, std::filesystem::copy_options::recursive);
    std::ofstream ini(dir + "/drive_c/Facet/Facet.INI", std::ios::binary | std::ios::trunc);
    for (int i = 0; i < sections; ++i) {
        ini << "[R" << i << "-0409-COMMERCIAL]\r\nHome=H\r\nFavorites=A,B\r\n\r\n";
    }
    ini << "[COMMERCIAL]\r\nHome=H\r\n[DEFAULT_SECTION]\r\nHome=H\r\n[H]\r\nName=h\r\nPath=http://h/\r\n";
    return dir;
}

void BM_EngineQueryDecide(benchmark::State& state) {
    std::string dir = ImageWithSections(static_cast<int>(state.range(0)));
    std::string error;
    std::unique_ptr<host::Image> image = host::Image::Open(dir, &error);
    if (!image) state.SkipWithError(error.c_str());
    author::EngineQuery query(*image);
    author::MachineFacts facts[4];
    const char* models[] = {"CORVANE KL-5400", "CORVANE QA-10", "KM 9", "KJ 3"};
    for (int i = 0; i < 4; ++i) {
        facts[i].modelName = models[i];
        facts[i].uiLanguage = i % 2 ? 0x0409 : 0x0C0A;
    }
    size_t n = 0;
    for (auto _ : state) {
        author::Decision decision = query.Decide(facts[n++ % 4]);
        benchmark::DoNotOptimize(decision.found);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.SetComplexityN(state.range(0));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_EngineQueryDecide)->Arg(10)->Arg(100)->Arg(1000)->Complexity();

}  // namespace
