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
        std::string format = "text";
        bool json = false;
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
    cli::AddFormat(cmd, o->format, {"text", "json"},
                   "text (default, the listing) or json (the report itself, checked and written as every tool "
                   "writes JSON)");
    cmd->add_flag("--json", o->json, "the same as --format json");
    cli::AddOut(cmd, o->out);
    cmd->callback([o, &exitCode]() {
        std::string bytes;
        std::string error;
        nlohmann::json report;
        std::string text;
        if (!author::ReadInput(o->file, author::kJsonLimit, &bytes, &error)) {
            cli::Fail(author::Utf8FromHost(error));
            exitCode = 2;
            return;
        }
        if (!author::ParseJsonInput(bytes, author::kJsonDepthLimit, &report, &error) ||
            !author::FormatRunDiff(report, &text, &error)) {
            cli::Fail(author::Utf8FromHost(error), author::Utf8FromHost(o->file));
            exitCode = 2;
            return;
        }
        // The json form keeps the report's own order of keys (its depth is checked above).
        bool written = o->json || o->format == "json"
                           ? cli::WriteJson(o->out, nlohmann::ordered_json::parse(bytes, nullptr, false))
                           : cli::Write(o->out, text);
        exitCode = written ? 0 : 2;
    });
}
