// facet-sim reg and regions: a value of a .reg file, and the engine's region table.
#include <cstdio>
#include <string>

#include "commands.h"
#include "author/engine_query.h"
#include "author/text.h"
#include "formats/reg_format.h"

void AddRegCommands(CLI::App& app, int& exitCode) {
    struct RegOptions {
        std::string file, key, value;
    };
    auto o = std::make_shared<RegOptions>();
    CLI::App* reg = app.add_subcommand(
        "reg", "Prints one value of a .reg file (registry.reg, or a regedit export) in .reg notation (\"text\", "
               "dword:00000001, hex:...), or - when the key or value is missing. VALUE @ is the default value.");
    reg->add_option("REGFILE", o->file, "the .reg file")->required();
    reg->add_option("KEY", o->key, "full key path, e.g. HKEY_CURRENT_USER\\Software\\...")->required();
    reg->add_option("VALUE", o->value, "value name, or @ for the default value")->required();
    reg->callback([o, &exitCode]() {
        std::string text;
        if (!cli::ReadWholeFile(o->file, &text)) {
            exitCode = 2;
            return;
        }
        formats::Registry registry;
        std::string error;
        if (!formats::ParseRegText(text, &registry, &error)) {
            cli::Fail(error, author::Utf8FromHost(o->file));
            exitCode = 2;
            return;
        }
        formats::RegKey* k = formats::FindRegKey(registry, author::ImageFromUtf8(o->key));
        formats::RegValue* v = k ? formats::FindRegValue(*k, o->value == "@" ? "" : author::ImageFromUtf8(o->value))
                                 : nullptr;
        printf("%s\n", v ? author::Utf8FromImage(formats::FormatRegData(*v, registry.regedit4)).c_str() : "-");
        exitCode = 0;
    });

    CLI::App* regions = app.add_subcommand(
        "regions", "Prints the region table: each option code (the three characters after \"#\" in a model name), "
                   "a tab and the region code that branding sections are named with, in the order they are "
                   "searched.");
    regions->callback([&exitCode]() {
        for (const auto& row : author::EngineQuery::Facts().regionTable) {
            printf("%s\t%s\n", row.optionCode.c_str(), row.region.c_str());
        }
        exitCode = 0;
    });
}
