// facet-sim lint: the branding-file linter, in compiler form, JSON or SARIF.
#include <sys/stat.h>

#include <algorithm>
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
        std::string ini;
        std::string image;
        std::string disable;
        std::string regions;
        std::string format = "text";
        std::string out;
    };
    auto o = std::make_shared<LintArgs>();
    CLI::App* lint = app.add_subcommand(
        "lint", "Checks a branding file (Facet.INI, a host path) for the traps that make machines ship with the "
                "wrong branding; given a machine image folder, that image's branding file and its wallpapers. "
                "A comment line \"; facet-lint: disable=RULE[,RULE]\" accepts those rules' findings on the line "
                "after it. Exit code 0 when there is no error or warning, 1 when there is, 2 when the file or the "
                "image cannot be read, the usage is wrong or the output cannot be written.");
    lint->add_option("FILE", o->file, "the branding file, or a machine image folder (its own branding file)");
    lint->add_option("--ini", o->ini, "the branding file (in place of FILE)");
    lint->add_option("--image", o->image,
                     "a machine image whose wallpapers are checked too (every file some machine would copy); "
                     "without a branding file, its own is linted");
    std::string rules;
    for (const author::LintRule& r : author::kLintRules) rules += (rules.empty() ? "" : ", ") + std::string(r.name);
    lint->add_option("--disable", o->disable, "rules not to report, comma-separated: " + rules);
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
        if (!o->regions.empty()) {
            if (!author::ParseRegions(o->regions, &options.regions, &error)) {
                cli::Fail("--regions: " + error);
                exitCode = 2;
                return;
            }
            for (std::string& region : options.regions) region = author::Utf8FromHost(region);
            options.regionsGiven = true;
        }
        auto usage = [&exitCode](const std::string& message) {
            cli::Fail(author::Utf8FromHost(message));
            exitCode = 2;
        };
        for (size_t at = 0; !o->disable.empty() && at <= o->disable.size();) {
            size_t comma = std::min(o->disable.find(',', at), o->disable.size());
            std::string rule = o->disable.substr(at, comma - at);
            if (!author::IsLintRule(rule)) return usage("--disable: no such rule: " + rule);
            options.disabled.push_back(rule);
            at = comma + 1;
        }
        // FILE may name an image folder: its own branding file, with its wallpapers.
        std::string ini = o->ini, image = o->image;
        struct stat st;
        if (!o->file.empty() && stat(o->file.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            if (!image.empty()) return usage("an image folder is given twice: " + o->file + " and --image " + image);
            image = o->file;
        } else if (!o->file.empty()) {
            if (!ini.empty()) return usage("the branding file is given twice: " + o->file + " and --ini " + ini);
            ini = o->file;
        }
        if (ini.empty() && image.empty()) return usage("no branding file: give FILE, --ini FILE or a machine image");
        options.checkAssets = !image.empty();
        bool read = ini.empty() ? author::LintImage(image, options, &findings, &error)
                                : author::LintBrandingFile(ini, image, options, &findings, &error);
        if (!read) {
            // A folder given for FILE that is no image: say that it was taken for one.
            if (image == o->file && ini.empty()) error = "a folder given for FILE is read as a machine image: " + error;
            cli::Fail(error);
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
