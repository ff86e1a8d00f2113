// facet-sim edid: decodes EDID blocks with the engine's own decoder, from files or from
// every instance in a machine image's registry.
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "commands.h"
#include "identify/edid.h"
#include "platform/host/machine.h"
#include "formats/reg_format.h"

namespace {

const char kDisplayEnum[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\DISPLAY";

const char* ClassName(int32_t type, bool json) {
    switch (type) {
        case kEdidLcd: return "LCD";
        case kEdidCrt: return "CRT";
        case kEdidFlatPanel: return json ? "FLAT" : "flat panel";
        default: return "none";
    }
}

// Decodes and prints one block as the engine does. False, with a message, when it is
// too short for the engine to read (it ends before 0x3D), or when it is shorter than a
// whole base block: the engine decodes such a block from the bytes it has, and so does
// this command, but a real monitor's block is never that short.
bool Show(const std::string& name, const std::string& bytes, bool json) {
    if (bytes.size() < kEdidBytesUsed) {
        fprintf(stderr, "facet-sim edid: %s: %zu bytes, too short to decode (the fields need %zu, up to 0x3D)\n",
                name.c_str(), bytes.size(), kEdidBytesUsed);
        return false;
    }
    bool whole = bytes.size() >= 128;
    if (!whole) {
        fprintf(stderr,
                "facet-sim edid: %s: %zu bytes, short of a 128-byte EDID block; decoded from the bytes it holds\n",
                name.c_str(), bytes.size());
    }
    int32_t nRev = 0;
    int32_t nPass = 0;
    DWORD dwWidth = 0;
    DWORD dwHeight = 0;
    int32_t nDisplayType = kEdidNone;
    DecodeEdidBlock(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), &nRev, &nPass, &dwWidth, &dwHeight,
                    &nDisplayType);
    if (json) {
        nlohmann::ordered_json line = {{"file", name},
                                       {"version", nRev},
                                       {"revision", nPass},
                                       {"class", ClassName(nDisplayType, true)},
                                       {"width", dwWidth},
                                       {"height", dwHeight}};
        printf("%s\n", line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else {
        printf("%s: version %d, revision %d, %s, %u x %u\n", name.c_str(), static_cast<int>(nRev),
               static_cast<int>(nPass), ClassName(nDisplayType, false), static_cast<unsigned>(dwWidth),
               static_cast<unsigned>(dwHeight));
    }
    return whole;
}

int FromRegistry(const std::string& dir, bool json) {
    if (!cli::OpenImage(dir)) return 2;
    formats::Registry& reg = host::CurrentImage()->registry();
    bool ok = true;
    for (const std::string& model : formats::RegSubkeys(reg, kDisplayEnum)) {
        std::string modelKey = std::string(kDisplayEnum) + "\\" + model;
        for (const std::string& instance : formats::RegSubkeys(reg, modelKey)) {
            std::string name = "DISPLAY\\" + model + "\\" + instance;
            formats::RegKey* params = formats::FindRegKey(reg, modelKey + "\\" + instance + "\\Device Parameters");
            formats::RegValue* edid = params ? formats::FindRegValue(*params, "EDID") : nullptr;
            if (edid == nullptr) {
                fprintf(stderr, "facet-sim edid: %s: no EDID value\n", name.c_str());
                ok = false;
                continue;
            }
            ok = Show(name, edid->data, json) && ok;
        }
    }
    host::CloseMachine();
    return ok ? 0 : 1;
}

int FromFiles(const std::vector<std::string>& files, bool json) {
    bool ok = true;
    for (const std::string& file : files) {
        std::string bytes;
        if (!cli::ReadWholeFile(file, &bytes)) {
            ok = false;
            continue;
        }
        ok = Show(file, bytes, json) && ok;
    }
    return ok ? 0 : 1;
}

}  // namespace

void AddEdidCommand(CLI::App& app, int& exitCode) {
    struct EdidOptions {
        bool json = false;
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
        "code 1; the other blocks are still shown.");
    cmd->add_flag("--json", o->json, "one JSON object a line: file, version, revision, class (LCD, CRT or FLAT), "
                                     "width and height");
    CLI::Option* registry =
        cmd->add_option("--registry", o->registryDir, "decode every EDID instance in this machine image");
    CLI::Option* files = cmd->add_option("FILE", o->files, "raw EDID files");
    registry->excludes(files);
    cmd->callback([o, &exitCode]() {
        if (o->registryDir.empty() && o->files.empty()) {
            fprintf(stderr, "facet-sim edid: give EDID files or --registry MACHINE_DIR (see --help)\n");
            exitCode = 2;
            return;
        }
        exitCode = o->registryDir.empty() ? FromFiles(o->files, o->json) : FromRegistry(o->registryDir, o->json);
    });
}
