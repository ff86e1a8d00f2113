#include "platform/host/machine.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "formats/ascii.h"
#include "platform/host/file_cache.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"
#include "formats/reg_format.h"

namespace host {
using namespace formats;
namespace {

struct Machine {
    bool open = false;
    std::string dir;
    std::string iniText;
    ProfileIndex ini;                                // over iniText, which never moves after opening
    std::unordered_map<std::string, long> adapters;  // lower-cased DeviceName -> first N of [AdapterN]
    std::vector<std::string> readOnly;               // normalized paths
    std::vector<std::string> readOnlyKeys;           // registry key paths, lower case
    Registry registry;
};

Machine g_machine;

bool IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

bool InvalidNameChar(unsigned char c) {
    return c < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*';
}

namespace {

// registry.reg, mapped into memory rather than read: the parsed registry keeps the text,
// and a mapping costs neither a copy nor a page of our own for each page of the file.
// The file is only ever replaced by a rename, never changed in place, so the mapping keeps
// showing what was read. Without a file the registry is empty.
bool ReadMachineRegistry(const std::string& path, Registry* reg, std::string* error) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
        if (fd >= 0) close(fd);
        std::string bytes;
        return !ReadHostFile(path, &bytes) || ParseRegFile(std::move(bytes), reg, error);
    }
    size_t size = static_cast<size_t>(st.st_size);
    void* addr = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (addr == MAP_FAILED) {
        std::string bytes;
        return !ReadHostFile(path, &bytes) || ParseRegFile(std::move(bytes), reg, error);
    }
    std::shared_ptr<const void> owner(addr, [size](const void* p) { munmap(const_cast<void*>(p), size); });
    return ParseRegShared(std::string_view(static_cast<const char*>(addr), size), std::move(owner), reg, error);
}

}  // namespace

bool OpenMachine(const std::string& dir, std::string* error) {
    CloseMachine();
    ForgetAllCaches();
    if (!IsDirectory(dir)) {
        *error = "not a folder: " + dir;
        return false;
    }
    std::ifstream ini(dir + "/machine.ini", std::ios::binary);
    if (!ini) {
        *error = "no readable machine.ini in " + dir;
        return false;
    }
    std::ostringstream text;
    text << ini.rdbuf();
    if (!IsDirectory(dir + "/drive_c")) {
        *error = "no drive_c folder in " + dir;
        return false;
    }
    if (!ReadMachineRegistry(dir + "/registry.reg", &g_machine.registry, error)) {
        g_machine = Machine();
        return false;
    }
    g_machine.dir = dir;
    g_machine.iniText = text.str();
    ProfileIndexBuild(g_machine.iniText, &g_machine.ini);
    g_machine.open = true;
    for (long i = 0;; ++i) {
        std::string section = "Adapter" + std::to_string(i);
        if (!MachineHasSection(section.c_str())) break;
        std::string name;
        MachineValue(section.c_str(), "DeviceName", &name);
        g_machine.adapters.emplace(AsciiLowerText(name), i);
    }

    std::string faults;
    if (MachineValue("Faults", "ReadOnly", &faults)) {
        std::stringstream list(faults);
        std::string item;
        while (std::getline(list, item, ';')) {
            size_t b = item.find_first_not_of(" \t");
            if (b == std::string::npos) continue;
            item = item.substr(b, item.find_last_not_of(" \t") - b + 1);
            MappedPath mapped;
            if (MapPath(item.c_str(), &mapped) != 0) {
                *error = "machine.ini: Faults ReadOnly holds a path that is not on C: or not valid: " + item;
                CloseMachine();
                return false;
            }
            g_machine.readOnly.push_back(mapped.normalized);
        }
    }
    if (MachineValue("Faults", "ReadOnlyKeys", &faults)) {
        std::stringstream list(faults);
        std::string item;
        while (std::getline(list, item, ';')) {
            size_t b = item.find_first_not_of(" \t\\");
            if (b == std::string::npos) continue;
            item = item.substr(b, item.find_last_not_of(" \t\\") - b + 1);
            g_machine.readOnlyKeys.push_back(AsciiLowerText(item));
        }
    }
    return true;
}

bool IsRegistryKeyReadOnly(const std::string& keyPath) {
    std::string lowered = AsciiLowerText(keyPath);
    for (const std::string& ro : g_machine.readOnlyKeys) {
        if (lowered == ro || lowered.compare(0, ro.size() + 1, ro + "\\") == 0) return true;
    }
    return false;
}

void CloseMachine() {
    g_machine = Machine();
    ForgetAllCaches();
}

bool MachineIsOpen() { return g_machine.open; }

const std::string& MachineDir() { return g_machine.dir; }

Registry& MachineRegistry() { return g_machine.registry; }

DWORD SaveMachineRegistry() {
    if (!g_machine.open) return ERROR_INVALID_HANDLE;
    return ReplaceFileFrom(g_machine.dir + "/registry.reg", [](const PutBytes& put, DWORD*) {
        return FormatRegTextTo(g_machine.registry, put);
    });
}

bool MachineValue(const char* section, const char* key, std::string* value) {
    std::string_view v;
    if (!g_machine.open || !ProfileIndexFind(g_machine.ini, section, key, &v)) return false;
    value->assign(v.data(), v.size());
    return true;
}

bool MachineHasSection(const char* section) {
    return g_machine.open && ProfileIndexHasSection(g_machine.ini, section);
}

long MachineAdapterByName(const char* deviceName) {
    auto it = g_machine.adapters.find(AsciiLowerText(deviceName));
    return it == g_machine.adapters.end() ? -1 : it->second;
}

DWORD MapPath(const char* winPath, MappedPath* out) {
    *out = MappedPath();
    // Without an open image there is no C: drive, and nothing may reach the host's own files.
    if (!g_machine.open || winPath == nullptr || winPath[0] == '\0') return ERROR_PATH_NOT_FOUND;
    size_t len = strlen(winPath);
    if (len >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;

    const char* rest = winPath;
    if (len >= 2 && winPath[1] == ':') {
        if (AsciiLower(winPath[0]) != 'c') return ERROR_PATH_NOT_FOUND;  // the image has C: only
        rest = winPath + 2;
    }
    // Relative paths and paths starting with a single backslash are taken from the root
    // of C:, the current drive and folder of a run in the image.
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&]() -> DWORD {
        // Windows drops trailing dots and spaces of a name.
        while (!part.empty() && (part.back() == '.' || part.back() == ' ') && part != "." && part != "..") {
            part.pop_back();
        }
        if (part.empty() || part == ".") {
        } else if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else {
            for (unsigned char c : part) {
                if (InvalidNameChar(c)) return ERROR_INVALID_NAME;
            }
            parts.push_back(part);
        }
        part.clear();
        return 0;
    };
    for (const char* p = rest; *p; ++p) {
        if (*p == '\\' || *p == '/') {
            if (DWORD err = flush()) return err;
        } else {
            part += *p;
        }
    }
    if (DWORD err = flush()) return err;

    out->host = g_machine.dir + "/drive_c";
    out->normalized = "c:";
    bool exists = true;
    for (const std::string& name : parts) {
        std::string actual;
        if (exists && CachedFolderEntry(out->host, name, &actual)) {
            out->host += "/" + actual;
        } else {
            exists = false;
            out->host += "/" + name;
        }
        out->normalized += "\\" + AsciiLowerText(name);
    }
    if (parts.empty()) out->normalized += "\\";
    // A name found in its folder's listing (checked against the folder's time just now)
    // exists; only the root itself is looked at again.
    out->exists = exists && (!parts.empty() || Exists(out->host));
    return 0;
}

DWORD ReplaceFileContent(const std::string& hostPath, const std::string& bytes) {
    return ReplaceFileFrom(hostPath, [&bytes](const PutBytes& put, DWORD*) { return put(bytes); });
}

bool ReadHostFile(const std::string& hostPath, std::string* bytes) {
    // Read straight into a string of the file's size: a large file is held once, not
    // two or three times over while it is read.
    int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        return false;
    }
    std::string text;
    text.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    char more[65536];  // for a file that grew, or reports size 0
    for (;;) {
        bool inPlace = done < text.size();
        ssize_t n = inPlace ? read(fd, &text[done], text.size() - done) : read(fd, more, sizeof(more));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return false;
        }
        if (n == 0) break;
        if (!inPlace) text.append(more, static_cast<size_t>(n));
        done += static_cast<size_t>(n);
    }
    close(fd);
    text.resize(done);
    *bytes = std::move(text);
    return true;
}

bool HostIsDirectory(const std::string& hostPath) { return IsDirectory(hostPath); }

bool HostParentIsDirectory(const std::string& hostPath) {
    size_t slash = hostPath.rfind('/');
    return slash != std::string::npos && IsDirectory(hostPath.substr(0, slash));
}

DWORD ErrorFromErrno(int err) {
    switch (err) {
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EEXIST: return ERROR_ALREADY_EXISTS;
        case ENOSPC: return ERROR_DISK_FULL;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        case EBUSY:
        case ETXTBSY: return ERROR_SHARING_VIOLATION;
        default: return ERROR_ACCESS_DENIED;
    }
}

bool IsReadOnly(const MappedPath& path) {
    for (const std::string& ro : g_machine.readOnly) {
        if (path.normalized == ro) return true;
        std::string prefix = ro.back() == '\\' ? ro : ro + "\\";
        if (path.normalized.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
}

}  // namespace host
