#include "platform/host/file_cache.h"

#include <dirent.h>
#include <sys/stat.h>

#include <unordered_map>
#include <vector>

#include "platform/host/ascii.h"
#include "platform/host/machine.h"

namespace host {
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

struct Profile {
    Stamp stamp;
    std::string text;
    ProfileIndex index;
};

std::unordered_map<std::string, Listing> g_listings;
std::unordered_map<std::string, std::unique_ptr<Profile>> g_profiles;

std::string FolderOf(const std::string& hostPath) {
    size_t slash = hostPath.rfind('/');
    return slash == std::string::npos ? std::string() : hostPath.substr(0, slash);
}

}  // namespace

bool CachedFolderEntry(const std::string& dir, const std::string& name, std::string* actual) {
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
    auto found = it->second.names.find(AsciiLowerText(name));
    if (found == it->second.names.end()) return false;
    for (const std::string& entry : found->second) {
        if (entry == name) {
            *actual = entry;
            return true;
        }
    }
    *actual = found->second.front();
    return true;
}

ProfileIndex* CachedProfile(const std::string& hostPath) {
    Stamp stamp;
    bool isDir = false;
    if (!StampOf(hostPath, &stamp, &isDir) || isDir) {
        g_profiles.erase(hostPath);
        return nullptr;
    }
    auto it = g_profiles.find(hostPath);
    if (it != g_profiles.end() && it->second->stamp == stamp) return &it->second->index;
    auto profile = std::make_unique<Profile>();
    if (!ReadHostFile(hostPath, &profile->text)) {
        g_profiles.erase(hostPath);
        return nullptr;
    }
    // The file may have changed between the stat and the read; then it is read again next time.
    profile->stamp = stamp;
    if (static_cast<off_t>(profile->text.size()) != stamp.size) profile->stamp.size = -1;
    ProfileIndexBuild(profile->text, &profile->index);
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
    g_listings.clear();
    g_profiles.clear();
}

}  // namespace host
