// facet-sim run and resolve: a branding run on a machine image, and where a Windows path
// lies in one.
#include <cstdio>
#include <string>
#include <vector>

#include "author/engine_query.h"
#include "author/output.h"
#include "author/run_report.h"
#include "author/text.h"
#include "commands.h"

void AddRunCommand(CLI::App& app, int& exitCode) {
    struct RunOptions {
        std::string dir;
        std::vector<std::string> args;
        std::string report;
        bool sync = false;
    };
    auto opts = std::make_shared<RunOptions>();
    CLI::App* run = app.add_subcommand(
        "run",
        "Runs one branding run on the machine image in MACHINE_DIR, exactly as Facet.exe would run on that "
        "machine: argument 0 is Facet.exe and ARGS, the words after MACHINE_DIR, follow it (for example -h to "
        "install the start page); a word that starts with -- is an option of this command, or after -- an engine "
        "argument. The "
        "image is changed as the real machine would be: the log, the work folder, the registry and the "
        "branding files. Exits with the engine's exit code; 2 on a wrong command line, an image that cannot be read or a report "
        "that cannot be written (looked at before the run, which then does not happen).");
    // The engine's own switches (-h, /h) belong to ARGS, so only --help asks for help here.
    run->set_help_flag("--help", "Print this help message and exit");
    run->add_option("MACHINE_DIR", opts->dir, "the machine image")->required();
    run->add_option("ARGS", opts->args, "arguments passed to the engine after Facet.exe");
    run->add_option("--report", opts->report,
                    "also write what the run changed to this JSON file: exit_code, files, registry, signup, log "
                    "(facet-sim diff prints it)");
    run->add_flag("--sync", opts->sync,
                  "wait until every file the run writes is on the disk (slower; a power cut then loses nothing)");
    run->allow_extras();
    run->callback([run, opts, &exitCode]() {
        std::vector<std::string> engineArgs;
        if (!cli::EngineArgs(run, opts->args, &engineArgs)) {
            exitCode = 2;
            return;
        }
        if (opts->sync) host::Image::SetDefaultDurability(host::Durability::Synced);
        if (!opts->report.empty()) {
            // Refused before the run: a report that cannot be written would leave the
            // image changed by a command that failed.
            std::string error;
            if (!author::OutputPathUsable(opts->report, &error)) {
                cli::Fail(author::Utf8FromHost(error));
                exitCode = 2;
                return;
            }
            nlohmann::ordered_json report = author::RunWithReport(opts->dir, engineArgs);
            if (report.contains("error")) cli::Fail("cannot read the machine image", report["error"].get<std::string>());
            exitCode = cli::WriteJson(opts->report, report) ? report["exit_code"].get<int>() : 2;
            return;
        }
        std::unique_ptr<host::Image> image = cli::OpenImage(opts->dir);
        if (!image) {
            exitCode = 2;
            return;
        }
        author::EngineQuery query(*image);
        exitCode = query.Run(engineArgs).exitCode;
    });
}

void AddResolveCommand(CLI::App& app, int& exitCode) {
    auto dir = std::make_shared<std::string>();
    auto winPath = std::make_shared<std::string>();
    CLI::App* cmd = app.add_subcommand(
        "resolve",
        "Prints the host path that a Windows path names in the image, matched without regard to case as "
        "Windows matches names; exits 1 on a path that is not on the image's C: drive or leaves the image.");
    cmd->add_option("MACHINE_DIR", *dir, "the machine image")->required();
    cmd->add_option("WINDOWS_PATH", *winPath, "a Windows path such as C:\\Facet\\Facet.INI")->required();
    cmd->callback([dir, winPath, &exitCode]() {
        std::unique_ptr<host::Image> image = cli::OpenImage(*dir);
        if (!image) {
            exitCode = 2;
            return;
        }
        host::MappedPath path;
        DWORD err = image->MapPath(author::ImageFromUtf8(*winPath).c_str(), &path);
        if (err != 0) {
            cli::Fail("not a path on the image's C: drive (error " + std::to_string(err) + ")", *winPath);
            exitCode = 1;
            return;
        }
        printf("%s\n", path.host.c_str());
        exitCode = 0;
    });
}
