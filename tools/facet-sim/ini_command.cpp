// facet-sim ini and inidump: INI files read by Windows' profile rules.
#include <cstdio>
#include <string>
#include <vector>

#include "author/text.h"
#include "commands.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"

void AddIniCommands(CLI::App& app, int& exitCode) {
    struct IniOptions {
        std::string file, section, key, def;
    };
    auto o = std::make_shared<IniOptions>();
    CLI::App* ini = app.add_subcommand(
        "ini", "Prints one value of an INI file (a host path) as Windows' profile reader would deliver it, or "
               "DEFAULT (empty when not given).");
    ini->add_option("FILE", o->file, "the INI file")->required();
    ini->add_option("SECTION", o->section, "section name")->required();
    ini->add_option("KEY", o->key, "key name")->required();
    ini->add_option("DEFAULT", o->def, "what a missing key reads as");
    ini->callback([o, &exitCode]() {
        std::string text;
        if (!cli::ReadWholeFile(o->file, &text)) {
            exitCode = 2;
            return;
        }
        std::vector<char> value(text.size() + o->def.size() + 1);
        bool cut = false;
        // The names and the default as they would be typed on the machine.
        std::string section = author::ImageFromUtf8(o->section);
        std::string key = author::ImageFromUtf8(o->key);
        std::string def = author::ImageFromUtf8(o->def);
        formats::ProfileGetString(text, section.c_str(), key.c_str(), def.c_str(), value.data(), value.size(), &cut);
        printf("%s\n", author::Utf8FromImage(value.data()).c_str());
        exitCode = 0;
    });

    auto dumpFile = std::make_shared<std::string>();
    CLI::App* dump = app.add_subcommand(
        "inidump", "Prints the sections and entries of an INI file as the profile reader sees them, one a line, "
                   "for comparing files by content.");
    dump->add_option("FILE", *dumpFile, "the INI file")->required();
    dump->callback([dumpFile, &exitCode]() {
        std::string text;
        if (!cli::ReadWholeFile(*dumpFile, &text)) {
            exitCode = 2;
            return;
        }
        fputs(author::Utf8FromImage(formats::ProfileDump(text)).c_str(), stdout);
        exitCode = 0;
    });
}
