// facet-sim edid: decodes EDID blocks with the engine's own decoder, from files or from
// every instance in a machine image's registry.
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "author/engine_query.h"
#include "author/output.h"
#include "author/text.h"
#include "commands.h"
#include "formats/reg_format.h"

namespace {

const char kDisplayEnum[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\DISPLAY";

// Decodes and prints one block as the engine does. False, with a message, when it is
// too short for the engine to read (it ends before 0x3D), or when it is shorter than a
// whole base block: the engine decodes such a block from the bytes it has, and so does
// this command, but a real monitor's block is never that short.
bool Show(const std::string& name, const std::string& bytes, bool json, std::string* out) {
    size_t used = author::EngineQuery::EdidBytesUsed();
    if (bytes.size() < used) {
        cli::Fail("too short to decode (" + std::to_string(bytes.size()) + " bytes; the fields need " +
                      std::to_string(used) + ", up to 0x3D)",
                  name);
        return false;
    }
    bool whole = bytes.size() >= 128;
    if (!whole) {
        cli::Fail("short of a 128-byte EDID block (" + std::to_string(bytes.size()) +
                      " bytes); decoded from the bytes it holds",
                  name);
    }
    author::EdidInfo e = author::EngineQuery::DecodeEdid(bytes);
    std::string kind = e.displayType == "FLAT" && !json ? "flat panel" : e.displayType;
    if (json) {
        nlohmann::ordered_json line = {{"file", name}, {"version", e.nRev}, {"revision", e.nPass}, {"class", kind}, {"width", e.width}, {"height", e.height}};
        std::string error;
        if (!author::JsonLine(line, out, &error)) {
            cli::Fail(error, name);
            return false;
        }
    } else {
        *out += name + ": version " + std::to_string(e.nRev) + ", revision " + std::to_string(e.nPass) + ", " + kind +
                ", " + std::to_string(e.width) + " x " + std::to_string(e.height) + "\n";
    }
    return whole;
}

int FromRegistry(const std::string& dir, bool json, std::string* out) {
    std::unique_ptr<host::Image> image = cli::OpenImage(dir);
    if (!image) return 2;
    formats::Registry& reg = image->registry();
    bool ok = true;
    for (const std::string& model : formats::RegSubkeys(reg, kDisplayEnum)) {
        std::string modelKey = std::string(kDisplayEnum) + "\\" + model;
        for (const std::string& instance : formats::RegSubkeys(reg, modelKey)) {
            std::string name = author::Utf8FromImage("DISPLAY\\" + model + "\\" + instance);
            formats::RegKey* params = formats::FindRegKey(reg, modelKey + "\\" + instance + "\\Device Parameters");
            formats::RegValue* edid = params ? formats::FindRegValue(*params, "EDID") : nullptr;
            if (edid == nullptr) {
                cli::Fail("no EDID value", name);
                ok = false;
                continue;
            }
            ok = Show(name, edid->data, json, out) && ok;
        }
    }
    return ok ? 0 : 1;
}

// A file that cannot be read is exit code 2, as for every command; the others are still
// decoded.
int FromFiles(const std::vector<std::string>& files, bool json, std::string* out) {
    bool ok = true;
    bool unreadable = false;
    for (const std::string& file : files) {
        std::string bytes;
        std::string error;
        if (!author::ReadInput(file, 1u << 20, &bytes, &error)) {
            cli::Fail(author::Utf8FromHost(error));
            unreadable = true;
            continue;
        }
        ok = Show(author::Utf8FromHost(file), bytes, json, out) && ok;
    }
    return unreadable ? 2 : ok ? 0
                               : 1;
}

}  // namespace

void AddEdidCommand(CLI::App& app, int& exitCode) {
    struct EdidOptions {
        bool json = false;
        std::string format = "text";
        std::string out;
        std::string registryDir;
        std::vector<std::string> files;
    };
    auto o = std::make_shared<EdidOptions>();
    CLI::App* cmd = app.add_subcommand(
        "edid",
        "Decodes EDID blocks (raw files, or every instance under SYSTEM\\CurrentControlSet\\Enum\\DISPLAY in an "
        "image's registry) exactly as the engine does: version, revision, display class (LCD, CRT, flat panel) "
        "and the active size of the first timing. A block of 62 to 127 bytes is decoded from the bytes it holds, "
        "as the engine decodes it, and reported as short; a shorter one is not decoded. Either makes the exit "
        "code 1, a file that cannot be read 2; the other blocks are still shown.");
    cli::AddFormat(cmd, o->format, {"text", "json"},
                   "text (default) or json: one JSON object a line, with file, version, revision, class (LCD, CRT "
                   "or FLAT), width and height");
    cmd->add_flag("--json", o->json, "the same as --format json");
    cli::AddOut(cmd, o->out);
    CLI::Option* registry =
        cmd->add_option("--registry", o->registryDir, "decode every EDID instance in this machine image");
    CLI::Option* files = cmd->add_option("FILE", o->files, "raw EDID files");
    registry->excludes(files);
    cmd->callback([o, &exitCode]() {
        if (o->registryDir.empty() && o->files.empty()) {
            cli::Fail("nothing to decode (see --help)", "give EDID files or --registry MACHINE_DIR");
            exitCode = 2;
            return;
        }
        bool json = o->json || o->format == "json";
        std::string out;
        exitCode = o->registryDir.empty() ? FromFiles(o->files, json, &out) : FromRegistry(o->registryDir, json, &out);
        if (!cli::Write(o->out, out)) exitCode = 2;
    });
}
