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

bool JsonLine(const nlohmann::ordered_json& record, std::string* out, std::string* error) {
    try {
        *out += record.dump() + "\n";
        return true;
    } catch (const nlohmann::json::exception&) {
        *error = "internal error: a text of the output is not UTF-8";
        return false;
    }
}

std::string ScriptJson(const nlohmann::json& data) {
    std::string json = data.dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
    std::string safe;
    safe.reserve(json.size());
    for (char c : json) {
        if (c == '<') {
            safe += "\\u003c";
        } else {
            safe += c;
        }
    }
    return safe;
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

OutputFile::~OutputFile() {
    if (fd_ >= 0) close(fd_);
    if (!temp_.empty()) unlink(temp_.c_str());
}

bool OutputFile::Open(const std::string& path, std::string* error) {
    path_ = path;
    open_ = true;
    if (path.empty() || path == "-") return true;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        *error = Cannot("write", "it is a folder", path);
        return false;
    }
    // A device or a pipe named as the output (/dev/null, /dev/stdout, a fifo) is written
    // into as it is: replacing it would put a file where the device was.
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        fd_ = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) {
            *error = Cannot("write", Reason(errno), path);
            return false;
        }
        return true;
    }
    std::string dir = FolderOf(path);
    // Named as the image's own temporary files are, so that one left by a tool that was
    // killed in an image folder is cleared like a run's; a name that is taken (by a file
    // of an earlier process that had this process id) is passed over for the next.
    for (int n = 1; n <= 1000 && fd_ < 0; ++n) {
        temp_ = dir + "/.facet-" + std::to_string(getpid()) + "-" + std::to_string(n) + ".tmp";
        fd_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        temp_.clear();
        *error = Cannot("write", Reason(errno), path);
        return false;
    }
    return true;
}

void OutputFile::Write(std::string_view bytes) {
    buffer_.append(bytes.data(), bytes.size());
    if (buffer_.size() >= (1u << 20)) Flush();
}

void OutputFile::Flush() {
    if (err_ == 0 && fd_ < 0) {
        if (fwrite(buffer_.data(), 1, buffer_.size(), stdout) != buffer_.size()) err_ = EIO;
    }
    for (size_t done = 0; err_ == 0 && fd_ >= 0 && done < buffer_.size();) {
        ssize_t n = write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) err_ = n < 0 ? errno : ENOSPC;
        if (n > 0) done += static_cast<size_t>(n);
    }
    buffer_.clear();
}

bool OutputFile::Commit(std::string* error) {
    if (!open_) {
        *error = Cannot("write", "not open", path_);
        return false;
    }
    Flush();
    open_ = false;
    if (fd_ < 0) {
        if (err_ != 0 || fflush(stdout) != 0) {
            *error = "cannot write the output: standard output";
            return false;
        }
        return true;
    }
    if (close(fd_) != 0 && err_ == 0) err_ = errno;
    fd_ = -1;
    if (err_ == 0 && !temp_.empty() && rename(temp_.c_str(), path_.c_str()) != 0) err_ = errno;
    if (err_ == 0) temp_.clear();
    if (err_ != 0) {
        *error = Cannot("write", Reason(err_), path_);
        return false;
    }
    return true;
}

bool WriteOutput(const std::string& path, std::string_view bytes, std::string* error) {
    OutputFile file;
    if (!file.Open(path, error)) return false;
    file.Write(bytes);
    return file.Commit(error);
}

SinkStream::Buf::int_type SinkStream::Buf::overflow(int_type c) {
    sync();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int SinkStream::Buf::sync() {
    if (pptr() > pbase()) sink_(std::string_view(pbase(), static_cast<size_t>(pptr() - pbase())));
    setp(space_, space_ + sizeof(space_));
    return 0;
}

void JsonStream::Begin(char bracket) {
    Element();
    text_.assign(1, bracket);
    sink_(text_);
    levels_.push_back({bracket == '{' ? '}' : ']', 0});
}

void JsonStream::Element() {
    if (afterKey_ || levels_.empty()) {
        afterKey_ = false;
        return;
    }
    Level& level = levels_.back();
    text_.assign(level.count++ == 0 ? "\n" : ",\n");
    text_.append(levels_.size() * 2, ' ');
    sink_(text_);
}

void JsonStream::Key(const std::string& key) {
    Element();
    Put(nlohmann::ordered_json(key));
    sink_(": ");
    afterKey_ = true;
}

void JsonStream::Value(const nlohmann::ordered_json& value) {
    Element();
    Put(value);
}

void JsonStream::Put(const nlohmann::ordered_json& value) {
    try {
        dumped_ = value.dump(2);
    } catch (const nlohmann::json::exception&) {
        if (error_.empty()) error_ = "internal error: a text of the output is not UTF-8";
        return;
    }
    // A dumped value breaks lines only between its members (its texts have their line
    // feeds escaped): each line after the first is set in by the depth.
    size_t depth = levels_.size() * 2;
    size_t start = 0;
    for (size_t nl = dumped_.find('\n'); nl != std::string::npos; nl = dumped_.find('\n', start)) {
        text_.assign(dumped_, start, nl + 1 - start);
        text_.append(depth, ' ');
        sink_(text_);
        start = nl + 1;
    }
    sink_(std::string_view(dumped_).substr(start));
}

void JsonStream::End() {
    Level level = levels_.back();
    levels_.pop_back();
    text_.clear();
    if (level.count > 0) {
        text_ = "\n";
        text_.append(levels_.size() * 2, ' ');
    }
    text_ += level.close;
    sink_(text_);
}

bool JsonStream::Finish(std::string* error) {
    sink_("\n");
    if (!error_.empty()) {
        *error = error_;
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
