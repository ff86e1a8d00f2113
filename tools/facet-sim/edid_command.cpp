#include "edid_command.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "identify/edid.h"
#include "platform/host/machine.h"
#include "platform/host/registry_text.h"

namespace {

const char kDisplayEnum[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\DISPLAY";

std::string JsonText(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            snprintf(esc, sizeof(esc), "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

const char* ClassName(int32_t type, bool json) {
    switch (type) {
        case kEdidLcd: return "LCD";
        case kEdidCrt: return "CRT";
        case kEdidFlatPanel: return json ? "FLAT" : "flat panel";
        default: return "none";
    }
}

// Decodes and prints one block; false (with a message) when it is too short. Blocks
// shorter than a whole base block are refused, as the engine refuses them.
bool Show(const std::string& name, const std::string& bytes, bool json) {
    if (bytes.size() < 128) {
        fprintf(stderr, "facet-sim edid: %s: %zu bytes, too short for an EDID block (128 bytes)\n", name.c_str(),
                bytes.size());
        return false;
    }
    int32_t nRev = 0;
    int32_t nPass = 0;
    DWORD dwWidth = 0;
    DWORD dwHeight = 0;
    int32_t nDisplayType = kEdidNone;
    DecodeEdidBlock(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), &nRev, &nPass, &dwWidth, &dwHeight,
                    &nDisplayType);
    if (json) {
        printf("{\"file\":%s,\"version\":%d,\"revision\":%d,\"class\":\"%s\",\"width\":%u,\"height\":%u}\n",
               JsonText(name).c_str(), static_cast<int>(nRev), static_cast<int>(nPass), ClassName(nDisplayType, true),
               static_cast<unsigned>(dwWidth), static_cast<unsigned>(dwHeight));
    } else {
        printf("%s: version %d, revision %d, %s, %u x %u\n", name.c_str(), static_cast<int>(nRev),
               static_cast<int>(nPass), ClassName(nDisplayType, false), static_cast<unsigned>(dwWidth),
               static_cast<unsigned>(dwHeight));
    }
    return true;
}

int FromRegistry(const std::string& dir, bool json) {
    std::string error;
    if (!host::OpenMachine(dir, &error)) {
        fprintf(stderr, "facet-sim: cannot read machine image: %s\n", error.c_str());
        return 2;
    }
    host::Registry& reg = host::MachineRegistry();
    bool ok = true;
    for (const std::string& model : host::RegSubkeys(reg, kDisplayEnum)) {
        std::string modelKey = std::string(kDisplayEnum) + "\\" + model;
        for (const std::string& instance : host::RegSubkeys(reg, modelKey)) {
            std::string name = "DISPLAY\\" + model + "\\" + instance;
            host::RegKey* params = host::FindRegKey(reg, modelKey + "\\" + instance + "\\Device Parameters");
            host::RegValue* edid = params ? host::FindRegValue(*params, "EDID") : nullptr;
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

}  // namespace

int EdidCommand(int argc, char** argv) {
    bool json = false;
    std::vector<std::string> files;
    std::string registryDir;
    for (int i = 0; i < argc; ++i) {
        if (strcmp(argv[i], "--json") == 0) {
            json = true;
        } else if (strcmp(argv[i], "--registry") == 0 && i + 1 < argc) {
            registryDir = argv[++i];
        } else {
            files.push_back(argv[i]);
        }
    }
    if (!registryDir.empty()) return files.empty() ? FromRegistry(registryDir, json) : 2;
    if (files.empty()) {
        fprintf(stderr, "usage: facet-sim edid [--json] FILE... | facet-sim edid [--json] --registry MACHINE_DIR\n");
        return 2;
    }
    bool ok = true;
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            fprintf(stderr, "facet-sim edid: %s: cannot be read\n", file.c_str());
            ok = false;
            continue;
        }
        std::ostringstream bytes;
        bytes << in.rdbuf();
        ok = Show(file, bytes.str(), json) && ok;
    }
    return ok ? 0 : 1;
}
