// facet-sim explain: what a machine image would get from a branding run, and why, without
// changing the image.
#include <memory>
#include <string>
#include <vector>

#include "author/engine_query.h"
#include "author/explain.h"
#include "commands.h"

void AddExplainCommand(CLI::App& app, int& exitCode) {
    struct Options {
        std::string dir;
        std::vector<std::string> args;
        std::string format = "text";
        bool json = false;
        std::string out;
        std::string ini;
    };
    auto opts = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "explain",
        "Explains what a branding run would do on the machine image in MACHINE_DIR with the engine arguments ARGS "
        "(the words after MACHINE_DIR, such as -h; one that starts with -- follows --), and why: the identification with its evidence, the section search, "
        "every value read with its file and line, the favorites, pages and wallpaper copies with the outcome of "
        "each write, and the lint findings about the files this machine uses. The engine's own run in a dry run: "
        "nothing in the image is changed. Exits 0; 1 when the machine gets no branding, a two-letter match inside "
        "a word decided its category, a write will fail, or a finding is an error or a warning; 2 when the image "
        "or the branding file cannot be read or the output cannot be written.");
    cmd->set_help_flag("--help", "Print this help message and exit");
    cmd->add_option("MACHINE_DIR", opts->dir, "the machine image")->required();
    cmd->add_option("ARGS", opts->args, "arguments the engine would get after Facet.exe");
    cli::AddFormat(cmd, opts->format, {"text", "json"}, "text (default) or json (one document)");
    cmd->add_flag("--json", opts->json, "the same as --format json");
    cli::AddOut(cmd, opts->out);
    cmd->add_option("--ini", opts->ini, "a Facet.INI that stands in for the image's own (held in memory)");
    cmd->allow_extras();
    cmd->callback([cmd, opts, &exitCode]() {
        std::vector<std::string> args;
        if (!cli::EngineArgs(cmd, opts->args, &args)) {
            exitCode = 2;
            return;
        }
        std::unique_ptr<host::Image> image = cli::OpenImage(opts->dir);
        std::string ini;
        if (!image || (!opts->ini.empty() && !cli::ReadWholeFile(opts->ini, &ini))) {
            exitCode = 2;
            return;
        }
        if (!opts->ini.empty()) {
            author::EngineQuery where(*image);
            where.PutBrandingFile(ini);
        }
        nlohmann::ordered_json doc = author::ExplainMachine(*image, opts->dir, args);
        bool written = opts->json || opts->format == "json" ? cli::WriteJson(opts->out, doc)
                                                            : cli::Write(opts->out, author::FormatExplanationText(doc));
        exitCode = !written ? 2 : author::ExplanationHasProblems(doc) ? 1
                                                                      : 0;
    });
}
