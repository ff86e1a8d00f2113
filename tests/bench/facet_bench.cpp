// Speed of the parts that scale with the inputs: the profile reader on a large branding
// file (every INI read parses the file anew, as Windows does), the sign-up numbering on
// a long-lived sign-up file, and a whole branding run of the sample machine.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "actions/signup.h"
#include "platform/host/machine.h"
#include "platform/host/profile_text.h"
#include "run/driver.h"
#include "run/run_state.h"

namespace {

std::string BigBrandingFile(int sections) {
    std::string text = "; generated\r\n";
    for (int i = 0; i < sections; ++i) {
        text += "[S" + std::to_string(i) + "-0409-COMMERCIAL]\r\nHome=H" + std::to_string(i) +
                "\r\nSearch=S\r\nFavorites=A,B,C,D\r\n\r\n";
    }
    return text + "[LAST]\r\nHome=found\r\n";
}

void BM_ProfileLastSection(benchmark::State& state) {
    std::string text = BigBrandingFile(static_cast<int>(state.range(0)));
    char buf[50];
    bool cut = false;
    for (auto _ : state) {
        benchmark::DoNotOptimize(host::ProfileGetString(text, "last", "home", "ERROR", buf, sizeof(buf), &cut));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ProfileLastSection)->Arg(100)->Arg(10000);

// A fresh copy of an image for each run, outside the timing.
std::string CopyImage(const std::string& from) {
    char templ[] = "/tmp/facet-bench-XXXXXX";
    std::string dir = mkdtemp(templ);
    std::filesystem::copy(from, dir, std::filesystem::copy_options::recursive);
    return dir;
}

void BM_FavoriteCount(benchmark::State& state) {
    std::string dir = CopyImage(FACET_SOURCE_DIR "/examples/machine");
    std::string signup = "[FavoritesEx]\r\n";
    for (int i = 1; i <= state.range(0); ++i) {
        signup += "Title" + std::to_string(i) + "=Link " + std::to_string(i) + ".URL\r\nURL" + std::to_string(i) +
                  "=http://x.example/\r\n";
    }
    std::FILE* f = std::fopen((dir + "/drive_c/Program Files/Internet Explorer/SIGNUP/INSTALL.INS").c_str(), "wb");
    std::fwrite(signup.data(), 1, signup.size(), f);
    std::fclose(f);
    std::string error;
    host::OpenMachine(dir, &error);
    ResetRunState();
    std::snprintf(g_run.szSignupPath, sizeof(g_run.szSignupPath), "%s",
                  "C:\\Program Files\\Internet Explorer\\SIGNUP\\INSTALL.INS");
    for (auto _ : state) {
        int32_t n = 0;
        GetFavoriteCount(&n);
        benchmark::DoNotOptimize(n);
    }
    host::CloseMachine();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_FavoriteCount)->Arg(10)->Arg(200);

void BM_SampleMachineRun(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::string dir = CopyImage(FACET_SOURCE_DIR "/examples/machine");
        std::string error;
        host::OpenMachine(dir, &error);
        char program[] = "Facet.exe";
        char home[] = "-h";
        char* argv[] = {program, home, nullptr};
        state.ResumeTiming();
        benchmark::DoNotOptimize(RunFacet(2, argv));
        state.PauseTiming();
        host::CloseMachine();
        std::filesystem::remove_all(dir);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SampleMachineRun)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
