// facet-sim version: the file version of PE files, read as the engine reads it.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "formats/pe_version.h"
#include "platform/win32.h"

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
            const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
            size_t offset = 0;
            size_t length = 0;
            size_t fixed = 0;
            if (!formats::FindVersionResource(data, bytes.size(), &offset, &length) ||
                !formats::FindFixedFileInfo(data + offset, length, &fixed)) {
                printf("%s\t-\n", file.c_str());
                continue;
            }
            VS_FIXEDFILEINFO info;
            memcpy(&info, data + offset + fixed, sizeof(info));
            printf("%s\t%u.%u.%u.%u\n", file.c_str(), info.dwFileVersionMS >> 16, info.dwFileVersionMS & 0xFFFF,
                   info.dwFileVersionLS >> 16, info.dwFileVersionLS & 0xFFFF);
        }
    });
}
