// facet-sim version: the file version of PE files, read as the engine reads it.
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "formats/pe_version.h"

void AddVersionCommand(CLI::App& app, int& exitCode) {
    auto files = std::make_shared<std::vector<std::string>>();
    CLI::App* cmd = app.add_subcommand(
        "version", "Prints the file version (a.b.c.d) of PE files as the engine reads it from their version "
                   "resource, or - for a file without one.");
    cmd->add_option("FILE", *files, "PE files")->required();
    cmd->callback([files, &exitCode]() {
        exitCode = 0;
        for (const std::string& file : *files) {
            std::string bytes;
            if (!cli::ReadWholeFile(file, &bytes)) {
                exitCode = 2;
                continue;
            }
            uint16_t v[4];
            if (!formats::ReadFileVersion(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), v)) {
                printf("%s\t-\n", file.c_str());
                continue;
            }
            printf("%s\t%u.%u.%u.%u\n", file.c_str(), v[0], v[1], v[2], v[3]);
        }
    });
}
