// What a matrix ranges over, as matrix and compare take it on the command line: the
// models file, languages, regions and screens.
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
    cmd->add_option("--screens", range.screens, "wide, normal or both (default wide,normal)")
        ->transform(cli::EachOf({"wide", "normal"}));
}

bool ReadMatrixRange(const char*, const MatrixRange& range, author::MatrixOptions* options) {
    std::string error;
    std::string modelsText;
    if (!author::ReadInput(range.models, author::kListLimit, &modelsText, &error)) {
        cli::Fail("--models: " + author::Utf8FromHost(error));
        return false;
    }
    // The names as UTF-8, like every text of the output; a file written in the machines'
    // code page is taken as that.
    for (const std::string& model : author::ParseModelsFile(modelsText)) {
        options->models.push_back(author::Utf8FromHost(model));
    }
    std::string languages = cli::SameWord(range.languages, "all") ? "all" : range.languages;
    if (!languages.empty() && !author::ParseLanguages(languages, &options->languages, &error)) {
        cli::Fail("--languages: " + error);
        return false;
    }
    if (!range.regions.empty() && !author::ParseRegions(range.regions, &options->regions, &error)) {
        cli::Fail("--regions: " + error);
        return false;
    }
    for (std::string& region : options->regions) region = author::Utf8FromHost(region);
    if (!author::ParseScreens(range.screens, &options->wide, &options->normal, &error)) {
        cli::Fail("--screens: " + error);
        return false;
    }
    return true;
}

}  // namespace cli
