#include "platform/host/image.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

#include "formats/ascii.h"
#include "formats/codepage.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"
#include "platform/host/machine.h"

namespace host {

bool InvalidNameChar(unsigned char c) {
    return c < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*';
}

namespace {

// Files of the image that are read whole: far beyond anything real, small enough that a
// mistaken file cannot exhaust memory.
constexpr uint64_t kMachineIniLimit = 16u << 20;
constexpr uint64_t kRegistryLimit = 1ull << 30;
// Bytes appended to one file that the journal keeps (the log of a run is a few KB).
constexpr size_t kAppendedKept = 4u << 20;
constexpr DWORD kFileTooLarge = 223;  // ERROR_FILE_TOO_LARGE

Image* g_current = nullptr;
Durability g_defaultDurability = Durability::Atomic;

int64_t Nanos(const timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1000000000LL + t.tv_nsec; }

std::string FolderOf(const std::string& hostPath) {
    size_t slash = hostPath.rfind('/');
    return slash == std::string::npos ? std::string() : hostPath.substr(0, slash);
}

// realpath() of a path that must lie inside `root` (itself resolved); false when it
// cannot be resolved (dangling, a loop) or leads out.
bool ResolveInside(const std::string& path, const std::string& root, std::string* resolved) {
    char* rp = realpath(path.c_str(), nullptr);
    if (rp == nullptr) return false;
    std::string r = rp;
    free(rp);
    if (r != root && r.compare(0, root.size() + 1, root + "/") != 0) return false;
    *resolved = r;
    return true;
}

// A file of the image folder itself (machine.ini, registry.reg): a regular file inside
// the folder. 0 when there is none, 1 when it is fine, -1 when it is something else.
int ImageFile(const std::string& dir, const char* name, std::string* path, std::string* error) {
    std::string p = dir + "/" + name;
    struct stat st;
    if (lstat(p.c_str(), &st) != 0) return 0;
    if (S_ISLNK(st.st_mode) && !ResolveInside(p, dir, &p)) {
        *error = std::string(name) + " is a link that leads out of the image";
        return -1;
    }
    if (stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = std::string(name) + " is not a regular file";
        return -1;
    }
    *path = p;
    return 1;
}

// Reads a regular file whole, never waiting on a pipe or reading a device.
DWORD ReadRegular(const std::string& path, std::string* bytes, uint64_t limit) {
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return ErrorFromErrno(errno);
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return ERROR_ACCESS_DENIED;
    }
    if (static_cast<uint64_t>(st.st_size) > limit) {
        close(fd);
        return kFileTooLarge;
    }
    std::string text;
    text.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    char more[65536];  // for a file that grew while we read it
    for (;;) {
        bool inPlace = done < text.size();
        ssize_t n = inPlace ? read(fd, &text[done], text.size() - done) : read(fd, more, sizeof(more));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int err = errno;
            close(fd);
            return ErrorFromErrno(err);
        }
        if (n == 0) break;
        if (!inPlace) {
            if (done + static_cast<size_t>(n) > limit) {
                close(fd);
                return kFileTooLarge;
            }
            text.append(more, static_cast<size_t>(n));
        }
        done += static_cast<size_t>(n);
    }
    close(fd);
    text.resize(done);
    *bytes = std::move(text);
    return 0;
}

// An advisory lock on a folder for one read-modify-write of a file in it, so that two
// runs on one image never lose each other's changes. A folder that cannot be locked is
// written without the lock, as before.
class FolderLock {
public:
    explicit FolderLock(const std::string& dir) {
        fd_ = open(dir.empty() ? "/" : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0) {
            while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) close(fd_);  // closing releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

// The temporary files of a write: ".facet-PID-N.tmp". One left by a process that is
// gone (a run that was killed) is removed when its folder is next written.
bool IsStaleTemp(const std::string& name) {
    unsigned long pid = 0;
    unsigned long n = 0;
    char tail[8] = "";
    if (sscanf(name.c_str(), ".facet-%lu-%lu.%7s", &pid, &n, tail) != 3 || strcmp(tail, "tmp") != 0) return false;
    if (pid == static_cast<unsigned long>(getpid()) || pid > INT_MAX) return false;
    return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// The items of a ";"-separated list of machine.ini's [Faults], each without the
// characters `trim` at its ends; empty items are left out.
std::vector<std::string> FaultList(const std::string& text, const char* trim) {
    std::vector<std::string> items;
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ';')) {
        size_t b = item.find_first_not_of(trim);
        if (b != std::string::npos) items.push_back(item.substr(b, item.find_last_not_of(trim) - b + 1));
    }
    return items;
}

}  // namespace

DWORD ErrorFromErrno(int err) {
    switch (err) {
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
        case ELOOP: return ERROR_PATH_NOT_FOUND;
        case EEXIST: return ERROR_ALREADY_EXISTS;
        case ENOSPC: return ERROR_DISK_FULL;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        case EBUSY:
        case ETXTBSY: return ERROR_SHARING_VIOLATION;
        default: return ERROR_ACCESS_DENIED;
    }
}

// A file or folder held in memory over the image folder: put there by a tool, or
// written by a dry run. Its content is the bytes of a host file (a copy not made), if
// any, followed by bytes of its own.
struct Image::Node {
    bool folder = false;
    bool gone = false;  // hidden: nothing is there
    std::string name;   // as it was named
    std::string hostSource;
    uint64_t sourceSize = 0;
    std::string bytes;
    uint64_t generation = 0;
    uint64_t size() const { return sourceSize + bytes.size(); }
};

struct Image::Listing {
    Stamp stamp;
    struct Entry {
        std::string name;
        unsigned char type;  // DT_*
    };
    // Lower-cased name -> the names on disk with that spelling folded, in directory order.
    std::unordered_map<std::string, std::vector<Entry>> names;
};

struct Image::CachedProfile {
    Stamp stamp;
    uint64_t generation = 0;  // of the node, for one held in memory
    std::string bytes;
    std::string unicode;  // the UTF-8 form of a UTF-16LE file, which the index is over
    formats::ProfileIndex index;
};

// What a dry run has done to the registry: keys it created and values it set, by
// lower-cased path.
struct Image::RegOverlay {
    std::map<std::string, std::string> keys;  // lower-cased path -> path as created
    std::map<std::string, std::vector<formats::RegValue>> values;
};

Image::Image() : durability_(g_defaultDurability) {}

void Image::SetDefaultDurability(Durability durability) { g_defaultDurability = durability; }
Image::~Image() {
    if (g_current == this) g_current = nullptr;
}

std::unique_ptr<Image> Image::InMemory(const std::string& machineIni) {
    std::unique_ptr<Image> image(new Image());
    std::string ignored;
    image->LoadMachineIni(machineIni, &ignored);
    return image;
}

std::unique_ptr<Image> Image::Open(const std::string& dir, std::string* error) {
    std::unique_ptr<Image> image(new Image());
    char* rp = realpath(dir.c_str(), nullptr);
    struct stat st;
    if (rp == nullptr || stat(rp, &st) != 0 || !S_ISDIR(st.st_mode)) {
        free(rp);
        *error = "not a folder: " + dir;
        return nullptr;
    }
    image->dir_ = rp;
    free(rp);

    std::string path;
    int found = ImageFile(image->dir_, "machine.ini", &path, error);
    if (found == 0) *error = "no readable machine.ini in " + dir;
    if (found != 1) return nullptr;
    std::string text;
    DWORD err = ReadRegular(path, &text, kMachineIniLimit);
    if (err != 0) {
        *error = err == kFileTooLarge ? "machine.ini is larger than 16 MB" : "no readable machine.ini in " + dir;
        return nullptr;
    }

    std::string drive = image->dir_ + "/drive_c";
    if (lstat(drive.c_str(), &st) != 0 || !ResolveInside(drive, image->dir_, &image->driveRoot_) ||
        stat(image->driveRoot_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *error = "no drive_c folder in " + dir;
        return nullptr;
    }
    if (!image->LoadRegistry(error)) return nullptr;
    if (!image->LoadMachineIni(std::move(text), error)) return nullptr;
    return image;
}

bool Image::LoadMachineIni(std::string text, std::string* error) {
    machineText_ = std::move(text);
    formats::ProfileIndexBuild(machineText_, &machine_);
    adapters_.clear();
    for (long i = 0;; ++i) {
        std::string section = "Adapter" + std::to_string(i);
        if (!MachineHasSection(section.c_str())) break;
        std::string name;
        MachineValue(section.c_str(), "DeviceName", &name);
        adapters_.emplace(formats::AsciiLowerText(name), i);
    }
    std::string faults;
    readOnly_.clear();
    if (MachineValue("Faults", "ReadOnly", &faults)) {
        for (const std::string& item : FaultList(faults, " \t")) {
            MappedPath mapped;
            if (MapPath(item.c_str(), &mapped) != 0) {
                *error = "machine.ini: Faults ReadOnly holds a path that is not on C: or not valid: " + item;
                return false;
            }
            readOnly_.push_back(mapped.normalized);
        }
    }
    readOnlyKeys_.clear();
    if (MachineValue("Faults", "ReadOnlyKeys", &faults)) {
        for (const std::string& item : FaultList(faults, " \t\\")) readOnlyKeys_.push_back(formats::AsciiLowerText(item));
    }
    return true;
}

// registry.reg is read into memory, never mapped: a file changed in place by another
// program then cannot pull the pages from under the parsed registry.
bool Image::LoadRegistry(std::string* error) {
    std::string path;
    int found = ImageFile(dir_, "registry.reg", &path, error);
    if (found < 0) return false;
    registryStamp_ = Stamp();
    if (found == 0) {
        registry_ = formats::Registry();
        return true;
    }
    std::string bytes;
    DWORD err = ReadRegular(path, &bytes, kRegistryLimit);
    if (err != 0) {
        *error = err == kFileTooLarge ? "registry.reg is larger than 1 GB" : "registry.reg cannot be read";
        return false;
    }
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        registryStamp_ = Stamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                               static_cast<uint64_t>(st.st_size), Nanos(st.st_mtim), Nanos(st.st_ctim)};
    }
    return formats::ParseRegFile(std::move(bytes), &registry_, error);
}

bool Image::MachineValue(const char* section, const char* key, std::string* value) {
    std::string_view v;
    if (!formats::ProfileIndexFind(machine_, section, key, &v)) return false;
    value->assign(v.data(), v.size());
    return true;
}

bool Image::MachineHasSection(const char* section) { return formats::ProfileIndexHasSection(machine_, section); }

long Image::AdapterByName(const char* deviceName) const {
    auto it = adapters_.find(formats::AsciiLowerText(deviceName));
    return it == adapters_.end() ? -1 : it->second;
}

// ---------------------------------------------------------------------------------------
// Paths

Image::Node* Image::FindNode(const std::string& normalized) {
    if (dryRun_) {
        auto it = dry_.find(normalized);
        if (it != dry_.end()) return it->second.get();
    }
    auto it = put_.find(normalized);
    return it == put_.end() ? nullptr : it->second.get();
}

Image::Listing* Image::ListFolder(const std::string& hostDir) {
    auto it = listings_.find(hostDir);
    if (trusted_ && it != listings_.end()) return it->second.get();
    struct stat st;
    if (stat(hostDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        listings_.erase(hostDir);
        return nullptr;
    }
    Stamp stamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<uint64_t>(st.st_size),
                Nanos(st.st_mtim), Nanos(st.st_ctim)};
    if (it != listings_.end() && it->second->stamp == stamp) return it->second.get();
    DIR* d = opendir(hostDir.c_str());
    if (!d) return nullptr;
    auto listing = std::make_unique<Listing>();
    listing->stamp = stamp;
    while (struct dirent* e = readdir(d)) {
        std::string entry = e->d_name;
        if (entry == "." || entry == "..") continue;
        listing->names[formats::AsciiLowerText(entry)].push_back({entry, e->d_type});
    }
    closedir(d);
    return listings_.insert_or_assign(hostDir, std::move(listing)).first->second.get();
}

void Image::Forget(const std::string& hostPath) {
    profiles_.erase(hostPath);
    listings_.erase(FolderOf(hostPath));
    listings_.erase(hostPath);
}

DWORD Image::MapPath(const char* winPath, MappedPath* out) { return Map(winPath, false, out); }

DWORD Image::Map(const char* winPath, bool leavingLinksMissing, MappedPath* out) {
    *out = MappedPath();
    if (winPath == nullptr || winPath[0] == '\0') return ERROR_PATH_NOT_FOUND;
    size_t len = strlen(winPath);
    if (len >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;

    const char* rest = winPath;
    if (len >= 2 && winPath[1] == ':') {
        if (formats::AsciiLower(winPath[0]) != 'c') return ERROR_PATH_NOT_FOUND;  // the image has C: only
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

    // Walk the names from the root: each one is taken from memory, else from its
    // folder's listing in the case it has on disk, else as named (from there on nothing
    // exists). A link is resolved at once and must stay inside the drive.
    out->host = driveRoot_.empty() ? std::string("/nonexistent-image/drive_c") : driveRoot_;
    out->normalized = "c:";
    out->shown = "C:";
    bool exists = true;
    bool folder = true;
    bool onDisk = !driveRoot_.empty();
    bool regular = false;
    bool inMemory = driveRoot_.empty();
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& name = parts[i];
        out->parentFolder = exists && folder;
        out->parentInMemory = exists && folder && inMemory;
        out->normalized += "\\" + formats::AsciiLowerText(name);
        std::string actual = name;
        if (exists && folder) {
            if (Node* node = FindNode(out->normalized); node && node->gone) {
                exists = false;
            } else if (node) {
                actual = node->name;
                folder = node->folder;
                regular = !node->folder;
                inMemory = true;
                onDisk = false;
            } else if (onDisk) {
                const Listing* listing = ListFolder(out->host);
                const Listing::Entry* entry = nullptr;
                if (listing) {
                    auto found = listing->names.find(formats::AsciiLowerText(name));
                    if (found != listing->names.end()) {
                        entry = &found->second.front();
                        for (const Listing::Entry& e : found->second) {
                            if (e.name == name) entry = &e;  // an exact match wins
                        }
                    }
                }
                if (entry == nullptr) {
                    exists = false;
                } else {
                    actual = entry->name;
                    std::string host = out->host + "/" + actual;
                    unsigned char type = entry->type;
                    struct stat st;
                    bool leaves = false;
                    if (type == DT_UNKNOWN || type == DT_LNK) {
                        if (lstat(host.c_str(), &st) != 0) return ERROR_PATH_NOT_FOUND;
                        if (S_ISLNK(st.st_mode)) {
                            // Followed only while it stays inside the image's drive.
                            leaves = !ResolveInside(host, driveRoot_, &host) || stat(host.c_str(), &st) != 0;
                            if (leaves && !leavingLinksMissing) return ERROR_PATH_NOT_FOUND;
                        }
                        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG
                                                                                  : DT_FIFO;
                    }
                    if (!leaves) {
                        folder = type == DT_DIR;
                        regular = type == DT_REG;
                        inMemory = false;
                        out->host = host;
                        out->shown += "\\" + actual;
                        continue;
                    }
                    exists = false;
                }
            } else {
                exists = false;
            }
        } else {
            exists = false;
        }
        out->host += "/" + actual;
        out->shown += "\\" + actual;
    }
    if (parts.empty()) {
        out->normalized += "\\";
        out->shown += "\\";
        out->parentFolder = true;
        out->exists = true;
        out->folder = true;
        out->inMemory = inMemory;
        return 0;
    }
    out->exists = exists;
    out->folder = exists && folder;
    out->regular = exists && regular;
    out->inMemory = exists && inMemory;
    return 0;
}

bool Image::IsReadOnly(const MappedPath& path) const {
    for (const std::string& ro : readOnly_) {
        if (path.normalized == ro) return true;
        std::string prefix = ro.back() == '\\' ? ro : ro + "\\";
        if (path.normalized.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
}

bool Image::IsRegistryKeyReadOnly(const std::string& keyPath) const {
    std::string lowered = formats::AsciiLowerText(keyPath);
    for (const std::string& ro : readOnlyKeys_) {
        if (lowered == ro || lowered.compare(0, ro.size() + 1, ro + "\\") == 0) return true;
    }
    return false;
}

// Every folder of `folderPath` ("C:\a\b") that the image lacks, held in memory.
void Image::PutMissingFolders(const std::string& folderPath) {
    for (size_t end = 3; end <= folderPath.size(); ++end) {
        if (end < folderPath.size() && folderPath[end] != '\\') continue;
        std::string prefix = folderPath.substr(0, end);
        MappedPath above;
        if (Map(prefix.c_str(), true, &above) == 0 && !above.exists) {
            auto node = std::make_unique<Node>();
            node->folder = true;
            node->name = prefix.substr(prefix.rfind('\\') + 1);
            put_[above.normalized] = std::move(node);
        }
    }
}

void Image::Put(const std::string& winPath, std::string bytes) {
    // A link on the way that leaves the image is missing for the image, and what a tool
    // puts there stands over it in memory (the link itself is never followed).
    MappedPath path;
    if (Map(winPath.c_str(), true, &path) != 0) return;
    PutMissingFolders(path.shown.substr(0, path.shown.rfind('\\')));
    auto node = std::make_unique<Node>();
    node->name = path.shown.substr(path.shown.rfind('\\') + 1);
    node->bytes = std::move(bytes);
    node->generation = 1;
    profiles_.erase("mem:" + path.normalized);
    put_[path.normalized] = std::move(node);
}

void Image::PutFolder(const std::string& winPath) {
    MappedPath path;
    if (Map(winPath.c_str(), true, &path) == 0) PutMissingFolders(path.shown);
}

void Image::Hide(const std::string& winPath) {
    MappedPath path;
    if (Map(winPath.c_str(), true, &path) != 0) return;
    auto node = std::make_unique<Node>();
    node->gone = true;
    profiles_.erase("mem:" + path.normalized);
    put_[path.normalized] = std::move(node);
}

void Image::PutHostFile(const std::string& winPath, const std::string& hostPath) {
    // A pipe, a device or a folder is no file: nothing is put, as for a missing one.
    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    Put(winPath, std::string());
    MappedPath path;
    if (MapPath(winPath.c_str(), &path) != 0) return;
    Node* node = FindNode(path.normalized);
    if (node == nullptr) return;
    node->hostSource = hostPath;
    node->sourceSize = static_cast<uint64_t>(st.st_size);
}

// ---------------------------------------------------------------------------------------
// The journal

const Journal::File* Journal::FindFile(std::string_view winPath) const {
    for (const File& f : files) {
        if (formats::AsciiSameText(f.path, winPath)) return &f;
    }
    return nullptr;
}

const Journal& Image::journal() const { return dryRun_ ? dryJournal_ : journal_; }

Journal Image::TakeJournal() {
    Journal taken = std::move(journal_);
    journal_ = Journal();
    journalFiles_[0].clear();
    return taken;
}

Journal::File Image::StateBefore(const MappedPath& path) {
    Journal::File f;
    f.path = path.shown;
    f.folder = path.folder;
    f.existed = path.exists;
    if (path.exists && !path.folder) FileSize(path, &f.sizeBefore);
    f.exists = path.exists;
    f.sizeAfter = f.sizeBefore;
    return f;
}

Journal::File& Image::JournalFile(const MappedPath& path, const Journal::File& before) {
    Journal& j = dryRun_ ? dryJournal_ : journal_;
    std::map<std::string, size_t>& index = journalFiles_[dryRun_ ? 1 : 0];
    auto it = index.find(path.normalized);
    if (it != index.end()) return j.files[it->second];
    index[path.normalized] = j.files.size();
    j.files.push_back(before);
    return j.files.back();
}

void Image::NoteFailure(const std::string& what, DWORD error, const std::string& section, const std::string& key) {
    (dryRun_ ? dryJournal_ : journal_).failures.push_back({what, error, section, key});
}

// ---------------------------------------------------------------------------------------
// Files

bool Image::WritesToMemory(const MappedPath& path) {
    return dryRun_ || driveRoot_.empty() || path.inMemory || (!path.exists && path.parentInMemory) ||
           FindNode(path.normalized) != nullptr;
}

// The node a write in memory goes to: the dry run's own (made from what was there when
// the dry run first touches it), or the one put there.
Image::Node& Image::MemoryFile(const MappedPath& path) {
    auto& nodes = dryRun_ ? dry_ : put_;
    auto it = nodes.find(path.normalized);
    if (it != nodes.end()) return *it->second;
    auto node = std::make_unique<Node>();
    node->name = path.shown.substr(path.shown.rfind('\\') + 1);
    if (Node* below = FindNode(path.normalized); below && !below->gone) {
        *node = *below;
    } else if (path.exists && !path.folder) {
        node->hostSource = path.host;
        FileSize(path, &node->sourceSize);
    }
    return *nodes.insert_or_assign(path.normalized, std::move(node)).first->second;
}

DWORD Image::ReadNode(const Node& node, std::string* bytes, uint64_t limit) {
    if (node.size() > limit) return kFileTooLarge;
    std::string out;
    if (!node.hostSource.empty()) {
        if (DWORD err = ReadRegular(node.hostSource, &out, limit)) return err;
        out.resize(std::min<uint64_t>(out.size(), node.sourceSize));
    }
    out += node.bytes;
    *bytes = std::move(out);
    return 0;
}

DWORD Image::ReadFile(const MappedPath& path, std::string* bytes, uint64_t limit) {
    if (!path.exists) return path.parentFolder ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    if (path.folder) return ERROR_ACCESS_DENIED;
    if (Node* node = FindNode(path.normalized)) return ReadNode(*node, bytes, limit);
    // A pipe or a device is never opened: opening one can wait, or act (a watchdog starts).
    if (!path.regular) return ERROR_ACCESS_DENIED;
    return ReadRegular(path.host, bytes, limit);
}

DWORD Image::ReadHead(const MappedPath& path, size_t max, std::string* bytes) {
    if (!path.exists) return path.parentFolder ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    if (!path.regular) return ERROR_ACCESS_DENIED;
    std::string source = path.host;
    std::string tail;
    uint64_t sourceSize = UINT64_MAX;  // a node takes only the first bytes of its source
    if (Node* node = FindNode(path.normalized)) {
        source = node->hostSource;
        tail = node->bytes;
        sourceSize = node->sourceSize;
    }
    std::string out;
    if (!source.empty()) {
        int fd = open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat st;
        if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            if (fd >= 0) close(fd);
            return ERROR_ACCESS_DENIED;
        }
        // The buffer is the file's size when that is less: a head of a small file must not
        // cost the whole limit (wallpapers are checked with a limit of megabytes).
        const size_t want = std::min<uint64_t>({max, static_cast<uint64_t>(st.st_size), sourceSize});
        out.resize(want);
        size_t done = 0;
        while (done < want) {
            ssize_t n = read(fd, &out[done], want - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        close(fd);
        out.resize(done);
    }
    out += tail.substr(0, max - std::min(max, out.size()));
    *bytes = std::move(out);
    return 0;
}

DWORD Image::FileSize(const MappedPath& path, uint64_t* size) {
    *size = 0;
    if (!path.exists) return ERROR_FILE_NOT_FOUND;
    if (Node* node = FindNode(path.normalized)) {
        *size = node->size();
        return 0;
    }
    struct stat st;
    if (stat(path.host.c_str(), &st) != 0) return ErrorFromErrno(errno);
    *size = static_cast<uint64_t>(st.st_size);
    return 0;
}

// A new file beside the one it will replace: ".facet-PID-N.tmp", a name of this process
// and write (a short one, so that it fits wherever the file's own name fits). A file or
// folder of that name left by an earlier run is never opened or touched: the next
// number is taken instead; one left by a process that is gone is removed first.
DWORD Image::MakeTemp(const std::string& dir, std::string* temp, int* fd) {
    // Looked for once per folder and image: a run that writes one file many times pays
    // for the folder's listing once.
    if (swept_.insert(dir).second) {
        if (DIR* d = opendir(dir.c_str())) {
            while (struct dirent* e = readdir(d)) {
                struct stat st;
                std::string stale = dir + "/" + e->d_name;
                if (IsStaleTemp(e->d_name) && lstat(stale.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                    unlink(stale.c_str());
                }
            }
            closedir(d);
        }
    }
    static unsigned s_counter = 0;
    *fd = -1;
    for (int attempt = 0; attempt < 1000 && *fd < 0; ++attempt) {
        *temp = dir + "/.facet-" + std::to_string(getpid()) + "-" + std::to_string(++s_counter) + ".tmp";
        *fd = open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (*fd < 0 && errno != EEXIST) break;
    }
    return *fd < 0 ? ErrorFromErrno(errno) : 0;
}

namespace {

// Writes what `produce` hands over into fd; 0 or the Windows error.
DWORD WriteAll(int fd, const Image::Producer& produce, uint64_t* written) {
    DWORD err = 0;
    auto put = [&](std::string_view bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                err = ErrorFromErrno(n < 0 ? errno : ENOSPC);
                return false;
            }
            done += static_cast<size_t>(n);
        }
        *written += bytes.size();
        return true;
    };
    DWORD produceErr = 0;
    bool produced = produce(put, &produceErr);
    if (!produced && err == 0) err = produceErr != 0 ? produceErr : ERROR_ACCESS_DENIED;
    return err;
}

// Copies what is left of `in` into `out`: in the kernel where it can (no bytes through
// this process, or none at all on a file system that shares the blocks), else through
// `buffer`, made once for the image.
DWORD CopyAll(int in, int out, std::unique_ptr<char[]>* buffer, uint64_t* written) {
    constexpr size_t kChunk = 1u << 20;
    for (;;) {
        ssize_t n = copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;  // not between these two: copied by hand from where it stopped
        if (n == 0) return 0;
        *written += static_cast<uint64_t>(n);
    }
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF) {
        return ErrorFromErrno(errno);
    }
    if (!*buffer) buffer->reset(new char[kChunk]);  // left uninitialised: only read into
    for (;;) {
        ssize_t n = read(in, buffer->get(), kChunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ERROR_ACCESS_DENIED;
        if (n == 0) return 0;
        for (ssize_t done = 0; done < n;) {
            ssize_t m = write(out, buffer->get() + done, static_cast<size_t>(n - done));
            if (m < 0 && errno == EINTR) continue;
            if (m <= 0) return ErrorFromErrno(m < 0 ? errno : ENOSPC);
            done += m;
        }
        *written += static_cast<uint64_t>(n);
    }
}

}  // namespace

void Image::SyncFolder(const std::string& dir) {
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

DWORD Image::ReplaceOnDisk(const std::string& target, const Fill& fill, uint64_t* written) {
    std::string dir = FolderOf(target);
    std::string temp;
    int fd = -1;
    if (DWORD err = MakeTemp(dir, &temp, &fd)) return err;
    *written = 0;
    DWORD err = fill(fd, written);
    bool synced = durability_ == Durability::Synced;
    // Both calls are made whatever the first one answers, so the file is never left open.
    if (synced && fsync(fd) != 0 && err == 0) err = ErrorFromErrno(errno);
    if (close(fd) != 0 && err == 0) err = ErrorFromErrno(errno);
    if (err == 0 && rename(temp.c_str(), target.c_str()) != 0) err = ErrorFromErrno(errno);
    if (err != 0) {
        unlink(temp.c_str());
        return err;
    }
    if (synced) SyncFolder(dir);
    return 0;
}

DWORD Image::ReplaceFile(const MappedPath& path, const std::string& bytes) {
    return ReplaceFile(path, [&bytes](const PutBytes& put, DWORD*) { return put(bytes); });
}

DWORD Image::ReplaceFile(const MappedPath& path, const Producer& produce) {
    Journal::File before = StateBefore(path);
    if (WritesToMemory(path)) {
        std::string bytes;
        DWORD err = 0;
        bool ok = produce(
            [&bytes](std::string_view piece) {
                bytes.append(piece.data(), piece.size());
                return true;
            },
            &err);
        if (!ok) return err != 0 ? err : ERROR_ACCESS_DENIED;
        Node& node = MemoryFile(path);
        node.folder = false;
        node.hostSource.clear();
        node.sourceSize = 0;
        node.bytes = std::move(bytes);
        ++node.generation;
        Journal::File& f = JournalFile(path, before);
        f.exists = true;
        f.sizeAfter = node.size();
        return 0;
    }
    return ReplaceOnDisk(path, before, [&produce](int fd, uint64_t* written) { return WriteAll(fd, produce, written); });
}

DWORD Image::ReplaceOnDisk(const MappedPath& path, const Journal::File& before, const Fill& fill) {
    Forget(path.host);
    uint64_t written = 0;
    if (DWORD err = ReplaceOnDisk(path.host, fill, &written)) return err;
    Forget(path.host);
    Journal::File& f = JournalFile(path, before);
    f.exists = true;
    f.sizeAfter = written;
    return 0;
}

DWORD Image::CopyFile(const MappedPath& source, const MappedPath& dest) {
    if (!source.regular) return ERROR_ACCESS_DENIED;
    Node* from = FindNode(source.normalized);
    if (WritesToMemory(dest)) {
        // Not copied: the new file refers to the bytes it would hold.
        Node copy;
        if (from) {
            copy = *from;
        } else {
            int fd = open(source.host.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            struct stat st;
            bool ok = fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
            if (fd >= 0) close(fd);
            if (!ok) return ERROR_ACCESS_DENIED;
            copy.hostSource = source.host;
            copy.sourceSize = static_cast<uint64_t>(st.st_size);
        }
        Journal::File before = StateBefore(dest);
        Node& node = MemoryFile(dest);
        node.folder = false;
        node.hostSource = copy.hostSource;
        node.sourceSize = copy.sourceSize;
        node.bytes = copy.bytes;
        ++node.generation;
        Journal::File& f = JournalFile(dest, before);
        f.exists = true;
        f.sizeAfter = node.size();
        return 0;
    }
    if (from) {
        std::string bytes;
        if (DWORD err = ReadNode(*from, &bytes, UINT64_MAX)) return err;
        return ReplaceFile(dest, bytes);
    }
    int in = open(source.host.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (in < 0) return ERROR_ACCESS_DENIED;
    struct stat st;
    if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(in);
        return ERROR_ACCESS_DENIED;
    }
    // Streamed, so that a large wallpaper is never held whole.
    DWORD err = ReplaceOnDisk(dest, StateBefore(dest), [this, in](int fd, uint64_t* written) {
        return CopyAll(in, fd, &copyBuffer_, written);
    });
    close(in);
    return err;
}

DWORD Image::MakeFolder(const MappedPath& path) {
    Journal::File before = StateBefore(path);
    if (WritesToMemory(path)) {
        Node& node = MemoryFile(path);
        node.folder = true;
    } else {
        Forget(path.host);
        if (mkdir(path.host.c_str(), 0777) != 0) return ErrorFromErrno(errno);
        if (durability_ == Durability::Synced) SyncFolder(FolderOf(path.host));
    }
    Journal::File& f = JournalFile(path, before);
    f.folder = true;
    f.exists = true;
    return 0;
}

DWORD Image::OpenFile(const MappedPath& path, int flags, int* fd) {
    *fd = -1;
    Journal::File before = StateBefore(path);
    if (WritesToMemory(path)) {
        if (!path.exists && !(flags & O_CREAT)) return ERROR_FILE_NOT_FOUND;
        Node& node = MemoryFile(path);
        if (flags & O_TRUNC) {
            node.hostSource.clear();
            node.sourceSize = 0;
            node.bytes.clear();
            ++node.generation;
        }
        Journal::File& f = JournalFile(path, before);
        f.exists = true;
        f.sizeAfter = node.size();
        return 0;
    }
    if (!path.exists) Forget(path.host);
    int handle = open(path.host.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (handle < 0) return ErrorFromErrno(errno);
    struct stat st;
    if (fstat(handle, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(handle);
        return ERROR_ACCESS_DENIED;
    }
    profiles_.erase(path.host);
    Journal::File& f = JournalFile(path, before);
    f.exists = true;
    f.sizeAfter = static_cast<uint64_t>(st.st_size);
    *fd = handle;
    return 0;
}

DWORD Image::CloseFile(int fd) {
    if (fd < 0) return 0;
    DWORD err = 0;
    if (durability_ == Durability::Synced && fsync(fd) != 0) err = ErrorFromErrno(errno);
    if (close(fd) != 0 && err == 0) err = ErrorFromErrno(errno);
    return err;
}

DWORD Image::WriteAt(const MappedPath& path, int fd, bool append, uint64_t* position, std::string_view bytes) {
    Journal::File& f = JournalFile(path, StateBefore(path));
    bool atEnd = append;
    if (fd < 0) {
        Node& node = MemoryFile(path);
        if (!append && *position < node.size()) {
            // Writing over what is there: the bytes come into memory first.
            std::string whole;
            if (DWORD err = ReadNode(node, &whole, UINT64_MAX)) return err;
            node.hostSource.clear();
            node.sourceSize = 0;
            node.bytes = std::move(whole);
            node.bytes.replace(static_cast<size_t>(*position), bytes.size(), bytes.data(), bytes.size());
        } else {
            atEnd = true;
            node.bytes.append(bytes.data(), bytes.size());
        }
        ++node.generation;
        *position += bytes.size();
        f.sizeAfter = node.size();
    } else {
        profiles_.erase(path.host);
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return ErrorFromErrno(errno);
            done += static_cast<size_t>(n);
        }
        *position += bytes.size();
        struct stat st;
        if (fstat(fd, &st) == 0) f.sizeAfter = static_cast<uint64_t>(st.st_size);
    }
    if (atEnd && f.appendedWhole && f.appended.size() + bytes.size() <= kAppendedKept) {
        f.appended.append(bytes.data(), bytes.size());
    } else {
        f.appendedWhole = false;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------
// Profile files

formats::ProfileIndex* Image::Profile(const MappedPath& path) {
    if (!path.exists || path.folder) return nullptr;
    if (Node* node = FindNode(path.normalized)) {
        std::string key = "mem:" + path.normalized;
        auto it = profiles_.find(key);
        if (it != profiles_.end() && it->second->generation == node->generation && it->second->generation != 0) {
            return &it->second->index;
        }
        auto profile = std::make_unique<CachedProfile>();
        if (ReadNode(*node, &profile->bytes, UINT64_MAX) != 0) return nullptr;
        profile->generation = node->generation;
        if (formats::ProfileIsUtf16(profile->bytes)) {
            profile->unicode = formats::Utf16FileToUtf8(profile->bytes);
            formats::ProfileIndexBuild(profile->unicode, &profile->index);
            profile->index.unicode = true;
        } else {
            formats::ProfileIndexBuild(profile->bytes, &profile->index);
        }
        return &profiles_.insert_or_assign(key, std::move(profile)).first->second->index;
    }
    auto it = profiles_.find(path.host);
    if (trusted_ && it != profiles_.end()) return &it->second->index;
    struct stat st;
    if (stat(path.host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        profiles_.erase(path.host);
        return nullptr;
    }
    Stamp stamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<uint64_t>(st.st_size),
                Nanos(st.st_mtim), Nanos(st.st_ctim)};
    if (it != profiles_.end() && it->second->stamp == stamp) return &it->second->index;
    auto profile = std::make_unique<CachedProfile>();
    if (ReadRegular(path.host, &profile->bytes, UINT64_MAX) != 0) {
        profiles_.erase(path.host);
        return nullptr;
    }
    // The file may have changed between the stat and the read; then it is read again next time.
    profile->stamp = stamp;
    if (profile->bytes.size() != stamp.size) profile->stamp.size = UINT64_MAX;
    if (formats::ProfileIsUtf16(profile->bytes)) {
        profile->unicode = formats::Utf16FileToUtf8(profile->bytes);
        formats::ProfileIndexBuild(profile->unicode, &profile->index);
        profile->index.unicode = true;
    } else {
        formats::ProfileIndexBuild(profile->bytes, &profile->index);
    }
    return &profiles_.insert_or_assign(path.host, std::move(profile)).first->second->index;
}

DWORD Image::WriteProfileValue(const MappedPath& path, std::string_view section, std::string_view key,
                               std::string_view value) {
    bool memory = WritesToMemory(path);
    // Read, change and replace under a lock on the folder, so that a second run writing
    // into the same file at the same time never loses this entry, nor this run its entry.
    std::unique_ptr<FolderLock> lock;
    MappedPath now = path;
    if (!memory) {
        lock = std::make_unique<FolderLock>(FolderOf(path.host));
        Forget(path.host);
        if (DWORD err = MapPath(path.shown.c_str(), &now)) return err;
    }
    std::string text;
    if (now.exists) {
        if (DWORD err = ReadFile(now, &text)) return err;
    }
    Journal::ProfileEntry entry;
    entry.file = path.shown;
    entry.section.assign(section.data(), section.size());
    entry.key.assign(key.data(), key.size());
    std::vector<char> before(text.size() + 2);
    bool cut = false;
    formats::ProfileGetString(text, entry.section.c_str(), entry.key.c_str(), "\x01", before.data(), before.size(),
                              &cut);
    entry.had = strcmp(before.data(), "\x01") != 0;
    if (entry.had) entry.before = before.data();
    entry.after.assign(value.data(), value.size());
    if (DWORD err = ReplaceFile(now, formats::ProfileSetValue(text, section, key, value))) return err;
    (dryRun_ ? dryJournal_ : journal_).profile.push_back(std::move(entry));
    return 0;
}

// ---------------------------------------------------------------------------------------
// Registry

namespace {

std::string LowerPath(const std::string& keyPath) {
    std::string canonical = formats::AsciiLowerText(keyPath);
    while (!canonical.empty() && canonical.back() == '\\') canonical.pop_back();
    return canonical;
}

}  // namespace

bool Image::RegKeyExists(const std::string& keyPath) {
    if (regDry_ && regDry_->keys.count(LowerPath(keyPath))) return true;
    return formats::RegKeyExists(registry_, keyPath);
}

const formats::RegValue* Image::RegFindValue(const std::string& keyPath, std::string_view name) {
    if (regDry_) {
        auto it = regDry_->values.find(LowerPath(keyPath));
        if (it != regDry_->values.end()) {
            for (const formats::RegValue& v : it->second) {
                if (formats::AsciiSameText(v.name, name)) return &v;
            }
        }
    }
    formats::RegKey* key = formats::FindRegKey(registry_, keyPath);
    return key ? formats::FindRegValue(*key, name) : nullptr;
}

DWORD Image::SaveRegistry() {
    if (dir_.empty()) return 0;
    std::string file = dir_ + "/registry.reg";
    uint64_t written = 0;
    DWORD err = ReplaceOnDisk(
        file,
        [this](int fd, uint64_t* counted) {
            return WriteAll(
                fd, [this](const PutBytes& put, DWORD*) { return formats::FormatRegTextTo(registry_, put); }, counted);
        },
        &written);
    if (err != 0) return err;
    struct stat st;
    if (stat(file.c_str(), &st) == 0) {
        registryStamp_ = Stamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                               static_cast<uint64_t>(st.st_size), Nanos(st.st_mtim), Nanos(st.st_ctim)};
    }
    return 0;
}

// registry.reg is no longer the file we parsed: another run has written it since.
bool Image::RegistryFileChanged() const {
    struct stat st;
    if (stat((dir_ + "/registry.reg").c_str(), &st) != 0) return registryStamp_.ino != 0;
    Stamp now{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<uint64_t>(st.st_size),
              Nanos(st.st_mtim), Nanos(st.st_ctim)};
    return !(now == registryStamp_);
}

// Holds the lock on the image folder for a change of registry.reg, with the registry
// read again when another run has written the file since: both runs' values are kept.
std::shared_ptr<void> Image::LockRegistry(DWORD* err) {
    *err = 0;
    if (dir_.empty()) return nullptr;
    auto lock = std::make_shared<FolderLock>(dir_);
    std::string error;
    if (RegistryFileChanged() && !LoadRegistry(&error)) *err = ERROR_ACCESS_DENIED;
    return lock;
}

// A key a dry run makes, and every missing key above it.
void Image::DryRegKey(const std::string& keyPath) {
    if (!regDry_) regDry_ = std::make_unique<RegOverlay>();
    std::string path = keyPath;
    while (!path.empty() && !RegKeyExists(path)) {
        regDry_->keys[LowerPath(path)] = path;
        size_t slash = path.rfind('\\');
        if (slash == std::string::npos) break;
        path = path.substr(0, slash);
    }
}

DWORD Image::RegCreateKey(const std::string& keyPath) {
    bool exists = RegKeyExists(keyPath);
    if (!exists && IsRegistryKeyReadOnly(keyPath)) return ERROR_ACCESS_DENIED;
    if (dryRun_) {
        if (exists) return 0;
        DryRegKey(keyPath);
        dryJournal_.keysCreated.push_back(keyPath);
        return 0;
    }
    DWORD err = 0;
    std::shared_ptr<void> lock = LockRegistry(&err);
    if (err != 0) return err;
    // A key that is there only as the parent of another is listed from now on.
    if (formats::FindRegKey(registry_, keyPath)) return 0;
    formats::CreateRegKey(registry_, keyPath);
    if (!exists) journal_.keysCreated.push_back(keyPath);
    return SaveRegistry();
}

DWORD Image::RegSetValue(const std::string& keyPath, std::string_view name, uint32_t type, std::string data) {
    if (IsRegistryKeyReadOnly(keyPath)) return ERROR_ACCESS_DENIED;
    Journal::RegistryValue change;
    change.key = keyPath;
    change.name.assign(name.data(), name.size());
    change.after = formats::RegValue{change.name, type, data};
    if (dryRun_) {
        if (const formats::RegValue* old = RegFindValue(keyPath, name)) {
            change.had = true;
            change.before = *old;
        }
        DryRegKey(keyPath);
        std::vector<formats::RegValue>& values = regDry_->values[LowerPath(keyPath)];
        bool replaced = false;
        for (formats::RegValue& v : values) {
            if (formats::AsciiSameText(v.name, name)) {
                v.type = type;
                v.data = data;
                replaced = true;
            }
        }
        if (!replaced) values.push_back(formats::RegValue{change.name, type, std::move(data)});
        dryJournal_.registry.push_back(std::move(change));
        return 0;
    }
    DWORD err = 0;
    std::shared_ptr<void> lock = LockRegistry(&err);
    if (err != 0) return err;
    formats::RegKey& key = formats::CreateRegKey(registry_, keyPath);
    if (formats::RegValue* value = formats::FindRegValue(key, name)) {
        change.had = true;
        change.before = *value;
        value->type = type;
        value->data = std::move(data);
    } else {
        key.values.push_back(formats::RegValue{change.name, type, std::move(data)});
    }
    err = SaveRegistry();
    if (err == 0) journal_.registry.push_back(std::move(change));
    return err;
}

std::string Image::RegSubkeyAt(const std::string& keyPath, size_t index) {
    if (!regDry_) return std::string(formats::RegSubkeyAt(registry_, keyPath, index));
    // The file's subkeys and the ones a dry run made, in the order Windows gives them.
    std::vector<std::string> names = formats::RegSubkeys(registry_, keyPath);
    std::string prefix = LowerPath(keyPath) + "\\";
    for (const auto& [lower, path] : regDry_->keys) {
        if (lower.compare(0, prefix.size(), prefix) != 0 || lower.find('\\', prefix.size()) != std::string::npos) {
            continue;
        }
        std::string name = path.substr(path.rfind('\\') + 1);
        bool known = false;
        for (const std::string& n : names) known = known || formats::AsciiSameText(n, name);
        if (!known) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return formats::AsciiLowerText(a) < formats::AsciiLowerText(b);
    });
    return index < names.size() ? names[index] : std::string();
}

// ---------------------------------------------------------------------------------------
// Scopes

ImageScope::ImageScope(Image& image) : previous_(g_current) { g_current = &image; }
ImageScope::~ImageScope() { g_current = previous_; }

Image* CurrentImage() { return g_current; }

DryRun::DryRun(Image& image) : image_(image) {
    image_.dryRun_ = true;
    image_.dry_.clear();
    image_.regDry_.reset();
    image_.dryJournal_ = Journal();
}

DryRun::~DryRun() {
    for (const auto& [normalized, node] : image_.dry_) image_.profiles_.erase("mem:" + normalized);
    image_.dry_.clear();
    image_.regDry_.reset();
    image_.dryJournal_ = Journal();
    image_.journalFiles_[1].clear();
    image_.dryRun_ = false;
}

}  // namespace host
