// facet-sim check: the decisions for every recorded machine of a suite, derived again by
// the engine and compared with the expectations kept beside each machine.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "author/suite_check.h"
#include "commands.h"

namespace {

struct CheckOptions {
    std::string suite;
    std::string ini;
    bool update = false;
};

int Check(const CheckOptions& o) {
    std::string iniText;
    if (!o.ini.empty() && !cli::ReadWholeFile(o.ini, &iniText)) return 2;
    std::vector<author::SuiteMachine> machines;
    std::string error;
    if (!author::ListSuite(o.suite, &machines, &error)) {
        fprintf(stderr, "facet-sim: %s\n", error.c_str());
        return 2;
    }
    int code = 0;
    size_t changed = 0;
    size_t unreadable = 0;
    for (const author::SuiteMachine& m : machines) {
        nlohmann::ordered_json decisions;
        if (!author::MachineDecisions(m.dir, author::SuiteArgs(m), o.ini.empty() ? nullptr : &iniText, &decisions,
                                      &error)) {
            fprintf(stderr, "facet-sim: %s: cannot read machine image: %s\n", m.dir.c_str(), error.c_str());
            code = 2;
            ++unreadable;
            continue;
        }
        std::string expectFile = m.dir + "/expect.json";
        std::string text = decisions.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
        if (o.update) {
            std::ofstream out(expectFile, std::ios::binary | std::ios::trunc);
            out << text;
            out.close();
            if (!out) {
                fprintf(stderr, "facet-sim: cannot write %s\n", expectFile.c_str());
                code = 2;
                continue;
            }
            printf("%s: expectations written\n", m.name.c_str());
            continue;
        }
        std::ifstream in(expectFile, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in) {
            fprintf(stderr, "facet-sim: %s: no expectations (facet-sim check --update writes them)\n", m.name.c_str());
            code = 2;
            ++unreadable;
            continue;
        }
        nlohmann::json expected = nlohmann::json::parse(bytes, nullptr, false);
        if (expected.is_discarded()) {
            fprintf(stderr, "facet-sim: %s: not JSON\n", expectFile.c_str());
            code = 2;
            ++unreadable;
            continue;
        }
        std::vector<author::Finding> findings =
            author::CompareDecisions(expectFile, expected, nlohmann::json::parse(text));
        if (findings.empty()) {
            printf("%s: unchanged\n", m.name.c_str());
            continue;
        }
        ++changed;
        printf("%s: changed\n", m.name.c_str());
        for (const author::Finding& f : findings) printf("%s\n", author::FormatFindingText(f).c_str());
        if (code == 0) code = 1;
    }
    if (!o.update) {
        printf("%zu of %zu machines changed", changed, machines.size());
        if (unreadable > 0) printf(", %zu could not be checked", unreadable);
        printf("\n");
    }
    return code;
}

}  // namespace

void AddCheckCommand(CLI::App& app, int& exitCode) {
    auto o = std::make_shared<CheckOptions>();
    CLI::App* cmd = app.add_subcommand(
        "check",
        "Derives the engine's decisions (section, favorites, pages, wallpaper copies) for every recorded machine "
        "in SUITE_DIR (one image per folder, with optional args.txt) and compares them with the expect.json in "
        "each folder; prints what changed. Exits 0 when nothing changed, 1 when something did, 2 when an image "
        "or an expectation cannot be read. No image is changed.");
    cmd->add_option("SUITE_DIR", o->suite, "the suite of recorded machines")->required();
    cmd->add_option("--ini", o->ini, "a Facet.INI that stands in for every machine's own branding file");
    cmd->add_flag("--update", o->update, "write the derived decisions as the new expectations");
    cmd->callback([o, &exitCode]() { exitCode = Check(*o); });
}
