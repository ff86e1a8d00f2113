#include "author/output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace author {
namespace {

// The system's reason in the words of a message: "no such file or directory".
std::string Reason(int err) {
    std::string text = std::strerror(err);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

// "cannot read, no such file or directory: PATH": what went wrong, then the file.
std::string Cannot(const char* what, const std::string& why, const std::string& path) {
    return std::string("cannot ") + what + ", " + why + ": " + path;
}

bool ReadFd(int fd, uint64_t limit, const std::string& path, std::string* bytes, std::string* error) {
    std::string text;
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof(buf));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *error = Cannot("read", Reason(errno), path);
            return false;
        }
        if (n == 0) break;
        if (text.size() + static_cast<size_t>(n) > limit) {
            *error = "larger than " + std::to_string(limit >> 20) + " MB: " + path;
            return false;
        }
        text.append(buf, static_cast<size_t>(n));
    }
    *bytes = std::move(text);
    return true;
}

}  // namespace

bool JsonText(const nlohmann::ordered_json& doc, std::string* out, std::string* error) {
    try {
        *out = doc.dump(2) + "\n";
        return true;
    } catch (const nlohmann::json::exception&) {
        *error = "internal error: a text of the output is not UTF-8";
        return false;
    }
}

namespace {

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/"
                                                         : path.substr(0, slash);
}

}  // namespace

bool OutputPathUsable(const std::string& path, std::string* error) {
    if (path.empty() || path == "-") return true;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        *error = Cannot("write", "it is a folder", path);
        return false;
    }
    std::string dir = FolderOf(path);
    int err = stat(dir.c_str(), &st) != 0 ? errno : S_ISDIR(st.st_mode) ? 0
                                                                        : ENOTDIR;
    if (err != 0) {
        *error = Cannot("write", Reason(err), path);
        return false;
    }
    return true;
}

bool WriteOutput(const std::string& path, std::string_view bytes, std::string* error) {
    if (path.empty() || path == "-") {
        if (fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || fflush(stdout) != 0) {
            *error = "cannot write the output: standard output";
            return false;
        }
        return true;
    }
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        *error = Cannot("write", "it is a folder", path);
        return false;
    }
    // A device or a pipe named as the output (/dev/null, /dev/stdout, a fifo) is written
    // into as it is: replacing it would put a file where the device was.
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        int err = fd < 0 ? errno : 0;
        for (size_t done = 0; err == 0 && done < bytes.size();) {
            ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) err = n < 0 ? errno : ENOSPC;
            if (n > 0) done += static_cast<size_t>(n);
        }
        if (fd >= 0 && close(fd) != 0 && err == 0) err = errno;
        if (err != 0) *error = Cannot("write", Reason(err), path);
        return err == 0;
    }
    std::string dir = FolderOf(path);
    // Named as the image's own temporary files are, so that one left by a tool that was
    // killed in an image folder is cleared like a run's; a name that is taken (by a file
    // of an earlier process that had this process id) is passed over for the next.
    std::string temp;
    int fd = -1;
    for (int n = 1; n <= 1000 && fd < 0; ++n) {
        temp = dir + "/.facet-" + std::to_string(getpid()) + "-" + std::to_string(n) + ".tmp";
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        *error = Cannot("write", Reason(errno), path);
        return false;
    }
    size_t done = 0;
    int err = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            err = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        unlink(temp.c_str());
        *error = Cannot("write", Reason(err), path);
        return false;
    }
    return true;
}

bool ReadInput(const std::string& path, uint64_t limit, std::string* bytes, std::string* error) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = Cannot("read", Reason(errno), path);
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        *error = Cannot("read", "it is a folder", path);
        return false;
    }
    if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > limit) {
        close(fd);
        *error = "larger than " + std::to_string(limit >> 20) + " MB: " + path;
        return false;
    }
    bool ok = ReadFd(fd, limit, path, bytes, error);
    close(fd);
    return ok;
}

bool ReadFolderFile(const std::string& dir, const std::string& name, uint64_t limit, std::string* bytes,
                    bool* missing, std::string* error) {
    *missing = false;
    std::string path = dir + "/" + name;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        *missing = true;
        *error = path + " is missing";
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        char* root = realpath(dir.c_str(), nullptr);
        char* target = realpath(path.c_str(), nullptr);
        bool inside = root && target && strncmp(target, root, strlen(root)) == 0 && target[strlen(root)] == '/';
        free(root);
        free(target);
        if (!inside) {
            *error = path + " is a link that leads out of " + dir;
            return false;
        }
    }
    // Looked at before it is opened: a pipe or a device is never opened.
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = path + " is not a regular file";
        return false;
    }
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) close(fd);
        *error = path + " is not a regular file";
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > limit) {
        close(fd);
        *error = "larger than " + std::to_string(limit >> 20) + " MB: " + path;
        return false;
    }
    bool ok = ReadFd(fd, limit, path, bytes, error);
    close(fd);
    return ok;
}

bool ParseJsonInput(std::string_view text, int maxDepth, nlohmann::json* out, std::string* error) {
    // The nesting is measured before parsing, so that no input can take the parser (or
    // what walks its result) deeper than the limit.
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxDepth) {
                *error = "nested deeper than " + std::to_string(maxDepth) + " levels";
                return false;
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    *out = nlohmann::json::parse(text, nullptr, false);
    if (out->is_discarded()) {
        *error = "not JSON";
        return false;
    }
    return true;
}

}  // namespace author
