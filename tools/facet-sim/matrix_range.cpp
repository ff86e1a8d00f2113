// What a matrix ranges over, as matrix and compare take it on the command line: the
// models file, languages, regions and screens.
#include <cstdio>

#include "author/matrix_input.h"
#include "author/output.h"
#include "author/text.h"
#include "commands.h"

namespace cli {

void AddMatrixRange(CLI::App* cmd, MatrixRange& range) {
    cmd->add_option("--models", range.models,
                    "one model name a line, as the firmware reports it; blank lines and lines whose first "
                    "non-blank character is # are skipped")
        ->required();
    cmd->add_option("--languages", range.languages,
                    "system UI language identifiers, hex, comma-separated, or all (default: those the branding "
                    "file's section names hold, and 0409)");
    cmd->add_option("--regions", range.regions,
                    "DashRegion values the factory options file may hold, comma-separated, for models without a "
                    "known option code (default: every region code of the table); the fallback XX (no value) "
                    "is always added");
    cmd->add_option("--screens", range.screens, "wide, normal or both (default wide,normal)");
}

bool ReadMatrixRange(const char* command, const MatrixRange& range, author::MatrixOptions* options) {
    std::string error;
    std::string modelsText;
    if (!author::ReadInput(range.models, author::kListLimit, &modelsText, &error)) {
        fprintf(stderr, "facet-sim %s: --models: %s\n", command, author::Utf8FromHost(error).c_str());
        return false;
    }
    // The names as UTF-8, like every text of the output; a file written in the machines'
    // code page is taken as that.
    for (const std::string& model : author::ParseModelsFile(modelsText)) {
        options->models.push_back(author::Utf8FromHost(model));
    }
    if (!range.languages.empty() && !author::ParseLanguages(range.languages, &options->languages, &error)) {
        fprintf(stderr, "facet-sim %s: --languages: %s\n", command, error.c_str());
        return false;
    }
    if (!range.regions.empty() && !author::ParseRegions(range.regions, &options->regions, &error)) {
        fprintf(stderr, "facet-sim %s: --regions: %s\n", command, error.c_str());
        return false;
    }
    for (std::string& region : options->regions) region = author::Utf8FromHost(region);
    if (!author::ParseScreens(range.screens, &options->wide, &options->normal, &error)) {
        fprintf(stderr, "facet-sim %s: --screens: %s\n", command, error.c_str());
        return false;
    }
    return true;
}

}  // namespace cli
