// The commands of facet-sim. Each Add*Command registers one subcommand (or a few close
// relatives) on the app; when the command runs, its callback stores the process exit
// code in `exitCode`: 0 clean, 1 findings or differences, 2 unreadable input, bad usage
// or output that could not be written. Every command has the same grammar: --format
// (where there is more than one form), --out (where it writes a document), --ini (where
// a branding file can stand in for an image's own) and --help.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "author/matrix.h"
#include "platform/host/image.h"

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
// Two branding files over every combination of a product line.
void AddCompareCommand(CLI::App& app, int& exitCode);

// Shared by the commands.
namespace cli {

// The command being run, as messages name it ("facet-sim COMMAND: ..."); main sets it
// when the command line reaches the command.
const std::string& CommandName();
void SetCommandName(const std::string& name);

// Prints "facet-sim COMMAND: WHAT" (and ": SUBJECT" when given) on stderr: what went
// wrong, then the file or value it concerns.
void Fail(const std::string& what, const std::string& subject = "");

// Whether two words are the same without regard to ASCII case.
bool SameWord(std::string_view a, std::string_view b);

// A value that is one of `forms`, without regard to case; the value becomes the form
// as written here. EachOf: a comma-separated list of them.
CLI::Validator OneOf(std::vector<std::string> forms);
CLI::Validator EachOf(std::vector<std::string> forms);

// The engine arguments of run and explain: the plain words after MACHINE_DIR and the
// single-dash words (-h) the command did not know, in the order given. A word that
// starts with -- and is none of the command's options is a mistyped option, not an
// engine argument: false, with a message (an engine argument that must start with --
// follows "--").
bool EngineArgs(CLI::App* cmd, const std::vector<std::string>& words, std::vector<std::string>* args);

// Opens a machine image; on failure prints why on stderr and returns null (the caller
// exits with 2).
std::unique_ptr<host::Image> OpenImage(const std::string& dir);

// Reads a file a person named (author::ReadInput); on failure prints why and returns false.
bool ReadWholeFile(const std::string& path, std::string* bytes);

// Writes a command's output to --out (or standard output); on failure prints why and
// returns false (the caller exits with 2).
bool Write(const std::string& out, const std::string& bytes);

// A JSON document through the one writer, to --out; false (with a message) when it
// cannot be written.
bool WriteJson(const std::string& out, const nlohmann::ordered_json& doc);

// --format, one of the forms given, on the command.
CLI::Option* AddFormat(CLI::App* cmd, std::string& format, std::initializer_list<std::string> forms,
                       const std::string& help);
CLI::Option* AddOut(CLI::App* cmd, std::string& out);

// What a matrix ranges over (matrix, compare): --models, --languages, --regions, --screens.
struct MatrixRange {
    std::string models;
    std::string languages;
    std::string regions;
    std::string screens = "wide,normal";
};
void AddMatrixRange(CLI::App* cmd, MatrixRange& range);
// Reads them into *options; on bad input prints "facet-sim COMMAND: --option: why" and
// returns false (the caller exits with 2).
bool ReadMatrixRange(const char* command, const MatrixRange& range, author::MatrixOptions* options);

}  // namespace cli
