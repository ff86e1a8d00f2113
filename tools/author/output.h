// What every tool reads and writes outside an image: JSON through one writer, outputs
// written by atomic replace (never through a link), inputs read with limits.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace author {

// JSON as every tool writes it: two-space indent and a final line feed. Its texts are
// UTF-8 by construction (author/text.h); one that is not is a fault of the tool and
// gives false, with *error saying so, rather than a changed character.
bool JsonText(const nlohmann::ordered_json& doc, std::string* out, std::string* error);

// The same for a stream of records, one JSON object a line: appends the record and a
// line feed to *out.
bool JsonLine(const nlohmann::ordered_json& record, std::string* out, std::string* error);

// JSON for a page's <script type="application/json"> block: on one line, ASCII only
// (every other character escaped), and "<" escaped as \u003c so no text of it can end
// the script.
std::string ScriptJson(const nlohmann::json& data);

// Writes a tool's output to standard output (path empty or "-"), or to the file at
// path: into a new file beside it, renamed over it, so that a link there is replaced
// rather than followed and an interrupted write leaves the old file. A device or a
// pipe at path (/dev/null, /dev/stdout) is written into. False, with
// *error, when it cannot be written (a folder in the way, no such folder, no room).
bool WriteOutput(const std::string& path, std::string_view bytes, std::string* error);

// A tool's output written as it is made, buffered, to where WriteOutput writes: standard
// output, a device or pipe named as the output, or a new file beside path that Commit
// renames over it (an output never committed leaves the old file). A write that fails is
// kept and told by Commit.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();  // removes the new file when it was not committed

    bool Open(const std::string& path, std::string* error);
    void Write(std::string_view bytes);
    bool Commit(std::string* error);

private:
    void Flush();

    std::string path_;
    std::string temp_;  // the new file beside path, or empty
    int fd_ = -1;       // -1: standard output
    bool open_ = false;
    int err_ = 0;  // the first failed write's errno
    std::string buffer_;
};

// A JSON document written as it is made, byte for byte as JsonText writes the whole of
// it: containers opened and closed in order, each value dumped with the same settings
// and set in at its depth. Bytes go to `sink` as they are made.
class JsonStream {
public:
    explicit JsonStream(std::function<void(std::string_view)> sink) : sink_(std::move(sink)) {}

    void BeginObject() { Begin('{'); }
    void BeginArray() { Begin('['); }
    void Key(const std::string& key);  // in an object, before its value
    void Value(const nlohmann::ordered_json& value);
    void End();
    // Ends the document. False, with *error, when a text was not UTF-8 (the bytes
    // written are then incomplete).
    bool Finish(std::string* error);

private:
    void Begin(char bracket);
    void Element();  // the separator and indent before an array's element or an object's key
    void Put(const nlohmann::ordered_json& value);

    std::function<void(std::string_view)> sink_;
    struct Level {
        char close;
        size_t count;
    };
    std::vector<Level> levels_;
    bool afterKey_ = false;
    std::string error_;
    std::string text_;
    std::string dumped_;
};

// An output stream whose bytes go to a sink (an OutputFile's Write, a string), in pieces.
class SinkStream : public std::ostream {
public:
    explicit SinkStream(std::function<void(std::string_view)> sink) : std::ostream(&buf_), buf_(std::move(sink)) {}
    ~SinkStream() override { buf_.pubsync(); }

private:
    class Buf : public std::streambuf {
    public:
        explicit Buf(std::function<void(std::string_view)> sink) : sink_(std::move(sink)) {
            setp(space_, space_ + sizeof(space_));
        }

    protected:
        int_type overflow(int_type c) override;
        int sync() override;

    private:
        std::function<void(std::string_view)> sink_;
        char space_[65536];
    };
    Buf buf_;
};

// Whether WriteOutput can be asked to write at path: standard output, or a path that is
// no folder in a folder that exists. For a command that would change something before
// it writes its output, so that it can refuse first. False, with *error, otherwise.
bool OutputPathUsable(const std::string& path, std::string* error);

// Reads a file a person named (a regular file, or a pipe such as <(...)) of at most
// `limit` bytes. False, with *error, for a folder, a missing file or one too large.
bool ReadInput(const std::string& path, uint64_t limit, std::string* bytes, std::string* error);

// Reads a file of an image folder or a suite (expect.json, args.txt): a regular file
// inside `dir`, a link only when it stays there. Missing: false with *missing set.
bool ReadFolderFile(const std::string& dir, const std::string& name, uint64_t limit, std::string* bytes,
                    bool* missing, std::string* error);

// Parses JSON of at most `maxDepth` levels of arrays and objects.
bool ParseJsonInput(std::string_view text, int maxDepth, nlohmann::json* out, std::string* error);

// Limits of what the tools read: far beyond anything real.
constexpr uint64_t kListLimit = 16u << 20;  // models, languages and regions lists
constexpr uint64_t kJsonLimit = 64u << 20;  // expectations and run reports
constexpr uint64_t kBrandingLimit = 256u << 20;
constexpr int kJsonDepthLimit = 64;

}  // namespace author
