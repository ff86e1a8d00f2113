// Speed of the authoring tools that read whole files and suites: lint over branding files
// of 10 to 100,000 sections (linear, checked with Complexity()), and the suite check with
// a substitute branding file against explain on the same recorded machines (the check
// holds the file in memory over each image: it costs what explain costs).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "author/engine_query.h"
#include "author/explain.h"
#include "author/lint.h"
#include "author/suite_check.h"

namespace {

std::string LintFile(int sections) {
    std::string text = "[DEFAULT_SECTION]\r\nHome=H\r\nFavorites=F0,F1\r\n";
    const char* regions[] = {"UK", "11", "12", "FR", "XX"};
    for (int i = 0; i < sections; ++i) {
        char name[64];
        snprintf(name, sizeof(name), "[%s-%04X-COMMERCIAL]\r\n", regions[i % 5], 0x0400 + i % 0x3FF);
        text += name;
        text += "Home=H\r\nSearch=S" + std::to_string(i % 50) + "\r\nFavorites=F" + std::to_string(i % 40) + ",F" +
                std::to_string((i + 7) % 40) + "\r\n";
    }
    text += "[H]\r\nName=Home\r\nPath=http://h.example/\r\n";
    for (int i = 0; i < 50; ++i) {
        text += "[S" + std::to_string(i) + "]\r\nName=Search\r\nPath=http://s.example/\r\n[F" + std::to_string(i) +
                "]\r\nName=Fav " + std::to_string(i) + "\r\nPath=http://f.example/\r\n";
    }
    return text;
}

void BM_Lint(benchmark::State& state) {
    std::string text = LintFile(static_cast<int>(state.range(0)));
    size_t findings = 0;
    for (auto _ : state) {
        std::vector<author::Finding> found;
        std::string error;
        author::LintBrandingText("Facet.INI", text, "", {}, &found, &error);
        findings = found.size();
    }
    state.counters["findings"] = static_cast<double>(findings);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Lint)->RangeMultiplier(10)->Range(10, 100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// The section questions the matrix and explain put, over files of 1,000 to 100,000
// sections: the listing of branding sections and a section search per branding section
// (the stand-ins' index answers both; linear).
void BM_SectionQuestions(benchmark::State& state) {
    std::string text = LintFile(static_cast<int>(state.range(0)));
    std::unique_ptr<host::Image> image = host::Image::InMemory();
    image->TrustCaches(true);
    author::EngineQuery q(*image);
    q.PutBrandingFile(text);
    const author::LanguageTexts english = author::EngineQuery::Languages(0x0409, 0x0809);
    size_t found = 0;
    for (auto _ : state) {
        std::vector<std::string> sections = q.BrandingSections();
        for (size_t i = 0; i < sections.size(); ++i) {
            found += q.Search(i % 2 ? "UK" : "FR", english, "COMMERCIAL").found > 0;
        }
    }
    benchmark::DoNotOptimize(found);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SectionQuestions)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// A suite of copies of the sample machine, wallpapers included.
class Suite {
public:
    explicit Suite(int machines) {
        char templ[] = "/tmp/facet-bench-suite-XXXXXX";
        dir_ = mkdtemp(templ);
        for (int i = 0; i < machines; ++i) {
            std::string image = dir_ + "/m" + std::to_string(i);
            std::filesystem::copy(FACET_SOURCE_DIR "/examples/machine", image, std::filesystem::copy_options::recursive);
            images_.push_back(image);
        }
        std::ifstream in(FACET_SOURCE_DIR "/examples/machine/drive_c/Facet/Facet.INI", std::ios::binary);
        ini_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        ini_ += "\r\n[XX-*-TABLET]\r\nHome=CVH\r\n";  // an edit to check
    }
    ~Suite() { std::filesystem::remove_all(dir_); }
    const std::vector<std::string>& images() const { return images_; }
    const std::string& ini() const { return ini_; }

private:
    std::string dir_;
    std::vector<std::string> images_;
    std::string ini_;
};

void BM_SuiteExplain(benchmark::State& state) {
    Suite suite(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (const std::string& dir : suite.images()) {
            std::string error;
            std::unique_ptr<host::Image> image = host::Image::Open(dir, &error);
            benchmark::DoNotOptimize(author::ExplainMachine(*image, dir, {"-h"}));
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * suite.images().size()));
}
BENCHMARK(BM_SuiteExplain)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_SuiteCheckWithIni(benchmark::State& state) {
    Suite suite(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (const std::string& dir : suite.images()) {
            nlohmann::ordered_json decisions;
            std::string error;
            author::MachineDecisions(dir, {"-h"}, &suite.ini(), &decisions, &error);
            benchmark::DoNotOptimize(decisions);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * suite.images().size()));
}
BENCHMARK(BM_SuiteCheckWithIni)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
