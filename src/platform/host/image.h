// One machine image as an object: the folder it was opened from (or none, for an image
// held in memory only), what machine.ini says, the registry, files held in memory over
// the folder, the caches of what was read (with their trust policy), and a journal of
// every change made through the stand-ins. The stand-ins keep their Win32 signatures and
// act on the current image, which an ImageScope sets for as long as it lives.
//
// A dry run (DryRun) is a run whose writes go to the journal only: files, folders,
// profile entries and registry values it writes are held in memory over the image and
// dropped when it ends, so the engine's own acting steps can be asked what they would
// do, failures included, without changing anything.
//
// Nothing a path names leaves the image: a symbolic link is followed only while it
// leads to a place inside the image's drive_c; one that leads out, dangles or loops
// makes the path fail as a missing path does (error 3). Only regular files are read
// as files.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "formats/profile_index.h"
#include "formats/reg_format.h"
#include "platform/win32.h"

namespace host {

// Where a Windows path lies in the image. `normalized` is the lower-case form "c:\a\b"
// used for comparisons; `host` is the path on disk, with every link inside the image
// already resolved (for something held in memory, where it would lie).
struct MappedPath {
    std::string host;
    std::string normalized;
    std::string shown;            // the Windows path in the case the names have in the image
    bool exists = false;          // something of that name is there
    bool folder = false;          // ... and it is a folder
    bool regular = false;         // ... and it is a regular file (not a pipe, device or socket)
    bool parentFolder = false;    // the folder the last name goes into exists
    bool inMemory = false;        // held in memory over the folder, not on disk
    bool parentInMemory = false;  // the folder it goes into is held in memory
};

// A byte that Windows refuses in a file or folder name (error 123).
bool InvalidNameChar(unsigned char c);

// What changed through the stand-ins, in the order it happened; each file, profile
// entry and registry value once, with its state before the first change and after the
// last. Texts are the image's own bytes (Windows-1252).
struct Journal {
    struct File {
        std::string path;  // Windows path as the image spells it
        bool folder = false;
        bool existed = false;
        uint64_t sizeBefore = 0;
        bool exists = true;
        uint64_t sizeAfter = 0;
        std::string appended;  // bytes appended to the end (the log), while they are few
        bool appendedWhole = true;
    };
    struct ProfileEntry {
        std::string file;  // Windows path
        std::string section;
        std::string key;
        bool had = false;
        std::string before;
        std::string after;
    };
    struct RegistryValue {
        std::string key;   // full path, root spelled out
        std::string name;  // empty for the default value
        bool had = false;
        formats::RegValue before;
        formats::RegValue after;
    };
    // A write the stand-ins refused, with the Windows error they gave.
    struct Failure {
        std::string what;  // the Windows path as it was named, or the registry key and value name
        DWORD error = 0;
        std::string section;  // for a profile entry: its section and key
        std::string key;
    };
    std::vector<File> files;
    std::vector<ProfileEntry> profile;
    std::vector<RegistryValue> registry;
    std::vector<std::string> keysCreated;
    std::vector<Failure> failures;

    bool empty() const {
        return files.empty() && profile.empty() && registry.empty() && keysCreated.empty() && failures.empty();
    }
    const File* FindFile(std::string_view winPath) const;  // without regard to case
};

// How the image's files reach the disk. Either way every file a stand-in writes is
// visible at once (as on Windows) and replaced whole: the new bytes go into a file
// beside the old one that is renamed over it, so a run that is killed leaves each file
// as it was or as it became, never torn. Synced also waits until each file (and the
// folder's new entry, and the end of every file appended to) is on the disk, so that a
// power cut after the call loses nothing: `facet-sim run --sync`.
enum class Durability {
    Atomic,
    Synced
};

class Image {
public:
    // Opens the image in `dir` (machine.ini, drive_c/, optionally registry.reg). Reads
    // only; null, with *error saying why, when it cannot be read.
    static std::unique_ptr<Image> Open(const std::string& dir, std::string* error);
    // An image with no folder behind it: an empty C: drive and the defaults of
    // machine.ini unless `machineIni` says otherwise; fill it with Put.
    static std::unique_ptr<Image> InMemory(const std::string& machineIni = std::string());

    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    const std::string& dir() const { return dir_; }  // empty for an image in memory

    // Atomic unless asked; images opened from now on take the default.
    void SetDurability(Durability durability) { durability_ = durability; }
    Durability durability() const { return durability_; }
    static void SetDefaultDurability(Durability durability);

    // A file held in memory over the folder from now on, in place of whatever the folder
    // has there; folders above it that are missing (or are links that leave the image)
    // are there too. Nothing is written.
    void Put(const std::string& winPath, std::string bytes);
    // The same with the bytes of a host file, read when they are needed; nothing for a
    // host file that is not a regular file.
    void PutHostFile(const std::string& winPath, const std::string& hostPath);
    // A folder (and the folders above it) there from now on, in memory.
    void PutFolder(const std::string& winPath);
    // No file there from now on, whatever the folder holds (in memory; nothing is removed).
    void Hide(const std::string& winPath);

    // Cached folder listings and profile files are checked against the disk whenever
    // they are used, unless the caller has the image to itself (nobody else writes the
    // folder): then they are trusted. Writes through the stand-ins always update them.
    void TrustCaches(bool trusted) { trusted_ = trusted; }
    bool cachesTrusted() const { return trusted_; }

    // Changes made through the stand-ins since the image was opened (or since the last
    // TakeJournal); during a dry run, those of the dry run.
    const Journal& journal() const;
    Journal TakeJournal();

    // machine.ini: a value (false when the key or the section is absent; present and
    // empty gives true and ""), a section, and the [AdapterN] whose DeviceName it is.
    bool MachineValue(const char* section, const char* key, std::string* value);
    bool MachineHasSection(const char* section);
    long AdapterByName(const char* deviceName) const;

    // Maps a Windows path: 0, or the Windows error the path itself earns (3 for another
    // drive or a link that leaves the image, 123 for an invalid name, 206 for 260
    // characters or more).
    DWORD MapPath(const char* winPath, MappedPath* out);
    bool IsReadOnly(const MappedPath& path) const;
    bool IsRegistryKeyReadOnly(const std::string& keyPath) const;

    // Files: the stand-ins check the Windows rules (existence, faults) first and call
    // these to act. Each returns 0 or a Windows error code.
    DWORD ReadFile(const MappedPath& path, std::string* bytes, uint64_t limit = UINT64_MAX);
    // The first `max` bytes of a regular file (all of a shorter one).
    DWORD ReadHead(const MappedPath& path, size_t max, std::string* bytes);
    DWORD FileSize(const MappedPath& path, uint64_t* size);
    // The whole content, written into a new file beside the old one and renamed over it.
    using PutBytes = std::function<bool(std::string_view)>;
    using Producer = std::function<bool(const PutBytes& put, DWORD* error)>;
    DWORD ReplaceFile(const MappedPath& path, const Producer& produce);
    DWORD ReplaceFile(const MappedPath& path, const std::string& bytes);
    DWORD CopyFile(const MappedPath& source, const MappedPath& dest);
    DWORD MakeFolder(const MappedPath& path);
    // A file opened for writing (O_CREAT, O_TRUNC, O_APPEND as open() takes them): *fd is
    // the open file, or -1 for one held in memory. Writes go at *position, or at the end
    // with O_APPEND.
    DWORD OpenFile(const MappedPath& path, int flags, int* fd);
    DWORD WriteAt(const MappedPath& path, int fd, bool append, uint64_t* position, std::string_view bytes);
    // Closes a file OpenFile opened (-1 does nothing); synced first when the image is Synced.
    DWORD CloseFile(int fd);

    // Profile files: the parsed file (null when it cannot be read; valid until the next
    // call into the image), and one entry written as WritePrivateProfileStringA does.
    formats::ProfileIndex* Profile(const MappedPath& path);
    DWORD WriteProfileValue(const MappedPath& path, std::string_view section, std::string_view key,
                            std::string_view value);

    // The registry, keys named with their root spelled out.
    bool RegKeyExists(const std::string& keyPath);
    const formats::RegValue* RegFindValue(const std::string& keyPath, std::string_view name);
    DWORD RegCreateKey(const std::string& keyPath);
    DWORD RegSetValue(const std::string& keyPath, std::string_view name, uint32_t type, std::string data);
    std::string RegSubkeyAt(const std::string& keyPath, size_t index);
    // The registry as the file holds it (not what a dry run has set).
    formats::Registry& registry() { return registry_; }

    // A write the stand-ins refused, for the journal.
    void NoteFailure(const std::string& what, DWORD error, const std::string& section = std::string(),
                     const std::string& key = std::string());
    // Something changed at hostPath from outside: what is cached of it is dropped (for
    // a caller that trusts the caches).
    void Forget(const std::string& hostPath);

private:
    friend class DryRun;
    Image();

    struct Node;
    struct Listing;
    struct CachedProfile;
    struct RegOverlay;

    // MapPath; with leavingLinksMissing, a link that leaves the image (or dangles, or
    // loops) is a missing name rather than error 3, for what a tool puts over it.
    DWORD Map(const char* winPath, bool leavingLinksMissing, MappedPath* out);
    void PutMissingFolders(const std::string& folderPath);
    bool LoadMachineIni(std::string text, std::string* error);
    bool LoadRegistry(std::string* error);
    Node* FindNode(const std::string& normalized);
    Listing* ListFolder(const std::string& hostDir);
    bool WritesToMemory(const MappedPath& path);
    Node& MemoryFile(const MappedPath& path);
    // The journal's entry of a file, made with the state it had before (`before`, taken
    // ahead of the change) when it is the first change of that file.
    Journal::File& JournalFile(const MappedPath& path, const Journal::File& before);
    Journal::File StateBefore(const MappedPath& path);
    DWORD ReadNode(const Node& node, std::string* bytes, uint64_t limit);
    DWORD MakeTemp(const std::string& dir, std::string* temp, int* fd);
    // Replaces the host file `target` with what `fill` writes into an open temporary
    // file beside it (counting the bytes in *written); 0 or the Windows error.
    using Fill = std::function<DWORD(int fd, uint64_t* written)>;
    DWORD ReplaceOnDisk(const std::string& target, const Fill& fill, uint64_t* written);
    // The same for a file of the drive, with its journal entry (`before` as for JournalFile).
    DWORD ReplaceOnDisk(const MappedPath& path, const Journal::File& before, const Fill& fill);
    void SyncFolder(const std::string& dir);
    bool RegistryFileChanged() const;
    std::shared_ptr<void> LockRegistry(DWORD* err);
    void DryRegKey(const std::string& keyPath);
    DWORD SaveRegistry();

    std::string dir_;  // the image folder, resolved; empty in memory
    Durability durability_;
    std::string driveRoot_;  // drive_c, resolved
    std::string machineText_;
    formats::ProfileIndex machine_;
    std::unordered_map<std::string, long> adapters_;
    std::vector<std::string> readOnly_;
    std::vector<std::string> readOnlyKeys_;
    formats::Registry registry_;
    struct Stamp {
        uint64_t dev = 0, ino = 0, size = 0;
        int64_t mtimeNs = 0, ctimeNs = 0;
        bool operator==(const Stamp& o) const {
            return dev == o.dev && ino == o.ino && size == o.size && mtimeNs == o.mtimeNs && ctimeNs == o.ctimeNs;
        }
    };
    Stamp registryStamp_;

    std::unordered_map<std::string, std::unique_ptr<Node>> put_;  // by normalized path
    std::unordered_map<std::string, std::unique_ptr<Node>> dry_;
    std::unique_ptr<RegOverlay> regDry_;
    bool dryRun_ = false;

    bool trusted_ = false;
    std::unordered_map<std::string, std::unique_ptr<Listing>> listings_;
    std::unordered_map<std::string, std::unique_ptr<CachedProfile>> profiles_;
    std::unordered_set<std::string> swept_;  // folders cleared of killed runs' temporary files
    std::unique_ptr<char[]> copyBuffer_;

    Journal journal_;
    Journal dryJournal_;
    std::map<std::string, size_t> journalFiles_[2];  // normalized path -> index in files; [1] for a dry run
};

// Sets the image the stand-ins act on for as long as it lives; the one before comes back
// when it ends.
class ImageScope {
public:
    explicit ImageScope(Image& image);
    ~ImageScope();
    ImageScope(const ImageScope&) = delete;
    ImageScope& operator=(const ImageScope&) = delete;

private:
    Image* previous_;
};

// The image the stand-ins act on; null when there is none (no C: drive at all).
Image* CurrentImage();

// A dry run of the image for as long as it lives: the stand-ins' writes go to memory
// and to a journal of their own, which Take() hands over; when it ends the image is as
// it was before, its own journal untouched.
class DryRun {
public:
    explicit DryRun(Image& image);
    ~DryRun();
    DryRun(const DryRun&) = delete;
    DryRun& operator=(const DryRun&) = delete;
    const Journal& journal() const { return image_.dryJournal_; }

private:
    Image& image_;
};

}  // namespace host
