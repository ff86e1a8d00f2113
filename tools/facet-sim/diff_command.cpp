// facet-sim diff: a run report (facet-sim run --report) for a person to read.
#include <cstdio>
#include <string>

#include "author/output.h"
#include "author/run_report.h"
#include "author/text.h"
#include "commands.h"

void AddDiffCommand(CLI::App& app, int& exitCode) {
    struct DiffOptions {
        std::string file;
        std::string out;
    };
    auto o = std::make_shared<DiffOptions>();
    CLI::App* cmd = app.add_subcommand(
        "diff",
        "Prints a run report written by facet-sim run --report as a short before/after listing: each file with "
        "its size before and after, each registry value set in .reg notation (- before, + after) under its key, "
        "the sign-up entries added, the writes that failed, and a summary line. Exits 0, or 2 when the report "
        "cannot be read or the listing cannot be written.");
    cmd->add_option("REPORT", o->file, "the JSON report")->required();
    cli::AddOut(cmd, o->out);
    cmd->callback([o, &exitCode]() {
        std::string bytes;
        std::string error;
        nlohmann::json report;
        std::string text;
        if (!author::ReadInput(o->file, author::kJsonLimit, &bytes, &error) ||
            !author::ParseJsonInput(bytes, author::kJsonDepthLimit, &report, &error) ||
            !author::FormatRunDiff(report, &text, &error)) {
            fprintf(stderr, "facet-sim: %s: %s\n", author::Utf8FromHost(o->file).c_str(),
                    author::Utf8FromHost(error).c_str());
            exitCode = 2;
            return;
        }
        exitCode = cli::Write(o->out, text) ? 0 : 2;
    });
}
