// facet-sim explain: what a machine image would get from a branding run, and why, without
// changing the image.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "author/explain.h"
#include "commands.h"
#include "platform/host/machine.h"

void AddExplainCommand(CLI::App& app, int& exitCode) {
    struct Options {
        std::string dir;
        std::vector<std::string> args;
        bool json = false;
    };
    auto opts = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "explain",
        "Explains what a branding run would do on the machine image in MACHINE_DIR with the engine arguments ARGS "
        "(those after Facet.exe, such as -h), and why: the identification with its evidence, the section search, "
        "every value read with its file and line, the favorites, pages and wallpaper copies, and the lint findings "
        "about the files this machine uses. A dry run: nothing in the image is changed. Exits 0, or 2 when the "
        "image cannot be read.");
    cmd->set_help_flag("--help", "Print this help message and exit");
    cmd->add_option("MACHINE_DIR", opts->dir, "the machine image")->required();
    cmd->add_option("ARGS", opts->args, "arguments the engine would get after Facet.exe");
    cmd->add_flag("--json", opts->json, "one JSON document instead of text");
    cmd->allow_extras();
    cmd->callback([cmd, opts, &exitCode]() {
        std::vector<std::string> args = opts->args;
        for (const std::string& extra : cmd->remaining()) args.push_back(extra);
        if (!cli::OpenImage(opts->dir)) {
            exitCode = 2;
            return;
        }
        nlohmann::ordered_json doc = author::ExplainMachine(opts->dir, args);
        host::CloseMachine();
        std::string out = opts->json ? doc.dump(2) + "\n" : author::FormatExplanationText(doc);
        fwrite(out.data(), 1, out.size(), stdout);
        exitCode = 0;
    });
}
