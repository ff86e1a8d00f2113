// facet-sim: runs the Facet engine on a machine image folder, so that a branding run can
// be tried, tested and previewed without Windows, and carries the tools that branding
// authors run on their files. One file per command; this one only puts them together.
#include <cstdio>
#include <iostream>
#include <string>

#include "commands.h"

#ifndef FACET_VERSION
#define FACET_VERSION "unknown"
#endif

namespace {

std::string After(const std::string& text, const std::string& lead) {
    return text.compare(0, lead.size(), lead) == 0 ? text.substr(lead.size()) : std::string();
}

template <typename Kind>
bool Is(const CLI::ParseError& e) {
    return dynamic_cast<const Kind*>(&e) != nullptr;
}

// CLI11's complaint about a command line, in the words of every other message: what went
// wrong, then the word it concerns.
void ReportUsage(const CLI::ParseError& e, const std::string& firstWord) {
    std::string text = e.what();
    size_t colon = text.find(": ");
    std::string words;
    if (Is<CLI::ExtrasError>(e)) {
        words = After(text, "The following argument was not expected: ");
        if (words.empty()) words = After(text, "The following arguments were not expected: ");
        cli::Fail(cli::CommandName().empty() ? "no such command" : "unexpected argument", words);
    } else if (Is<CLI::RequiredError>(e) && cli::CommandName().empty() && !firstWord.empty() && firstWord[0] != '-') {
        cli::Fail("no such command", firstWord);
    } else if (Is<CLI::RequiredError>(e) && cli::CommandName().empty()) {
        cli::Fail("no command given (see facet-sim --help)");
    } else if (Is<CLI::RequiredError>(e) && text.size() > 12 && text.compare(text.size() - 12, 12, " is required") == 0) {
        cli::Fail("missing", text.substr(0, text.size() - 12));
    } else if (Is<CLI::ValidationError>(e) && colon != std::string::npos) {
        // Our own validators say "is not a or b: VALUE"; the option's name leads.
        cli::Fail(text.substr(0, colon) + " " + text.substr(colon + 2));
    } else if (Is<CLI::ArgumentMismatch>(e) && colon != std::string::npos) {
        cli::Fail("needs a value", text.substr(0, colon));
    } else if (Is<CLI::ExcludesError>(e) && text.find(" excludes ") != std::string::npos) {
        size_t at = text.find(" excludes ");
        cli::Fail("cannot be given together", text.substr(0, at) + " and " + text.substr(at + 10));
    } else {
        cli::Fail("bad command line (see --help)");
    }
}

// Help and version texts are output like any other: one that cannot be written is exit 2.
int Printed(int code) {
    std::cout.flush();
    if (!std::cout || fflush(stdout) != 0 || ferror(stdout)) {
        cli::Fail("cannot write the output", "standard output");
        return 2;
    }
    return code;
}

}  // namespace

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

    // Messages name the command from the moment the command line reaches it.
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
        command->preparse_callback([command](size_t) { cli::SetCommandName(command->get_name()); });
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return Printed(app.exit(e));
    } catch (const CLI::CallForAllHelp& e) {
        return Printed(app.exit(e));
    } catch (const CLI::CallForVersion& e) {
        return Printed(app.exit(e));
    } catch (const CLI::ParseError& e) {
        // Bad usage is exit code 2 for every command, whatever CLI11's own code is.
        ReportUsage(e, argc > 1 ? argv[1] : "");
        return 2;
    }
    // What a command printed must have reached its reader: a full disk or a closed pipe
    // is an output that could not be written.
    if ((fflush(stdout) != 0 || ferror(stdout)) && exitCode != 2) {
        cli::Fail("cannot write the output", "standard output");
        return 2;
    }
    return exitCode;
}
