#include "platform/host/file_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <unordered_map>
#include <vector>

#include "formats/ascii.h"
#include "platform/host/machine.h"

namespace host {
using namespace formats;
namespace {

// What says that a file or folder is still the one we read.
struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long mtimeNs = 0;
    bool operator==(const Stamp& o) const {
        return dev == o.dev && ino == o.ino && size == o.size && mtimeNs == o.mtimeNs;
    }
};

bool StampOf(const std::string& path, Stamp* stamp, bool* isDir) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return false;
    stamp->dev = st.st_dev;
    stamp->ino = st.st_ino;
    stamp->size = st.st_size;
    stamp->mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    *isDir = S_ISDIR(st.st_mode);
    return true;
}

struct Listing {
    Stamp stamp;
    // Lower-cased name -> the names on disk with that spelling folded, in directory order.
    std::unordered_map<std::string, std::vector<std::string>> names;
};

// The bytes of a file, in memory of their own. A large file goes into a private mapping
// that the kernel may back with huge pages: a branding file of many megabytes then costs
// a handful of page faults rather than thousands.
class FileBytes {
public:
    FileBytes() = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes() {
        if (mapped_) munmap(data_, capacity_);
    }
    std::string_view view() const { return mapped_ ? std::string_view(data_, size_) : std::string_view(small_); }

    bool Read(const std::string& path) {
        int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        struct stat st;
        bool ok = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
        constexpr size_t kHuge = size_t{2} << 20;
        if (ok && static_cast<size_t>(st.st_size) >= kHuge) {
            capacity_ = (static_cast<size_t>(st.st_size) + kHuge) & ~(kHuge - 1);  // room to see growth
            void* p = mmap(nullptr, capacity_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p != MAP_FAILED) {
                madvise(p, capacity_, MADV_HUGEPAGE);
                data_ = static_cast<char*>(p);
                mapped_ = true;
                while (ok && size_ < capacity_) {
                    ssize_t n = read(fd, data_ + size_, capacity_ - size_);
                    if (n < 0 && errno == EINTR) continue;
                    if (n <= 0) {
                        ok = n == 0;
                        break;
                    }
                    size_ += static_cast<size_t>(n);
                }
                // A file that grew past the room is read the ordinary way.
                if (ok && size_ == capacity_) {
                    munmap(data_, capacity_);
                    mapped_ = false;
                    size_ = 0;
                } else {
                    close(fd);
                    return ok;
                }
            }
        }
        close(fd);
        return ok && ReadHostFile(path, &small_);
    }

private:
    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
    bool mapped_ = false;
    std::string small_;
};

struct Profile {
    Stamp stamp;
    FileBytes bytes;
    std::string unicode;  // the UTF-8 form of a UTF-16LE file, which the index is over
    ProfileIndex index;
};

std::unordered_map<std::string, Listing> g_listings;
std::unordered_map<std::string, std::unique_ptr<Profile>> g_profiles;

std::string FolderOf(const std::string& hostPath) {
    size_t slash = hostPath.rfind('/');
    return slash == std::string::npos ? std::string() : hostPath.substr(0, slash);
}

bool g_trusted = false;

// The entry of a listing named `name` without regard to case; an exact match wins.
bool FindInListing(const Listing& listing, const std::string& name, std::string* actual) {
    auto found = listing.names.find(AsciiLowerText(name));
    if (found == listing.names.end()) return false;
    for (const std::string& entry : found->second) {
        if (entry == name) {
            *actual = entry;
            return true;
        }
    }
    *actual = found->second.front();
    return true;
}

}  // namespace

void TrustCaches(bool trusted) { g_trusted = trusted; }

bool CachedFolderEntry(const std::string& dir, const std::string& name, std::string* actual) {
    if (g_trusted) {
        auto known = g_listings.find(dir);
        if (known != g_listings.end()) return FindInListing(known->second, name, actual);
    }
    Stamp stamp;
    bool isDir = false;
    if (!StampOf(dir, &stamp, &isDir) || !isDir) {
        g_listings.erase(dir);
        return false;
    }
    auto it = g_listings.find(dir);
    if (it == g_listings.end() || !(it->second.stamp == stamp)) {
        DIR* d = opendir(dir.c_str());
        if (!d) return false;
        Listing listing;
        listing.stamp = stamp;
        while (struct dirent* e = readdir(d)) {
            std::string entry = e->d_name;
            if (entry == "." || entry == "..") continue;
            listing.names[AsciiLowerText(entry)].push_back(entry);
        }
        closedir(d);
        it = g_listings.insert_or_assign(dir, std::move(listing)).first;
    }
    return FindInListing(it->second, name, actual);
}

ProfileIndex* CachedProfile(const std::string& hostPath) {
    if (g_trusted) {
        auto known = g_profiles.find(hostPath);
        if (known != g_profiles.end()) return &known->second->index;
    }
    Stamp stamp;
    bool isDir = false;
    if (!StampOf(hostPath, &stamp, &isDir) || isDir) {
        g_profiles.erase(hostPath);
        return nullptr;
    }
    auto it = g_profiles.find(hostPath);
    if (it != g_profiles.end() && it->second->stamp == stamp) return &it->second->index;
    auto profile = std::make_unique<Profile>();
    if (!profile->bytes.Read(hostPath)) {
        g_profiles.erase(hostPath);
        return nullptr;
    }
    // The file may have changed between the stat and the read; then it is read again next time.
    profile->stamp = stamp;
    if (static_cast<off_t>(profile->bytes.view().size()) != stamp.size) profile->stamp.size = -1;
    if (ProfileIsUtf16(profile->bytes.view())) {
        profile->unicode = Utf16FileToUtf8(profile->bytes.view());
        ProfileIndexBuild(profile->unicode, &profile->index);
        profile->index.unicode = true;
    } else {
        ProfileIndexBuild(profile->bytes.view(), &profile->index);
    }
    ProfileIndex* index = &profile->index;
    g_profiles.insert_or_assign(hostPath, std::move(profile));
    return index;
}

void ForgetFileContent(const std::string& hostPath) { g_profiles.erase(hostPath); }

void ForgetFolderEntry(const std::string& hostPath) {
    g_profiles.erase(hostPath);
    g_listings.erase(FolderOf(hostPath));
    g_listings.erase(hostPath);
}

void ForgetAllCaches() {
    g_trusted = false;
    g_listings.clear();
    g_profiles.clear();
}

}  // namespace host
