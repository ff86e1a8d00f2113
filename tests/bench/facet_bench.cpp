// Speed of the parts that scale with the inputs: the profile reader on a large branding
// file, the sign-up numbering on a long-lived sign-up file, the registry parser, the
// registry and display enumerations, and a whole branding run of the sample machine.
// The cases that grow report their order of growth (Complexity): each must stay O(N) or
// O(NlgN) in the size of its input.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "actions/signup.h"
#include "formats/reg_format.h"
#include "platform/win32.h"
#include "platform/host/machine.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"
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
        benchmark::DoNotOptimize(formats::ProfileGetString(text, "last", "home", "ERROR", buf, sizeof(buf), &cut));
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
    state.SetComplexityN(state.range(0));
    host::CloseMachine();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_FavoriteCount)->RangeMultiplier(10)->Range(10, 10000)->Complexity();

// A small image of its own: machine.ini and registry.reg as given, an empty C: drive.
std::string MakeImage(const std::string& machineIni, const std::string& registry) {
    char templ[] = "/tmp/facet-bench-XXXXXX";
    std::string dir = mkdtemp(templ);
    std::filesystem::create_directory(dir + "/drive_c");
    std::FILE* f = std::fopen((dir + "/machine.ini").c_str(), "wb");
    std::fwrite(machineIni.data(), 1, machineIni.size(), f);
    std::fclose(f);
    f = std::fopen((dir + "/registry.reg").c_str(), "wb");
    std::fwrite(registry.data(), 1, registry.size(), f);
    std::fclose(f);
    return dir;
}

// Values twenty to a key, as regedit exports them.
std::string GrownRegistry(int64_t values) {
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
    char line[128];
    for (int64_t i = 0; i < values; ++i) {
        if (i % 20 == 0) {
            if (i != 0) text += "\r\n";
            std::snprintf(line, sizeof(line), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Grown\\Key%07lld]\r\n",
                          static_cast<long long>(i / 20));
            text += line;
        }
        std::snprintf(line, sizeof(line), "\"Value%02lld\"=\"text of value %lld\"\r\n",
                      static_cast<long long>(i % 20), static_cast<long long>(i));
        text += line;
    }
    return text + "\r\n";
}

void BM_ParseRegText(benchmark::State& state) {
    std::string text = GrownRegistry(state.range(0));
    for (auto _ : state) {
        formats::Registry reg;
        std::string error;
        benchmark::DoNotOptimize(formats::ParseRegText(text, &reg, &error));
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseRegText)->RangeMultiplier(10)->Range(1000, 1000000)->Complexity()->Unit(benchmark::kMillisecond);

// Walks every instance of one monitor model, as the EDID lookup does.
void BM_RegEnumKeyExA(benchmark::State& state) {
    std::string reg = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (int64_t i = state.range(0) - 1; i >= 0; --i) {  // against the sorted order
        reg += "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\CVN15A1\\UID" +
               std::to_string(i) + "\\Device Parameters]\r\n\"EDID\"=hex:00,ff\r\n\r\n";
    }
    std::string dir = MakeImage("[Machine]\r\n", reg);
    std::string error;
    host::OpenMachine(dir, &error);
    HKEY model = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\CVN15A1", 0, KEY_READ, &model);
    for (auto _ : state) {
        char name[260];
        DWORD index = 0;
        for (;; ++index) {
            DWORD cch = sizeof(name);
            if (RegEnumKeyExA(model, index, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        }
        benchmark::DoNotOptimize(index);
    }
    state.SetComplexityN(state.range(0));
    RegCloseKey(model);
    host::CloseMachine();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_RegEnumKeyExA)->RangeMultiplier(10)->Range(10, 10000)->Complexity();

// Walks every adapter and its first monitor, as the screen lookup does.
void BM_EnumDisplayDevicesA(benchmark::State& state) {
    std::string ini;
    for (int64_t i = 0; i < state.range(0); ++i) {
        ini += "[Adapter" + std::to_string(i) + "]\r\nDeviceName=\\\\.\\DISPLAY" + std::to_string(i + 1) +
               "\r\nStateFlags=0x00000001\r\nMonitor0=MONITOR\\Default_Monitor\\" + std::to_string(i) +
               "|0x00000003\r\n\r\n";
    }
    std::string dir = MakeImage(ini, "");
    std::string error;
    host::OpenMachine(dir, &error);
    for (auto _ : state) {
        DWORD i = 0;
        for (;; ++i) {
            DISPLAY_DEVICEA adapter;
            adapter.cb = sizeof(adapter);
            if (!EnumDisplayDevicesA(nullptr, i, &adapter, 0)) break;
            DISPLAY_DEVICEA monitor;
            monitor.cb = sizeof(monitor);
            EnumDisplayDevicesA(adapter.DeviceName, 0, &monitor, 0);
        }
        benchmark::DoNotOptimize(i);
    }
    state.SetComplexityN(state.range(0));
    host::CloseMachine();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_EnumDisplayDevicesA)->RangeMultiplier(10)->Range(10, 10000)->Complexity();

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
