// facet-sim lint: the branding-file linter, in compiler form, JSON or SARIF.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "author/lint.h"
#include "author/sarif.h"
#include "commands.h"

#ifndef FACET_VERSION
#define FACET_VERSION "unknown"
#endif

void AddLintCommand(CLI::App& app, int& exitCode) {
    struct LintArgs {
        std::string file;
        std::string image;
        std::string format = "text";
    };
    auto o = std::make_shared<LintArgs>();
    CLI::App* lint = app.add_subcommand(
        "lint", "Checks a branding file (Facet.INI, a host path) for the traps that make machines ship with the "
                "wrong branding. Exit code 0 when there is no error or warning, 1 when there is, 2 when the file "
                "or the image cannot be read.");
    lint->add_option("FILE", o->file, "the branding file")->required();
    lint->add_option("--image", o->image,
                     "a machine image whose wallpapers are checked too (every file some machine would copy)");
    lint->add_option("--format", o->format, "text (FILE:LINE:COL: severity: message [rule]), json or sarif")
        ->check(CLI::IsMember({"text", "json", "sarif"}));
    lint->callback([o, &exitCode]() {
        std::vector<author::Finding> findings;
        std::string error;
        author::LintOptions options;
        options.imageDir = o->image;
        if (!author::LintBrandingFile(o->file, options, &findings, &error)) {
            fprintf(stderr, "facet-sim lint: %s\n", error.c_str());
            exitCode = 2;
            return;
        }
        const auto dumpJson = [](const nlohmann::ordered_json& doc) {
            printf("%s\n", doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
        };
        if (o->format == "json") {
            nlohmann::ordered_json list = nlohmann::ordered_json::array();
            for (const author::Finding& f : findings) list.push_back(author::FindingJson(f));
            dumpJson({{"findings", list}});
        } else if (o->format == "sarif") {
            dumpJson(author::SarifLog("facet-sim lint", FACET_VERSION, author::kLintRules,
                                      sizeof(author::kLintRules) / sizeof(author::kLintRules[0]), findings));
        } else {
            for (const author::Finding& f : findings) printf("%s\n", author::FormatFindingText(f).c_str());
        }
        exitCode = author::HasErrorsOrWarnings(findings) ? 1 : 0;
    });
}
