// facet-sim check: what a branding run gives every recorded machine of a suite, derived
// again by the engine and compared with the expectations kept beside each machine.
#include <cstdio>
#include <string>

#include "author/output.h"
#include "author/suite_check.h"
#include "author/text.h"
#include "commands.h"

#ifndef FACET_VERSION
#define FACET_VERSION "unknown"
#endif

namespace {

struct CheckOptions {
    std::string suite;
    std::string ini;
    std::string out;
    std::string format = "text";
    bool update = false;
    bool quiet = false;
};

void Say(const std::string& what) { cli::Fail(author::Utf8FromHost(what)); }

int Check(const CheckOptions& o) {
    if (o.update && !o.ini.empty()) {
        Say("--update with --ini is refused: the machines keep their own branding file, so the expectations "
            "would no longer hold for them: " +
            o.ini);
        return 2;
    }
    std::string error;
    if (!o.out.empty() && !author::OutputPathUsable(o.out, &error)) {
        Say("cannot write the report: " + error);
        return 2;
    }
    std::string iniText;
    if (!o.ini.empty() && !cli::ReadWholeFile(o.ini, &iniText)) return 2;
    std::vector<author::SuiteMachine> machines;
    if (!author::ListSuite(o.suite, &machines, &error)) {
        Say(error);
        return 2;
    }
    if (machines.empty()) {
        Say("no recorded machines (one machine image per subfolder): " + o.suite);
        return 2;
    }
    author::SuiteCheckOptions options;
    options.iniText = o.ini.empty() ? nullptr : &iniText;
    options.iniName = author::Utf8FromHost(o.ini);
    options.update = o.update;
    std::vector<author::MachineCheck> checks;
    int code = 0;
    for (const author::SuiteMachine& m : machines) {
        checks.push_back(author::CheckMachine(m, options));
        const author::MachineCheck& c = checks.back();
        if (c.status == author::MachineCheck::Status::kError) {
            cli::Fail(c.error);
            code = 2;
        } else if (c.status == author::MachineCheck::Status::kChanged && code == 0) {
            code = 1;
        }
    }
    bool written = true;
    if (o.format == "json") {
        written = cli::WriteJson(o.out, author::SuiteReportJson(checks));
    } else if (o.format == "sarif") {
        written = cli::WriteJson(o.out, author::SuiteReportSarif(checks, FACET_VERSION));
    } else if (o.format == "junit") {
        written = cli::Write(o.out, author::SuiteReportJunit(checks));
    } else {
        written = cli::Write(o.out, author::SuiteReportText(checks, o.quiet));
    }
    return written ? code : 2;
}

}  // namespace

void AddCheckCommand(CLI::App& app, int& exitCode) {
    auto o = std::make_shared<CheckOptions>();
    CLI::App* cmd = app.add_subcommand(
        "check",
        "Derives what a branding run gives every recorded machine in SUITE_DIR (one image per folder, with "
        "optional args.txt): section, pages, favorites, sign-up entries, wallpaper copies, failed writes; and "
        "compares it with the expect.json in each folder. Each change is one line, placed on the branding "
        "file's line of the value that changed where it has one, else on the machine's expect.json. Exits 0 "
        "when nothing changed, 1 when something did, 2 when the suite has no machines, an image or an "
        "expectation cannot be read, or the report cannot be written. No image is changed.");
    cmd->add_option("SUITE_DIR", o->suite, "the suite of recorded machines")->required();
    cmd->add_option("--ini", o->ini,
                    "a Facet.INI that stands in for every machine's own branding file (held in memory); "
                    "not with --update");
    cli::AddFormat(cmd, o->format, {"text", "json", "junit", "sarif"},
                   "text (default), json, junit (a testcase per machine) or sarif (each change on its line)");
    cli::AddOut(cmd, o->out);
    cmd->add_flag("--quiet", o->quiet, "text: only the machines that changed, and the summary");
    cmd->add_flag("--update", o->update,
                  "write what each machine gets from its own branding file as its new expectations; refused "
                  "with --ini (exit 2), since the machines keep their own file and a plain check would fail");
    cmd->callback([o, &exitCode]() { exitCode = Check(*o); });
}
