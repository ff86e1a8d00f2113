// facet-sim matrix: what every model, region, language and screen shape of a product
// line gets from a branding file, as CSV, JSON or a self-contained HTML report.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "author/contact_sheet.h"
#include "author/lint.h"
#include "author/matrix.h"
#include "author/matrix_input.h"
#include "author/report_html.h"
#include "commands.h"
#include "config/section.h"
#include "platform/host/machine.h"

namespace {

struct MatrixCommandOptions {
    std::string ini;
    std::string image;
    std::string models;
    std::string languages;
    std::string regions;
    std::string screens = "wide,normal";
    std::string format = "csv";
    std::string out;
};

// The host folder of the image's executable (where Facet.INI and Bitmap lie) and the
// host path of its branding file, as the engine names them.
bool ImageFolders(const std::string& image, std::string* exeDir, std::string* iniPath) {
    if (!cli::OpenImage(image)) return false;
    char szExeDir[260];
    char szIniPath[260];
    bool ok = DecideIniPath(szExeDir, szIniPath) == kIniPathOk;
    host::MappedPath dir;
    host::MappedPath ini;
    ok = ok && host::MapPath(szExeDir, &dir) == 0 && host::MapPath(szIniPath, &ini) == 0;
    host::CloseMachine();
    if (!ok) {
        fprintf(stderr, "facet-sim matrix: the image's executable folder cannot be mapped: %s\n", image.c_str());
        return false;
    }
    *exeDir = dir.host;
    *iniPath = ini.host;
    return true;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/"
                                                         : path.substr(0, slash);
}

bool HasProblem(const author::MatrixRow& row) {
    for (const std::string& f : row.flags) {
        if (f == "no-branding" || f == "missing-link" || f == "asset-missing") return true;
    }
    return false;
}

int RunMatrix(const MatrixCommandOptions& o) {
    author::MatrixOptions options;
    std::string error;
    std::string modelsText;
    if (!cli::ReadWholeFile(o.models, &modelsText)) return 2;
    options.models = author::ParseModelsFile(modelsText);
    if (!o.languages.empty() && !author::ParseLanguages(o.languages, &options.languages, &error)) {
        fprintf(stderr, "facet-sim matrix: --languages: %s\n", error.c_str());
        return 2;
    }
    if (!o.regions.empty() && !author::ParseRegions(o.regions, &options.regions, &error)) {
        fprintf(stderr, "facet-sim matrix: --regions: %s\n", error.c_str());
        return 2;
    }
    if (!author::ParseScreens(o.screens, &options.wide, &options.normal, &error)) {
        fprintf(stderr, "facet-sim matrix: --screens: %s\n", error.c_str());
        return 2;
    }
    std::string imageIni;
    if (!o.image.empty() && !ImageFolders(o.image, &options.wallpaperRoot, &imageIni)) return 2;
    options.iniPath = o.ini.empty() ? imageIni : o.ini;
    if (options.iniPath.empty()) {
        fprintf(stderr, "facet-sim matrix: name the branding file with --ini, or an image with --image\n");
        return 2;
    }
    if (o.image.empty()) options.wallpaperRoot = FolderOf(options.iniPath);

    options.explainCandidates = o.format == "html";
    author::Matrix matrix;
    if (!author::BuildMatrix(options, &matrix, &error)) {
        fprintf(stderr, "facet-sim matrix: %s\n", error.c_str());
        return 2;
    }
    author::MatrixSummary summary = author::Summarize(matrix.rows, matrix.brandingSections);

    std::ofstream file;
    if (!o.out.empty()) {
        file.open(o.out, std::ios::binary | std::ios::trunc);
        if (!file) {
            fprintf(stderr, "facet-sim matrix: cannot write %s\n", o.out.c_str());
            return 2;
        }
    }
    std::ostream& out = o.out.empty() ? std::cout : file;
    if (o.format == "csv") {
        author::WriteMatrixCsv(out, matrix.rows);
    } else if (o.format == "json") {
        out << author::MatrixJson(matrix.rows, summary).dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
            << "\n";
    } else {
        author::ReportInput report;
        report.iniPath = options.iniPath;
        report.rows = &matrix.rows;
        report.summary = &summary;
        author::LintOptions lint;
        lint.imageDir = o.image;
        if (!author::LintBrandingFile(options.iniPath, lint, &report.findings, &report.lintError)) {
            report.lintError = "lint: " + report.lintError;
        }
        std::string wallpapers;
        author::FindPathNoCase(options.wallpaperRoot, {"Bitmap", "Wallpapers"}, &wallpapers);
        report.wallpaperRoot = wallpapers;
        report.sheet = author::BuildContactSheet(wallpapers);
        author::WriteHtmlReport(out, report);
    }
    out.flush();
    if (!out) {
        fprintf(stderr, "facet-sim matrix: cannot write %s\n", o.out.empty() ? "the output" : o.out.c_str());
        return 2;
    }
    for (const author::MatrixRow& row : matrix.rows) {
        if (HasProblem(row)) return 1;
    }
    return 0;
}

}  // namespace

void AddMatrixCommand(CLI::App& app, int& exitCode) {
    auto o = std::make_shared<MatrixCommandOptions>();
    CLI::App* cmd = app.add_subcommand(
        "matrix",
        "The coverage matrix of a branding file: for every model of --models, region, system UI language and "
        "screen shape, the section the engine chooses and what it installs, asked of the engine itself. One row "
        "per combination that can lead to its own outcome (models the engine treats alike share a row). Exits 0, "
        "1 when some combination gets no branding, a missing link or a missing wallpaper, 2 on bad input.");
    cmd->add_option("--ini", o->ini, "the branding file (default with --image: the image's Facet.INI)");
    cmd->add_option("--image", o->image,
                    "a machine image: its wallpapers (beside its Facet.exe, Bitmap\\Wallpapers) are checked and "
                    "shown; without it they are looked for beside FACET_INI");
    cmd->add_option("--models", o->models,
                    "one model name a line, as the firmware reports it; blank lines and lines whose first "
                    "non-blank character is # are skipped")
        ->required();
    cmd->add_option("--languages", o->languages,
                    "system UI language identifiers, hex, comma-separated, or all (default: those the branding "
                    "file's section names hold, and 0409)");
    cmd->add_option("--regions", o->regions,
                    "DashRegion values the factory options file may hold, comma-separated, for models without a "
                    "known option code (default: every region code of the table); the fallback XX (no value) "
                    "is always added");
    cmd->add_option("--screens", o->screens, "wide, normal or both (default wide,normal)");
    cmd->add_option("--format", o->format, "csv (default), json or html")->check(CLI::IsMember({"csv", "json", "html"}));
    cmd->add_option("--out", o->out, "write here instead of standard output");
    cmd->callback([o, &exitCode]() { exitCode = RunMatrix(*o); });
}
