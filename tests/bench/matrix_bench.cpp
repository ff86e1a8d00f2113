// Speed of the coverage matrix through the engine's own decision code: a branding file
// of N sections (regions x languages x categories, each with its links), 1,000 models
// over every category and option code, 100 languages and both screen shapes. The file
// is read by the stand-ins' profile reader; the counter rows_per_second is the figure.
// BM_MatrixCsv, BM_MatrixJson and BM_MatrixHtml measure the whole path of the command
// (matrix, summary, output written to a sink that counts its bytes) as the combinations
// grow with the models (counter combinations_per_second); BM_MatrixHtmlLanguages as they
// grow with the languages.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "author/engine_query.h"
#include "author/matrix.h"
#include "author/matrix_input.h"
#include "author/output.h"
#include "author/report_html.h"
#include "product_line.h"

namespace {

void BM_Matrix(benchmark::State& state) {
    std::vector<uint16_t> all;
    std::string error;
    author::ParseLanguages("all", &all, &error);
    std::vector<uint16_t> langs(all.begin(), all.begin() + 100);

    char templ[] = "/tmp/facet-bench-matrix-XXXXXX";
    std::string dir = mkdtemp(templ);
    std::ofstream(dir + "/Facet.INI", std::ios::binary) << bench::ProductLineBranding(static_cast<int>(state.range(0)), langs);

    author::MatrixOptions o;
    o.iniPath = dir + "/Facet.INI";
    o.wallpaperRoot = dir;
    o.languages = langs;
    // Most models carry an option code; every tenth leaves the region to QOR.INI.
    o.models = bench::ProductLineModels(1000, 10);
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

// The sample machine's branding file over `models` models without option codes (each
// takes every region), `languages` languages and both screen shapes, written as `format`.
void MatrixOutput(benchmark::State& state, const std::string& format, int models, int languages) {
    std::vector<uint16_t> all;
    std::string error;
    author::ParseLanguages("all", &all, &error);
    author::MatrixOptions o;
    o.iniPath = std::string(FACET_SOURCE_DIR) + "/examples/machine/drive_c/Facet/Facet.INI";
    o.languages.assign(all.begin(), all.begin() + std::min<size_t>(languages, all.size()));
    o.explainCandidates = format == "html";
    const char* const tails[] = {" Business", " Workstation", " Small Business", " Tablet", "", ""};
    for (int i = 0; i < models; ++i) o.models.push_back(bench::kModelStems[i % 6] + std::to_string(1000 + i) + tails[i % 6]);
    size_t combinations = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        author::Matrix m;
        author::BuildMatrix(o, &m, &error);
        auto sink = [&bytes](std::string_view piece) { bytes += piece.size(); };
        if (format == "csv") {
            author::SinkStream out(sink);
            author::WriteMatrixCsv(out, m.rows);
        } else {
            author::MatrixSummary summary = author::Summarize(m.rows, m.brandingSections);
            if (format == "json") {
                author::WriteMatrixJson(m.rows, summary, sink, &error);
            } else {
                author::ReportInput in;
                in.rows = &m.rows;
                in.summary = &summary;
                author::SinkStream out(sink);
                author::WriteHtmlReport(out, in);
            }
        }
        combinations = 0;
        for (const author::MatrixRow& r : m.rows) combinations += r.models->size();
    }
    state.counters["combinations_per_second"] = benchmark::Counter(
        static_cast<double>(combinations * state.iterations()), benchmark::Counter::kIsRate);
    state.counters["combinations"] = static_cast<double>(combinations);
    state.counters["output_bytes"] = static_cast<double>(bytes / state.iterations());
    state.SetComplexityN(static_cast<int64_t>(combinations));
}

void BM_MatrixCsv(benchmark::State& state) { MatrixOutput(state, "csv", static_cast<int>(state.range(0)), 10); }
void BM_MatrixJson(benchmark::State& state) { MatrixOutput(state, "json", static_cast<int>(state.range(0)), 10); }
void BM_MatrixHtml(benchmark::State& state) { MatrixOutput(state, "html", static_cast<int>(state.range(0)), 10); }
void BM_MatrixHtmlLanguages(benchmark::State& state) {
    MatrixOutput(state, "html", 12, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_MatrixCsv)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_MatrixJson)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_MatrixHtml)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_MatrixHtmlLanguages)->Arg(30)->Arg(120)->Arg(234)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
