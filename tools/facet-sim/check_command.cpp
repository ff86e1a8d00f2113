// facet-sim check: the decisions for every recorded machine of a suite, derived again by
// the engine and compared with the expectations kept beside each machine.
#include <cstdio>
#include <string>

#include "author/output.h"
#include "author/suite_check.h"
#include "author/text.h"
#include "commands.h"

namespace {

struct CheckOptions {
    std::string suite;
    std::string ini;
    std::string out;
    bool update = false;
};

int Check(const CheckOptions& o) {
    std::string iniText;
    if (!o.ini.empty() && !cli::ReadWholeFile(o.ini, &iniText)) return 2;
    std::vector<author::SuiteMachine> machines;
    std::string error;
    if (!author::ListSuite(o.suite, &machines, &error)) {
        fprintf(stderr, "facet-sim: %s\n", author::Utf8FromHost(error).c_str());
        return 2;
    }
    int code = 0;
    size_t changed = 0;
    size_t unreadable = 0;
    std::string report;
    auto fail = [&](const std::string& what) {
        fprintf(stderr, "facet-sim: %s\n", author::Utf8FromHost(what).c_str());
        code = 2;
        ++unreadable;
    };
    for (const author::SuiteMachine& m : machines) {
        std::string name = author::Utf8FromHost(m.name);
        nlohmann::ordered_json decisions;
        std::vector<std::string> args;
        if (!author::SuiteArgs(m, &args, &error)) {
            fail(error);
            continue;
        }
        if (!author::MachineDecisions(m.dir, args, o.ini.empty() ? nullptr : &iniText, &decisions, &error)) {
            fail(m.dir + ": cannot read machine image: " + error);
            continue;
        }
        std::string expectFile = m.dir + "/expect.json";
        std::string text;
        if (!author::JsonText(decisions, &text, &error)) {
            fail(m.dir + ": " + error);
            continue;
        }
        if (o.update) {
            // Replaced whole, beside the image: a link there is replaced, never followed.
            if (!author::WriteOutput(expectFile, text, &error)) {
                fail(error);
                continue;
            }
            report += name + ": expectations written\n";
            continue;
        }
        std::string bytes;
        bool missing = false;
        if (!author::ReadFolderFile(m.dir, "expect.json", author::kJsonLimit, &bytes, &missing, &error)) {
            fail(missing ? m.name + ": no expectations (facet-sim check --update writes them)" : error);
            continue;
        }
        nlohmann::json expected;
        if (!author::ParseJsonInput(bytes, author::kJsonDepthLimit, &expected, &error)) {
            fail(expectFile + ": " + error);
            continue;
        }
        std::vector<author::Finding> findings =
            author::CompareDecisions(expectFile, expected, nlohmann::json::parse(text));
        if (findings.empty()) {
            report += name + ": unchanged\n";
            continue;
        }
        ++changed;
        report += name + ": changed\n";
        for (const author::Finding& f : findings) report += author::FormatFindingText(f) + "\n";
        if (code == 0) code = 1;
    }
    if (!o.update) {
        report += std::to_string(changed) + " of " + std::to_string(machines.size()) + " machines changed";
        if (unreadable > 0) report += ", " + std::to_string(unreadable) + " could not be checked";
        report += "\n";
    }
    return cli::Write(o.out, report) ? code : 2;
}

}  // namespace

void AddCheckCommand(CLI::App& app, int& exitCode) {
    auto o = std::make_shared<CheckOptions>();
    CLI::App* cmd = app.add_subcommand(
        "check",
        "Derives the engine's decisions (section, favorites, pages, wallpaper copies, sign-up entries, failed "
        "writes) for every recorded machine in SUITE_DIR (one image per folder, with optional args.txt) and "
        "compares them with the expect.json in each folder; prints what changed. Exits 0 when nothing changed, "
        "1 when something did, 2 when an image or an expectation cannot be read. No image is changed.");
    cmd->add_option("SUITE_DIR", o->suite, "the suite of recorded machines")->required();
    cmd->add_option("--ini", o->ini,
                    "a Facet.INI that stands in for every machine's own branding file (held in memory)");
    cli::AddOut(cmd, o->out);
    cmd->add_flag("--update", o->update, "write the derived decisions as the new expectations");
    cmd->callback([o, &exitCode]() { exitCode = Check(*o); });
}
