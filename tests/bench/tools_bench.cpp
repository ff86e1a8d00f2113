// Speed of the authoring tools that read whole files and suites: lint over branding files
// of 10 to 100,000 sections (linear, checked with Complexity()), and the suite check over
// 10 to 1,000 recorded machines with their own, the sample or a 1,000-section branding
// file (linear; the check asks only the run, so it costs less than explain).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

// A suite of copies of the sample machine (hard links: a thousand machines cost no disk),
// each with its expectations recorded.
class Suite {
public:
    explicit Suite(int machines) {
        char templ[] = "/tmp/facet-bench-suite-XXXXXX";
        dir_ = mkdtemp(templ);
        for (int i = 0; i < machines; ++i) {
            std::string name = "m" + std::to_string(i);
            std::string image = dir_ + "/" + name;
            std::filesystem::copy(FACET_SOURCE_DIR "/examples/machine", image,
                                  std::filesystem::copy_options::recursive | std::filesystem::copy_options::create_hard_links);
            std::ofstream(image + "/args.txt") << "-h\n";
            machines_.push_back({name, image});
            author::SuiteCheckOptions update;
            update.update = true;
            author::CheckMachine(machines_.back(), update);
        }
    }
    ~Suite() { std::filesystem::remove_all(dir_); }
    const std::vector<author::SuiteMachine>& machines() const { return machines_; }

private:
    std::string dir_;
    std::vector<author::SuiteMachine> machines_;
};

std::string SampleIni() {
    std::ifstream in(FACET_SOURCE_DIR "/examples/machine/drive_c/Facet/Facet.INI", std::ios::binary);
    std::string ini((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // An edit that changes every machine's section, so each change is placed on its line.
    ini.replace(ini.find("[UK-0809-COMMERCIAL]"), 20, "[RETIRED]");
    return ini;
}

// The sample file with 1,000 more branding sections of other regions and languages.
std::string LargeIni() {
    std::string ini = SampleIni();
    for (int i = 0; i < 1000; ++i) {
        char name[64];
        snprintf(name, sizeof(name), "\r\n[%c%c-%04X-COMMERCIAL]\r\n", 'A' + i % 26, 'A' + i / 26 % 26, 0x0400 + i);
        ini += name;
        ini += "Home=CVUK\r\nSearch=CVS\r\nFavorites=CVSP,CVBD\r\n";
    }
    return ini;
}

void BM_SuiteExplain(benchmark::State& state) {
    Suite suite(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (const author::SuiteMachine& m : suite.machines()) {
            std::string error;
            std::unique_ptr<host::Image> image = host::Image::Open(m.dir, &error);
            benchmark::DoNotOptimize(author::ExplainMachine(*image, m.dir, {"-h"}));
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * suite.machines().size()));
}
BENCHMARK(BM_SuiteExplain)->Arg(20)->Unit(benchmark::kMillisecond);

// The check of a suite against its expectations: each machine's own branding file
// (ini 0), the sample file with an edit that changes them all (1) or that file grown by 1,000 sections (2) in
// its place. Linear in machines; the large file costs about what the sample costs.
void BM_SuiteCheck(benchmark::State& state) {
    Suite suite(static_cast<int>(state.range(0)));
    std::string ini = state.range(1) == 2 ? LargeIni() : SampleIni();
    author::SuiteCheckOptions options;
    options.iniText = state.range(1) == 0 ? nullptr : &ini;
    options.iniName = "Facet.INI";
    size_t changed = 0;
    for (auto _ : state) {
        changed = 0;
        for (const author::SuiteMachine& m : suite.machines()) {
            changed += author::CheckMachine(m, options).status == author::MachineCheck::Status::kChanged;
        }
    }
    state.counters["changed"] = static_cast<double>(changed);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * suite.machines().size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SuiteCheck)
    ->ArgsProduct({{10, 100, 1000}, {0}})
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_SuiteCheck)
    ->ArgsProduct({{10, 100, 1000}, {1}})
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_SuiteCheck)
    ->ArgsProduct({{10, 100, 1000}, {2}})
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
