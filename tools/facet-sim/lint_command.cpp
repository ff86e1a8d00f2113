// facet-sim lint: the branding-file linter, in compiler form, JSON or SARIF.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "author/lint.h"
#include "author/matrix_input.h"
#include "author/sarif.h"
#include "author/text.h"
#include "commands.h"

#ifndef FACET_VERSION
#define FACET_VERSION "unknown"
#endif

void AddLintCommand(CLI::App& app, int& exitCode) {
    struct LintArgs {
        std::string file;
        std::string image;
        std::string regions;
        std::string format = "text";
        std::string out;
    };
    auto o = std::make_shared<LintArgs>();
    CLI::App* lint = app.add_subcommand(
        "lint", "Checks a branding file (Facet.INI, a host path) for the traps that make machines ship with the "
                "wrong branding. Exit code 0 when there is no error or warning, 1 when there is, 2 when the file "
                "or the image cannot be read.");
    lint->add_option("FILE", o->file, "the branding file")->required();
    lint->add_option("--image", o->image,
                     "a machine image whose wallpapers are checked too (every file some machine would copy)");
    lint->add_option("--regions", o->regions,
                     "the DashRegion values the factories' options files hold, comma-separated: a section for a "
                     "region outside the region table is then reachable only when a factory uses its code (without "
                     "it, lint notes that such a section depends on the factory file)");
    cli::AddFormat(lint, o->format, {"text", "json", "sarif"},
                   "text (FILE:LINE:COL: severity: message [rule]), json or sarif");
    cli::AddOut(lint, o->out);
    lint->callback([o, &exitCode]() {
        std::vector<author::Finding> findings;
        std::string error;
        author::LintOptions options;
        options.checkAssets = !o->image.empty();
        if (!o->regions.empty()) {
            if (!author::ParseRegions(o->regions, &options.regions, &error)) {
                fprintf(stderr, "facet-sim lint: --regions: %s\n", error.c_str());
                exitCode = 2;
                return;
            }
            for (std::string& region : options.regions) region = author::Utf8FromHost(region);
            options.regionsGiven = true;
        }
        if (!author::LintBrandingFile(o->file, o->image, options, &findings, &error)) {
            fprintf(stderr, "facet-sim lint: %s\n", error.c_str());
            exitCode = 2;
            return;
        }
        bool written = false;
        if (o->format == "json") {
            nlohmann::ordered_json list = nlohmann::ordered_json::array();
            for (const author::Finding& f : findings) list.push_back(author::FindingJson(f));
            written = cli::WriteJson(o->out, {{"findings", list}});
        } else if (o->format == "sarif") {
            written = cli::WriteJson(o->out, author::SarifLog("facet-sim lint", FACET_VERSION, author::kLintRules,
                                                              std::size(author::kLintRules), findings));
        } else {
            std::string text;
            for (const author::Finding& f : findings) text += author::FormatFindingText(f) + "\n";
            written = cli::Write(o->out, text);
        }
        exitCode = !written ? 2 : author::HasErrorsOrWarnings(findings) ? 1
                                                                        : 0;
    });
}
