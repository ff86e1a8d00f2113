// facet-sim: runs the Facet engine on a machine image folder, so that a branding run can
// be tried, tested and previewed without Windows, and carries the tools that branding
// authors run on their files. One file per command; this one only puts them together.
#include <cstdio>

#include "commands.h"

#ifndef FACET_VERSION
#define FACET_VERSION "unknown"
#endif

int main(int argc, char** argv) {
    CLI::App app{
        "facet-sim: runs the Facet engine on a machine image, and the tools for branding files.\n"
        "A machine image is a folder holding machine.ini, drive_c/ and optionally registry.reg; the README\n"
        "describes every key. An image that cannot be read gives a message on stderr and exit code 2, and\n"
        "nothing in it is changed.",
        "facet-sim"};
    app.set_version_flag("--version", "facet-sim " FACET_VERSION);
    app.require_subcommand(1);
    app.fallthrough(false);

    int exitCode = 0;
    AddRunCommand(app, exitCode);
    AddResolveCommand(app, exitCode);
    AddIniCommands(app, exitCode);
    AddRegCommands(app, exitCode);
    AddEdidCommand(app, exitCode);
    AddVersionCommand(app, exitCode);
    AddExplainCommand(app, exitCode);
    AddMatrixCommand(app, exitCode);

    // Authoring tools.
    AddLintCommand(app, exitCode);
    AddDiffCommand(app, exitCode);
    AddCheckCommand(app, exitCode);
    AddCompareCommand(app, exitCode);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        // Bad usage is exit code 2 for every command, whatever CLI11's own code is.
        app.exit(e);
        return 2;
    }
    // What a command printed must have reached its reader: a full disk or a closed pipe
    // is an output that could not be written.
    if ((fflush(stdout) != 0 || ferror(stdout)) && exitCode != 2) {
        fprintf(stderr, "facet-sim: cannot write the output\n");
        return 2;
    }
    return exitCode;
}
