// facet-sim matrix: what every model, region, language and screen shape of a product
// line gets from a branding file, as CSV, JSON or a self-contained HTML report.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>

#include "author/contact_sheet.h"
#include "author/lint.h"
#include "author/matrix.h"
#include "author/matrix_input.h"
#include "author/output.h"
#include "author/report_html.h"
#include "author/text.h"
#include "commands.h"

namespace {

struct MatrixCommandOptions {
    std::string ini;
    std::string image;
    cli::MatrixRange range;
    std::string format = "csv";
    std::string out;
};

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/"
                                                         : path.substr(0, slash);
}

bool HasProblem(const author::MatrixRow& row) {
    for (const std::string& f : row.flags) {
        if (f != "default" && f != "two-letter-match") return true;
    }
    return false;
}

int RunMatrix(const MatrixCommandOptions& o) {
    author::MatrixOptions options;
    std::string error;
    if (!cli::ReadMatrixRange("matrix", o.range, &options)) return 2;
    if (o.ini.empty() && o.image.empty()) {
        cli::Fail("no branding file (see --help)", "name it with --ini, or an image with --image");
        return 2;
    }
    options.iniPath = o.ini;
    options.imageDir = o.image;
    if (o.image.empty()) options.wallpaperRoot = FolderOf(o.ini);
    options.explainCandidates = o.format == "html";

    std::unique_ptr<host::Image> image = options.imageDir.empty() ? author::FreshMachine()
                                                                  : host::Image::Open(options.imageDir, &error);
    if (!image) {
        cli::Fail("cannot read the machine image", author::Utf8FromHost(error));
        return 2;
    }
    author::Matrix matrix;
    author::MatrixSummary summary;
    author::ReportInput report;
    {
        image->TrustCaches(true);
        author::EngineQuery query(*image);
        if (!author::PrepareMatrixQuery(query, options, &error)) {
            cli::Fail(author::Utf8FromHost(error));
            return 2;
        }
        author::BuildMatrix(query, options, &matrix);
        if (o.format != "csv") summary = author::Summarize(matrix.rows, matrix.brandingSections);
        if (o.format == "html") {
            // The branding file as the findings name it: the one given, or the image's own.
            host::MappedPath own;
            bool mapped = o.ini.empty() &&
                          image->MapPath(author::ImageFromUtf8(query.iniPath()).c_str(), &own) == 0 && !own.inMemory;
            report.iniPath = author::Utf8FromHost(mapped ? own.host : o.ini);
            author::LintOptions lint;
            lint.regions = options.regions;
            lint.regionsGiven = !options.regions.empty();
            lint.checkAssets = true;
            author::LintBranding(query, report.iniPath, lint, &report.findings);
            report.wallpaperRoot = author::Utf8FromHost(o.image.empty() ? options.wallpaperRoot : o.image);
            report.sheet = author::BuildContactSheet(query);
        }
    }
    // Written as it is made, row by row.
    author::OutputFile file;
    auto sink = [&file](std::string_view bytes) { file.Write(bytes); };
    bool written = file.Open(o.out, &error);
    if (written && o.format == "csv") {
        author::SinkStream out(sink);
        author::WriteMatrixCsv(out, matrix.rows);
    } else if (written && o.format == "json") {
        if (!author::WriteMatrixJson(matrix.rows, summary, sink, &error)) {
            cli::Fail(error);
            return 2;
        }
    } else if (written) {
        report.rows = &matrix.rows;
        report.summary = &summary;
        author::SinkStream out(sink);
        author::WriteHtmlReport(out, report);
    }
    if (!written || !file.Commit(&error)) {
        cli::Fail(author::Utf8FromHost(error));
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
        "1 when some combination gets no branding, a missing or too long link, a refused favorite name, a failed "
        "write or a missing wallpaper, 2 on bad input.");
    cmd->add_option("--ini", o->ini, "the branding file (default with --image: the image's Facet.INI)");
    cmd->add_option("--image", o->image,
                    "a machine image whose installation each row is run on (in a dry run: nothing is changed), "
                    "with its wallpapers; without it a freshly imaged machine is assumed (the program at "
                    "C:\\Facet\\Facet.exe, the usual folders, a Favorites folder) and the wallpapers are looked "
                    "for beside FACET_INI");
    cli::AddMatrixRange(cmd, o->range);
    cli::AddFormat(cmd, o->format, {"csv", "json", "html"}, "csv (default), json or html");
    cli::AddOut(cmd, o->out);
    cmd->callback([o, &exitCode]() { exitCode = RunMatrix(*o); });
}
