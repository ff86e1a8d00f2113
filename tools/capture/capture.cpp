// FacetCapture.exe OUTDIR [--with-assets]: records the machine it runs on as a machine
// image for facet-sim, as the engine sees the machine. It lies beside Facet.exe, asks the
// same system calls the engine asks (through the engine's own ZMINT.DLL binding) and
// copies the files a run reads. It reads the machine and never changes it; the image is
// written into a temporary folder beside OUTDIR, every file flushed to the disk, and
// renamed at the end, so a capture that failed half-way never looks complete.
//
// Nothing is written outside that folder: every Windows path is resolved as Windows
// resolves it and must stay on C:, inside the image's drive_c (ImagePath). A path that
// cannot be recorded so (another drive, ".." that climbs above C:\) is left out; each
// such path is one line of OUTDIR\capture-notes.txt (what, the path, why; ANSI text, CR LF)
// and is printed on stderr. The notes file exists only when something was left out.
//
// Exit codes: 0 captured; 3 captured but incomplete, see capture-notes.txt; 1 something
// on the machine could not be read; 2 bad usage or OUTDIR cannot be written (nothing is
// written on 1 or 2).
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "identify/zmint_binding.h"
#include "formats/reg_format.h"

namespace {

const char kDisplayEnum[] = "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kBrowserMain[] = "Software\\Microsoft\\Internet Explorer\\Main";
const char kNotesFile[] = "capture-notes.txt";

struct Capture {
    std::string outDir;  // as given, made absolute
    std::string tempDir;
    std::string exeDir;  // Windows path of the folder holding FacetCapture.exe and Facet.exe
    bool withAssets = false;
    int fileCount = 0;
    bool failed = false;             // something on the machine could not be read
    std::vector<std::string> notes;  // what was left out and why, one line each
};

bool IsDirectory(const std::string& path) {
    DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const std::string& path) {
    DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string ErrorText(DWORD err) {
    char text[512] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, err, 0, text,
                             sizeof(text), nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ')) text[--n] = '\0';
    return n > 0 ? std::string(text) : "error " + std::to_string(err);
}

bool OnDriveC(const std::string& path) {
    return path.size() >= 3 && (path[0] == 'C' || path[0] == 'c') && path[1] == ':' &&
           (path[2] == '\\' || path[2] == '/');
}

// A path as Windows resolves it before it opens anything, by Windows' own rules: "." and
// ".." taken away (".." stops at the root), "/" read as "\\", repeated separators dropped.
// False when it cannot be resolved or is too long for the ANSI calls.
bool ResolvedPath(const std::string& path, std::string* out) {
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
    if (n == 0 || n >= sizeof(full)) return false;
    *out = full;
    while (out->size() > 3 && out->back() == '\\') out->pop_back();
    return true;
}

// Where a Windows path lies in the image being written. Every file and folder the capture
// writes is placed through here, so nothing can land outside the temporary folder. The
// path is resolved twice, as the machine names it and placed below the image's drive_c,
// and the two must name the same place: they part when ".." climbs above C:\, which
// Windows stops at the root but which below drive_c would walk out of the image. Such a
// value is damaged, and we leave it out rather than guess the folder it meant. False, with
// the reason, for a path that is not recorded.
bool ImagePath(const Capture& cap, const std::string& winPath, std::string* out, std::string* why) {
    const std::string root = cap.tempDir + "\\drive_c";
    std::string machine;
    std::string image;
    if (!OnDriveC(winPath)) {
        *why = "not on drive C:";
    } else if (!ResolvedPath(winPath, &machine)) {
        *why = "cannot be resolved (too long or not a valid path)";
    } else if (!OnDriveC(machine)) {
        *why = "resolves to " + machine + ", not a file or folder on drive C:";
    } else if (!ResolvedPath(root + winPath.substr(2), &image)) {
        *why = "too long once placed in the image (a shorter OUTDIR helps)";
    } else if (image != (machine.size() > 3 ? root + machine.substr(2) : root)) {
        *why = "climbs above C:\\ (more \"..\" than folders)";
    } else {
        *out = image;
        return true;
    }
    return false;
}

// Makes a folder and the folders above it inside the image.
bool MakeFolders(const std::string& path) {
    if (IsDirectory(path)) return true;
    size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash))) return false;
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string Parent(const std::string& path) {
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

void Warn(const std::string& text) { fprintf(stderr, "FacetCapture: %s\n", text.c_str()); }

// Something of the machine that the image goes without: the capture still completes, but
// says it is incomplete.
void Note(Capture& cap, const std::string& what, const std::string& winPath, const std::string& why) {
    cap.notes.push_back(what + " " + winPath + ": " + why);
    Warn("not recorded: " + cap.notes.back());
}

// The same folder in the image, empty, when it exists on the machine: the run creates,
// looks up or writes into these, and whether they exist decides where things go. False
// when the folder is there but not in the image, so that nothing below it is tried.
bool CaptureFolder(Capture& cap, const std::string& winPath, const char* what = "folder") {
    std::string image;
    std::string why;
    if (winPath.empty() || !IsDirectory(winPath)) return true;
    if (!ImagePath(cap, winPath, &image, &why)) {
        Note(cap, what, winPath, why);
        return false;
    }
    if (!MakeFolders(image)) {
        Warn("cannot write " + image + ": " + ErrorText(GetLastError()));
        cap.failed = true;
        return false;
    }
    return true;
}

// A recording is kept: every file of it is on the disk before the folder is renamed
// into place, so a power cut after the capture loses none of it.
bool FlushToDisk(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = FlushFileBuffers(h);
    return CloseHandle(h) && ok;
}

// One file the run reads, when it exists on the machine.
void CaptureFile(Capture& cap, const std::string& winPath) {
    if (!IsFile(winPath)) return;
    std::string image;
    std::string why;
    if (!ImagePath(cap, winPath, &image, &why)) {
        Note(cap, "file", winPath, why);
        return;
    }
    if (!MakeFolders(Parent(image)) || !CopyFileA(winPath.c_str(), image.c_str(), TRUE)) {
        Warn("cannot copy " + winPath + ": " + ErrorText(GetLastError()));
        cap.failed = true;
        return;
    }
    // The copy must not carry the read-only mark into the image: the image stands for
    // read-only paths through its Faults, and tools must be able to replace the image.
    SetFileAttributesA(image.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!FlushToDisk(image)) {
        Warn("cannot write " + image + ": " + ErrorText(GetLastError()));
        cap.failed = true;
        return;
    }
    ++cap.fileCount;
}

// Every file below a folder, for the wallpaper tree.
void CaptureTree(Capture& cap, const std::string& winDir) {
    if (!IsDirectory(winDir) || !CaptureFolder(cap, winDir)) return;
    WIN32_FIND_DATAA found;
    HANDLE hFind = FindFirstFileA((winDir + "\\*").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = winDir + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CaptureTree(cap, path);
        } else {
            CaptureFile(cap, path);
        }
    } while (FindNextFileA(hFind, &found));
    FindClose(hFind);
}

// Files of one folder (not below it) whose names end in `suffix`, any case.
void CaptureFilesEndingIn(Capture& cap, const std::string& winDir, const char* suffix) {
    WIN32_FIND_DATAA found;
    HANDLE hFind = FindFirstFileA((winDir + "\\*").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE) return;
    size_t n = strlen(suffix);
    do {
        std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.size() < n) continue;
        if (lstrcmpiA(name.c_str() + name.size() - n, suffix) == 0) CaptureFile(cap, winDir + "\\" + name);
    } while (FindNextFileA(hFind, &found));
    FindClose(hFind);
}

// A value for machine.ini that reads back as itself: the profile reader trims blanks and
// strips one pair of matching outer quotes, so such a value is wrapped in double quotes.
std::string IniValue(const std::string& value) {
    if (value.empty()) return value;
    bool blanks = value.front() == ' ' || value.front() == '\t' || value.back() == ' ' || value.back() == '\t';
    bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.front() == value.back();
    return blanks || quoted ? "\"" + value + "\"" : value;
}

std::string Hex(DWORD value, int digits) {
    char text[16];
    snprintf(text, sizeof(text), "%0*lX", digits, static_cast<unsigned long>(value));
    return text;
}

std::string ShellFolder(int csidl, bool* ok) {
    char path[MAX_PATH] = "";
    *ok = SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path));
    return *ok ? std::string(path) : std::string();
}

std::string MachineIni(Capture& cap, const std::string& programFiles, bool programFilesOk,
                       const std::string& windows, bool windowsOk) {
    std::string ini = "; Recorded by FacetCapture: this machine as the Facet engine sees it.\r\n\r\n";
    ini += "[Machine]\r\nExecutable=" + IniValue(cap.exeDir + "\\Facet.exe") + "\r\n\r\n";

    // The library as the engine binds it: loaded by name from beside the program, each
    // export that is there called once.
    ZmintBinding zmint;
    if (OpenZmint(&zmint)) {
        std::string exports;
        auto add = [&exports](const void* fn, const char* name) {
            if (fn == nullptr) return;
            if (!exports.empty()) exports += ",";
            exports += name;
        };
        add(reinterpret_cast<const void*>(zmint.getModelName), "zmiGetModelName");
        add(reinterpret_cast<const void*>(zmint.getOSVersion), "zmiGetOSVersion");
        add(reinterpret_cast<const void*>(zmint.getMachineId), "zmiGetMachineId");
        ini += "[ZMINT]\r\nExports=" + exports + "\r\n";
        if (zmint.getModelName) {
            char szModelName[260];
            ZmintModelName(zmint, szModelName);
            ini += "ModelName=" + IniValue(szModelName) + "\r\n";
        }
        if (zmint.getMachineId) {
            char szMachineId[20];
            ZmintMachineId(zmint, szMachineId);
            ini += "MachineId=" + IniValue(szMachineId) + "\r\n";
        }
        if (zmint.getOSVersion) ini += "OSVersion=" + std::to_string(ZmintOSVersion(zmint)) + "\r\n";
        ini += "\r\n";
        CloseZmint(&zmint);
    } else {
        Warn("ZMINT.DLL cannot be loaded from beside the program; the image has no [ZMINT] section");
    }

    ini += "[Locale]\r\nUserDefaultLangID=" + Hex(GetUserDefaultLangID(), 4) +
           "\r\nSystemDefaultUILanguage=" + Hex(GetSystemDefaultUILanguage(), 4) + "\r\n\r\n";
    // A lookup that fails is a key that is present and empty.
    ini += "[Folders]\r\nProgramFiles=" + (programFilesOk ? IniValue(programFiles) : std::string()) +
           "\r\nWindows=" + (windowsOk ? IniValue(windows) : std::string()) + "\r\n\r\n";

    for (DWORD i = 0;; ++i) {
        DISPLAY_DEVICEA adapter;
        memset(&adapter, 0, sizeof(adapter));
        adapter.cb = sizeof(adapter);
        if (!EnumDisplayDevicesA(nullptr, i, &adapter, 0)) break;
        ini += "[Adapter" + std::to_string(i) + "]\r\nDeviceName=" + IniValue(adapter.DeviceName) +
               "\r\nDeviceString=" + IniValue(adapter.DeviceString) + "\r\nStateFlags=0x" +
               Hex(adapter.StateFlags, 8) + "\r\n";
        for (DWORD j = 0;; ++j) {
            DISPLAY_DEVICEA monitor;
            memset(&monitor, 0, sizeof(monitor));
            monitor.cb = sizeof(monitor);
            if (!EnumDisplayDevicesA(adapter.DeviceName, j, &monitor, 0)) break;
            ini += "Monitor" + std::to_string(j) + "=" + std::string(monitor.DeviceID) + "|0x" +
                   Hex(monitor.StateFlags, 8) + "\r\n";
        }
        ini += "\r\n";
    }

    std::string modes;
    for (DWORD i = 0;; ++i) {
        DEVMODEA mode;
        memset(&mode, 0, sizeof(mode));
        mode.dmSize = sizeof(mode);
        if (!EnumDisplaySettingsA(nullptr, i, &mode)) break;
        if (!modes.empty()) modes += ",";
        modes += std::to_string(mode.dmPelsWidth) + "x" + std::to_string(mode.dmPelsHeight);
    }
    if (!modes.empty()) ini += "[Display]\r\nModes=" + modes + "\r\n";
    return ini;
}

// One value of an open key into the registry being recorded; nothing when it is missing.
void RecordValue(HKEY hKey, const char* name, const std::string& path, formats::Registry* reg) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(hKey, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return;
    std::vector<BYTE> data(size + 2);
    DWORD got = size;
    if (RegQueryValueExA(hKey, name, nullptr, &type, data.data(), &got) != ERROR_SUCCESS) return;
    formats::RegValue value;
    value.name = name;
    value.type = type;
    value.data.assign(reinterpret_cast<const char*>(data.data()), got);
    bool text = type == REG_SZ || type == REG_EXPAND_SZ;
    if (text && (value.data.empty() || value.data.back() != '\0')) value.data += '\0';
    formats::CreateRegKey(*reg, path).values.push_back(value);
}

std::vector<std::string> Subkeys(HKEY hKey) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD len = sizeof(name);
        if (RegEnumKeyExA(hKey, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    return names;
}

// The EDID of every monitor instance, and the current user's values that the run reads
// or sets, as they stand now.
std::string RegistryReg() {
    formats::Registry reg;
    HKEY hEnum;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDisplayEnum, 0, KEY_READ, &hEnum) == ERROR_SUCCESS) {
        for (const std::string& model : Subkeys(hEnum)) {
            HKEY hModel;
            if (RegOpenKeyExA(hEnum, model.c_str(), 0, KEY_READ, &hModel) != ERROR_SUCCESS) continue;
            for (const std::string& instance : Subkeys(hModel)) {
                std::string path = std::string("HKEY_LOCAL_MACHINE\\") + kDisplayEnum + "\\" + model + "\\" + instance;
                HKEY hParams;
                std::string params = instance + "\\Device Parameters";
                if (RegOpenKeyExA(hModel, params.c_str(), 0, KEY_READ, &hParams) != ERROR_SUCCESS) {
                    formats::CreateRegKey(reg, path);  // an instance without an EDID still counts
                    continue;
                }
                formats::CreateRegKey(reg, path + "\\Device Parameters");
                RecordValue(hParams, "EDID", path + "\\Device Parameters", &reg);
                RegCloseKey(hParams);
            }
            RegCloseKey(hModel);
        }
        RegCloseKey(hEnum);
    }
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_READ, &hKey) == ERROR_SUCCESS) {
        std::string path = std::string("HKEY_CURRENT_USER\\") + kShellFolders;
        formats::CreateRegKey(reg, path);
        RecordValue(hKey, "Favorites", path, &reg);
        RegCloseKey(hKey);
    }
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kBrowserMain, 0, KEY_READ, &hKey) == ERROR_SUCCESS) {
        std::string path = std::string("HKEY_CURRENT_USER\\") + kBrowserMain;
        formats::CreateRegKey(reg, path);
        for (const char* name : {"Start Page", "Search Bar", "Use Custom Search URL"}) {
            RecordValue(hKey, name, path, &reg);
        }
        RegCloseKey(hKey);
    }
    return formats::FormatRegText(reg);
}

std::string FavoritesFolder() {
    HKEY hKey;
    std::string folder;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return folder;
    char value[MAX_PATH] = "";
    DWORD size = sizeof(value);
    if (RegQueryValueExA(hKey, "Favorites", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
        ERROR_SUCCESS) {
        value[sizeof(value) - 1] = '\0';
        folder = value;
        while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    }
    RegCloseKey(hKey);
    return folder;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size() && FlushFileBuffers(h);
    return CloseHandle(h) && ok;
}

// Removes the temporary folder of a capture that did not complete (only ever ours).
void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE hFind = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = dir + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(hFind, &found));
        FindClose(hFind);
    }
    RemoveDirectoryA(dir.c_str());
}

int Usage() {
    fprintf(stderr,
            "usage: FacetCapture OUTDIR [--with-assets]\n"
            "Records this machine, as the Facet engine sees it, into the new folder OUTDIR: machine.ini,\n"
            "registry.reg and drive_c/ with the files a branding run reads (and with --with-assets the\n"
            "wallpaper tree). Run it from the folder of Facet.exe, beside Facet.INI and ZMINT.DLL.\n"
            "Exit codes: 0 recorded; 3 recorded but incomplete: each path left out (not on drive C:, or\n"
            "climbing above C:\\) is a line of OUTDIR\\capture-notes.txt and of stderr; 1 something on the\n"
            "machine could not be read; 2 bad usage or OUTDIR cannot be written. On 1 and 2 nothing is written.\n");
    return 2;
}

int Fail(Capture& cap, const std::string& text, int code) {
    fprintf(stderr, "FacetCapture: %s\n", text.c_str());
    if (!cap.tempDir.empty()) RemoveTree(cap.tempDir);
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    Capture cap;
    std::string outArg;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--with-assets") {
            cap.withAssets = true;
        } else if (arg == "--help" || arg == "-h" || arg == "/?") {
            Usage();
            return 0;
        } else if (outArg.empty() && !arg.empty() && arg[0] != '-') {
            outArg = arg;
        } else {
            return Usage();
        }
    }
    if (outArg.empty()) return Usage();

    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(outArg.c_str(), sizeof(full), full, nullptr);
    if (n == 0 || n >= sizeof(full)) return Fail(cap, "cannot use OUTDIR " + outArg + ": path too long", 2);
    cap.outDir = full;
    while (cap.outDir.size() > 3 && cap.outDir.back() == '\\') cap.outDir.pop_back();
    if (GetFileAttributesA(cap.outDir.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return Fail(cap, "cannot write " + cap.outDir + ": it already exists (a capture makes a new folder)", 2);
    }
    if (!IsDirectory(Parent(cap.outDir) + "\\")) {
        return Fail(cap, "cannot write " + cap.outDir + ": the folder above it does not exist", 2);
    }
    std::string temp = cap.outDir + ".partial-" + std::to_string(GetCurrentProcessId());
    if (!CreateDirectoryA(temp.c_str(), nullptr)) {
        // Not made by us (or not made at all): nothing to remove.
        return Fail(cap, "cannot write " + cap.outDir + ": " + ErrorText(GetLastError()), 2);
    }
    cap.tempDir = temp;
    if (!CreateDirectoryA((cap.tempDir + "\\drive_c").c_str(), nullptr)) {
        return Fail(cap, "cannot write " + cap.outDir + ": " + ErrorText(GetLastError()), 2);
    }

    char self[MAX_PATH];
    n = GetModuleFileNameA(nullptr, self, sizeof(self));
    if (n == 0 || n >= sizeof(self)) return Fail(cap, "cannot tell where this program lies", 1);
    cap.exeDir = Parent(self);
    if (!IsFile(cap.exeDir + "\\Facet.exe")) Warn("no Facet.exe beside this program; recorded as if it were there");

    bool programFilesOk = false;
    bool windowsOk = false;
    std::string programFiles = ShellFolder(CSIDL_PROGRAM_FILES, &programFilesOk);
    std::string windows = ShellFolder(CSIDL_WINDOWS, &windowsOk);

    std::string ini = MachineIni(cap, programFiles, programFilesOk, windows, windowsOk);
    if (!WriteWholeFile(cap.tempDir + "\\machine.ini", ini) ||
        !WriteWholeFile(cap.tempDir + "\\registry.reg", RegistryReg())) {
        return Fail(cap, "cannot write " + cap.tempDir + ": " + ErrorText(GetLastError()), 2);
    }

    // Folders whose existence the run depends on: the log goes to C:\FACTORY\Util when
    // C:\FACTORY is there, the work folder is made under Program Files, the copies and
    // shortcut files go into folders the run does not create.
    CaptureFolder(cap, cap.exeDir);
    CaptureFolder(cap, "C:\\FACTORY");
    CaptureFolder(cap, "C:\\FACTORY\\Util");
    if (programFilesOk) {
        CaptureFolder(cap, programFiles);
        CaptureFolder(cap, programFiles + "\\Corvane");
        CaptureFolder(cap, programFiles + "\\Corvane\\Facet");
        CaptureFolder(cap, programFiles + "\\Internet Explorer\\SIGNUP");
        CaptureFile(cap, programFiles + "\\Internet Explorer\\SIGNUP\\INSTALL.INS");
    }
    if (windowsOk) {
        CaptureFolder(cap, windows);
        CaptureFolder(cap, windows + "\\Web\\Wallpaper");
    }
    std::string favorites = FavoritesFolder();
    // Shortcut files the run may edit in place.
    if (!favorites.empty() && CaptureFolder(cap, favorites, "Favorites folder")) {
        CaptureFilesEndingIn(cap, favorites, ".URL");
    }

    CaptureFile(cap, cap.exeDir + "\\Facet.INI");
    CaptureFile(cap, cap.exeDir + "\\FacetVer.exe");
    CaptureFile(cap, "C:\\factory\\Util\\QOR.INI");
    if (cap.withAssets) CaptureTree(cap, cap.exeDir + "\\Bitmap\\Wallpapers");

    if (cap.failed) return Fail(cap, "the capture is incomplete; nothing was written to " + cap.outDir, 1);
    if (!cap.notes.empty()) {
        std::string text;
        for (const std::string& note : cap.notes) text += note + "\r\n";
        if (!WriteWholeFile(cap.tempDir + "\\" + kNotesFile, text)) {
            return Fail(cap, "cannot write " + cap.tempDir + ": " + ErrorText(GetLastError()), 2);
        }
    }
    if (!MoveFileA(cap.tempDir.c_str(), cap.outDir.c_str())) {
        return Fail(cap, "cannot write " + cap.outDir + ": " + ErrorText(GetLastError()), 2);
    }
    printf("FacetCapture: recorded this machine in %s (%d files)\n", cap.outDir.c_str(), cap.fileCount);
    if (cap.notes.empty()) return 0;
    Warn("the capture is incomplete: " + std::to_string(cap.notes.size()) + " not recorded, listed in " +
         cap.outDir + "\\" + kNotesFile);
    return 3;
}
