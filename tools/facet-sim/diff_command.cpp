// facet-sim diff: a run report (facet-sim run --report) for a person to read.
#include <cstdio>
#include <string>

#include "author/run_report.h"
#include "commands.h"

void AddDiffCommand(CLI::App& app, int& exitCode) {
    auto file = std::make_shared<std::string>();
    CLI::App* cmd = app.add_subcommand(
        "diff",
        "Prints a run report written by facet-sim run --report as a short before/after listing: each file with "
        "its size before and after, each registry value set in .reg notation (- before, + after) under its key, "
        "the sign-up entries added, and a summary line. Exits 0, or 2 when the report cannot be read.");
    cmd->add_option("REPORT", *file, "the JSON report")->required();
    cmd->callback([file, &exitCode]() {
        std::string bytes;
        if (!cli::ReadWholeFile(*file, &bytes)) {
            exitCode = 2;
            return;
        }
        nlohmann::json report = nlohmann::json::parse(bytes, nullptr, false);
        std::string text;
        std::string error = "not JSON";
        if (report.is_discarded() || !author::FormatRunDiff(report, &text, &error)) {
            fprintf(stderr, "facet-sim: %s: %s\n", file->c_str(), error.c_str());
            exitCode = 2;
            return;
        }
        fputs(text.c_str(), stdout);
        exitCode = 0;
    });
}
