// facet-sim: runs the Facet engine on a machine image folder, so that a branding run can
// be tried, tested and previewed without Windows.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "edid_command.h"
#include "identify/dash_region.h"
#include "platform/host/machine.h"
#include "platform/host/pe_version.h"
#include "platform/host/profile_text.h"
#include "platform/host/registry_text.h"
#include "run/driver.h"

namespace {

const char kUsage[] =
    "usage: facet-sim run MACHINE_DIR [ARGS...]\n"
    "       facet-sim resolve MACHINE_DIR WINDOWS_PATH\n"
    "       facet-sim ini FILE SECTION KEY [DEFAULT]\n"
    "       facet-sim regions\n"
    "       facet-sim reg REGFILE KEY VALUE\n"
    "       facet-sim inidump FILE\n"
    "       facet-sim edid [--json] FILE... | --registry MACHINE_DIR\n"
    "       facet-sim version FILE...\n"
    "       facet-sim --help\n"
    "\n"
    "run      Runs one branding run on the machine image in MACHINE_DIR, exactly as\n"
    "         Facet.exe would run on that machine: argument 0 is Facet.exe and ARGS\n"
    "         follow it (for example -h to install the start page). The image is\n"
    "         changed as the real machine would be: the log, the work folder, the\n"
    "         registry and the branding files. Exits with the engine's exit code.\n"
    "resolve  Prints the host path that a Windows path names in the image, in the\n"
    "         case-insensitive way Windows matches names; exits 1 on an invalid path.\n"
    "ini      Prints one value of an INI file (a host path) as Windows' profile\n"
    "         reader would deliver it, or DEFAULT (empty when not given).\n"
    "regions  Prints the region table: each option code (the three characters after\n"
    "         \"#\" in a model name), a tab and the region code that branding\n"
    "         sections are named with, in the order they are searched.\n"
    "reg      Prints one value of a .reg file (registry.reg, or a regedit export)\n"
    "         in .reg notation (\"text\", dword:00000001, hex:...), or - when the\n"
    "         key or value is missing. VALUE @ is the default value.\n"
    "inidump  Prints the sections and entries of an INI file as the profile reader\n"
    "         sees them, one a line, for comparing files by content.\n"
    "edid     Decodes EDID blocks (raw files of 128 bytes or more, or every\n"
    "         instance under SYSTEM\\CurrentControlSet\\Enum\\DISPLAY in an image's\n"
    "         registry) exactly as the engine does: version, revision, display class\n"
    "         (LCD, CRT, flat panel) and the active size of the first timing. With\n"
    "         --json, one object a line with file, version, revision, class (LCD, CRT\n"
    "         or FLAT), width and height. A block too short is an error for that\n"
    "         block (exit code 1); the others are still shown.\n"
    "version  Prints the file version (a.b.c.d) of PE files as the engine reads it\n"
    "         from their version resource, or - for a file without one.\n"
    "\n"
    "A machine image is a folder holding machine.ini, drive_c/ and optionally\n"
    "registry.reg; the README describes every key. An image that cannot be read\n"
    "gives a message on stderr and exit code 2, and nothing in it is changed.\n";

int Run(const std::string& dir, int argc, char** argv) {
    std::string error;
    if (!host::OpenMachine(dir, &error)) {
        fprintf(stderr, "facet-sim: cannot read machine image: %s\n", error.c_str());
        return 2;
    }
    std::vector<char*> args;
    static char program[] = "Facet.exe";
    args.push_back(program);
    for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    int code = RunFacet(static_cast<int>(args.size()) - 1, args.data());
    host::CloseMachine();
    return code;
}

int Resolve(const std::string& dir, const char* winPath) {
    std::string error;
    if (!host::OpenMachine(dir, &error)) {
        fprintf(stderr, "facet-sim: cannot read machine image: %s\n", error.c_str());
        return 2;
    }
    host::MappedPath path;
    DWORD err = host::MapPath(winPath, &path);
    host::CloseMachine();
    if (err != 0) {
        fprintf(stderr, "facet-sim: not a path on the image's C: drive (error %u): %s\n", err, winPath);
        return 1;
    }
    printf("%s\n", path.host.c_str());
    return 0;
}

int Ini(const char* file, const char* section, const char* key, const char* def) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        fprintf(stderr, "facet-sim: cannot read %s\n", file);
        return 2;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<char> value(text.str().size() + strlen(def) + 1);
    bool cut = false;
    host::ProfileGetString(text.str(), section, key, def, value.data(), value.size(), &cut);
    printf("%s\n", value.data());
    return 0;
}

bool ReadWhole(const char* file, std::string* text) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        fprintf(stderr, "facet-sim: cannot read %s\n", file);
        return false;
    }
    std::ostringstream buf;
    buf << in.rdbuf();
    *text = buf.str();
    return true;
}

int Reg(const char* file, const char* key, const char* value) {
    std::string text;
    if (!ReadWhole(file, &text)) return 2;
    host::Registry reg;
    std::string error;
    if (!host::ParseRegText(text, &reg, &error)) {
        fprintf(stderr, "facet-sim: %s: %s\n", file, error.c_str());
        return 2;
    }
    host::RegKey* k = host::FindRegKey(reg, key);
    host::RegValue* v = k ? host::FindRegValue(*k, strcmp(value, "@") == 0 ? "" : value) : nullptr;
    printf("%s\n", v ? host::FormatRegData(*v, reg.regedit4).c_str() : "-");
    return 0;
}

int IniDump(const char* file) {
    std::string text;
    if (!ReadWhole(file, &text)) return 2;
    fputs(host::ProfileDump(text).c_str(), stdout);
    return 0;
}

int Version(int argc, char** argv) {
    int code = 0;
    for (int i = 0; i < argc; ++i) {
        std::string bytes;
        if (!ReadWhole(argv[i], &bytes)) {
            code = 2;
            continue;
        }
        const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
        size_t offset = 0;
        size_t length = 0;
        size_t fixed = 0;
        if (!host::FindVersionResource(data, bytes.size(), &offset, &length) ||
            !host::FindFixedFileInfo(data + offset, length, &fixed)) {
            printf("%s\t-\n", argv[i]);
            continue;
        }
        VS_FIXEDFILEINFO info;
        memcpy(&info, data + offset + fixed, sizeof(info));
        printf("%s\t%u.%u.%u.%u\n", argv[i], info.dwFileVersionMS >> 16, info.dwFileVersionMS & 0xFFFF,
               info.dwFileVersionLS >> 16, info.dwFileVersionLS & 0xFFFF);
    }
    return code;
}

int Regions() {
    for (const DashRegionRow& row : DashRegionTable) printf("%s\t%s\n", row.szOptionCode, row.szRegionCode);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0 || strcmp(argv[1], "help") == 0)) {
        fputs(kUsage, stdout);
        return 0;
    }
    if (argc >= 3 && strcmp(argv[1], "run") == 0) return Run(argv[2], argc - 3, argv + 3);
    if (argc == 2 && strcmp(argv[1], "regions") == 0) return Regions();
    if (argc == 5 && strcmp(argv[1], "reg") == 0) return Reg(argv[2], argv[3], argv[4]);
    if (argc == 3 && strcmp(argv[1], "inidump") == 0) return IniDump(argv[2]);
    if (argc >= 3 && strcmp(argv[1], "version") == 0) return Version(argc - 2, argv + 2);
    if (argc >= 2 && strcmp(argv[1], "edid") == 0) return EdidCommand(argc - 2, argv + 2);
    if (argc == 4 && strcmp(argv[1], "resolve") == 0) return Resolve(argv[2], argv[3]);
    if ((argc == 5 || argc == 6) && strcmp(argv[1], "ini") == 0) {
        return Ini(argv[2], argv[3], argv[4], argc == 6 ? argv[5] : "");
    }
    fputs(kUsage, stderr);
    return 2;
}
