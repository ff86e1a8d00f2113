// facet-sim compare: what an edit of the branding file changes for every model, region,
// language and screen shape of a product line, before it ships.
#include <cstdio>
#include <sstream>

#include "author/compare.h"
#include "author/output.h"
#include "author/text.h"
#include "commands.h"

namespace {

struct CompareCommandOptions {
    std::string oldIni;
    std::string newIni;
    std::string image;
    std::string oldImage;
    std::string newImage;
    cli::MatrixRange range;
    std::string format = "text";
    std::string out;
};

int RunCompare(const CompareCommandOptions& o) {
    author::CompareOptions options;
    if (!cli::ReadMatrixRange("compare", o.range, &options.range)) return 2;
    if (!o.image.empty() && (!o.oldImage.empty() || !o.newImage.empty())) {
        cli::Fail("cannot be given together", "--image and --old-image/--new-image");
        return 2;
    }
    if (o.oldImage.empty() != o.newImage.empty()) {
        cli::Fail("--old-image and --new-image go together",
                  author::Utf8FromHost(o.oldImage.empty() ? o.newImage : o.oldImage));
        return 2;
    }
    if ((o.oldIni.empty() || o.newIni.empty()) && o.oldImage.empty()) {
        cli::Fail("missing", "OLD_INI and NEW_INI (or the two images with --old-image and --new-image)");
        return 2;
    }
    options.oldIni = o.oldIni;
    options.newIni = o.newIni;
    options.oldImage = o.oldImage.empty() ? o.image : o.oldImage;
    options.newImage = o.newImage.empty() ? o.image : o.newImage;
    options.keepCells = o.format == "html";
    // Output that cannot be written is found before the work is done.
    std::string error;
    if (!author::OutputPathUsable(o.out, &error)) {
        cli::Fail(author::Utf8FromHost(error));
        return 2;
    }
    author::Comparison result;
    if (!author::CompareBranding(options, &result, &error)) {
        cli::Fail(author::Utf8FromHost(error));
        return 2;
    }
    auto name = [](const std::string& ini, const std::string& image) {
        return author::Utf8FromHost(ini.empty() ? image : ini);
    };
    std::string oldName = name(o.oldIni, options.oldImage);
    std::string newName = name(o.newIni, options.newImage);
    bool written;
    if (o.format == "json") {
        written = cli::WriteJson(o.out, author::CompareJson(result, oldName, newName));
    } else if (o.format == "sarif") {
        written = cli::WriteJson(o.out, author::CompareSarif(result, newName, FACET_VERSION));
    } else if (o.format == "html") {
        std::ostringstream out;
        author::WriteCompareHtml(out, result, oldName, newName);
        written = cli::Write(o.out, out.str());
    } else {
        written = cli::Write(o.out, author::CompareText(result, oldName, newName));
    }
    if (!written) return 2;
    return result.changed == 0 ? 0 : 1;
}

}  // namespace

void AddCompareCommand(CLI::App& app, int& exitCode) {
    auto o = std::make_shared<CompareCommandOptions>();
    CLI::App* cmd = app.add_subcommand(
        "compare",
        "What an edit of a branding file changes: both files asked of the engine over every combination of "
        "the product line (models of --models, regions, system UI languages, screen shapes), and every "
        "combination whose outcome differs (section, pages, favorites, sign-up entries, wallpapers, flags), "
        "grouped by identical change, largest first, with the models, regions and languages each group covers "
        "and the edit that caused it where one can be named. Exits 0 when no outcome changes, 1 when some does, "
        "2 on bad input or output that cannot be written.");
    cmd->add_option("OLD_INI", o->oldIni, "the branding file as it is");
    cmd->add_option("NEW_INI", o->newIni, "the branding file as edited");
    cmd->add_option("--image", o->image,
                    "a machine image both files are run on (in a dry run), with its wallpapers; without it a "
                    "freshly imaged machine is assumed and the wallpapers are looked for beside each file");
    cmd->add_option("--old-image", o->oldImage,
                    "the image OLD_INI is run on, with --new-image for NEW_INI: wallpapers are compared by "
                    "content, so a picture swapped under the same name is a change (without OLD_INI and "
                    "NEW_INI, each image's own branding file)");
    cmd->add_option("--new-image", o->newImage, "the image NEW_INI is run on");
    cli::AddMatrixRange(cmd, o->range);
    cli::AddFormat(cmd, o->format, {"text", "json", "html", "sarif"}, "text (default), json, html or sarif");
    cli::AddOut(cmd, o->out);
    cmd->callback([o, &exitCode]() { exitCode = RunCompare(*o); });
}
