// The commands of facet-sim. Each Add*Command registers one subcommand (or a few close
// relatives) on the app; when the command runs, its callback stores the process exit
// code in `exitCode`: 0 clean, 1 findings or differences, 2 unreadable input.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

void AddRunCommand(CLI::App& app, int& exitCode);
void AddResolveCommand(CLI::App& app, int& exitCode);
void AddIniCommands(CLI::App& app, int& exitCode);
void AddRegCommands(CLI::App& app, int& exitCode);
void AddEdidCommand(CLI::App& app, int& exitCode);
void AddVersionCommand(CLI::App& app, int& exitCode);

// Authoring tools.
void AddLintCommand(CLI::App& app, int& exitCode);
void AddExplainCommand(CLI::App& app, int& exitCode);
// The coverage matrix and the HTML branding report.
void AddMatrixCommand(CLI::App& app, int& exitCode);
// Run reports and the recorded-machine suite.
void AddDiffCommand(CLI::App& app, int& exitCode);
void AddCheckCommand(CLI::App& app, int& exitCode);

// Shared by the commands.
namespace cli {

// Opens a machine image for the stand-ins; on failure prints why on stderr and returns
// false (the caller exits with 2).
bool OpenImage(const std::string& dir);

// Reads a whole file; on failure prints "facet-sim: cannot read FILE" and returns false.
bool ReadWholeFile(const std::string& path, std::string* bytes);

}  // namespace cli
