// Profile (INI) files as Windows reads and writes them, over bytes in memory: the line
// classification every reader, writer and tool shares, so they all see the same lines.
// profile_reader.h reads values, profile_index.h answers many reads of one file,
// profile_writer.h edits a file as WritePrivateProfileStringA does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/codepage.h"

namespace formats {

// One line of a profile file as the reader classifies it. Every reader, writer and tool
// below walks the file through ProfileLines, so they all see the same lines. Columns are
// 1-based byte columns; views point into the text walked.
struct ProfileLine {
    enum Kind {
        kBlank,
        kComment,
        kHeader,
        kEntry,
        kOther
    };
    enum HeaderFlaw : unsigned {
        kNoClose = 1,
        kTextAfterClose = 2,
        kBlankInside = 4
    };

    Kind kind = kBlank;
    int number = 0;    // 1-based line number
    size_t begin = 0;  // the line's bytes are text[begin, end)
    size_t end = 0;
    size_t next = 0;  // where the following line starts, after this line's end
    int column = 0;   // column of the first non-blank byte

    // kHeader: the name as the reader matches it (up to the first "]", trimmed).
    std::string_view name;
    int nameColumn = 0;
    unsigned headerFlaws = 0;  // HeaderFlaw bits
    int flawColumn = 0;        // where the first flaw shows

    // kEntry: split at the first "="; key and value trimmed of blanks. value is what the
    // reader delivers (one matching pair of outer quotes removed), rawValue keeps them.
    std::string_view key;
    int keyColumn = 0;
    std::string_view rawValue;
    std::string_view value;
    int valueColumn = 0;  // column of value's first byte (after the opening quote)
};

// Walks the lines of a profile file; CR LF, LF and CR all end a line.
class ProfileLines {
public:
    explicit ProfileLines(std::string_view text) : text_(text) {}
    bool Next(ProfileLine* line);

private:
    std::string_view text_;
    size_t pos_ = 0;
    int number_ = 0;
};

// A section as it stands in the file: its header line and its entry lines in order.
struct ProfileSection {
    ProfileLine header;
    std::vector<ProfileLine> entries;
};

// The whole file: sections in file order (repeated names included, although the reader
// only ever searches the first), and the lines that belong to nothing the reader uses:
// entries and other text before the first header, and lines within a section that are
// neither entries, comments nor blank.
struct ProfileParse {
    std::vector<ProfileSection> sections;
    std::vector<ProfileLine> orphans;
};
ProfileParse ParseProfile(std::string_view text);

// What in the bytes of a file keeps the 8-bit reader from seeing the text as written.
struct ProfileEncoding {
    enum Form {
        kAnsi,
        kUtf8Bom,
        kUtf16LeBom,
        kUtf16BeBom,
        kUtf16NoBom
    };
    Form form = kAnsi;
    bool nul = false;  // a NUL byte; nulLine and nulColumn say where the first one is
    int nulLine = 0;
    int nulColumn = 0;
};
ProfileEncoding DetectProfileEncoding(std::string_view text);

// A section or key name as the reader matches it when a caller asks for it: without the
// blanks around it.
std::string_view ProfileRequestName(std::string_view name);

// A file that starts with the UTF-16LE byte-order mark holds Unicode text; the A
// functions see it in the ANSI code page (Windows-1252) and write into it in UTF-16LE.
// The reader and the writer work on its UTF-8 form, which keeps every character and in
// which the INI syntax (all ASCII) reads as in 8-bit text.
inline bool ProfileIsUtf16(std::string_view bytes) { return IsUtf16LeFile(bytes); }

// Pieces of the reading rules that the reader, the index and the writer share.
namespace profile_detail {
bool IsBlank(char c);
std::string_view Trim(std::string_view s);        // blanks (space, tab) at both ends
std::string_view TrimSpaces(std::string_view s);  // spaces only, as requested names lose them
bool SameName(std::string_view a, std::string_view b);
void ClassifyHeader(std::string_view raw, std::string_view line, ProfileLine* out);
// Copies at most size - 1 characters and a NUL; *cut says whether the value was longer.
size_t Deliver(std::string_view value, char* buf, size_t size, bool* cut);
}  // namespace profile_detail

}  // namespace formats
