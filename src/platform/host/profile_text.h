// The profile-string (INI) reading rules of Windows, over text held in memory, so that
// the stand-in, the machine image reader, the tests and the fuzz target share them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// One line of a profile file as the reader classifies it. Every reader, writer and tool
// below walks the file through ProfileLines, so they all see the same lines. Columns are
// 1-based byte columns; views point into the text walked.
struct ProfileLine {
    enum Kind { kBlank, kComment, kHeader, kEntry, kOther };
    enum HeaderFlaw : unsigned { kNoClose = 1, kTextAfterClose = 2, kBlankInside = 4 };

    Kind kind = kBlank;
    int number = 0;        // 1-based line number
    size_t begin = 0;      // the line's bytes are text[begin, end)
    size_t end = 0;
    size_t next = 0;       // where the following line starts, after this line's end
    int column = 0;        // column of the first non-blank byte

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
    enum Form { kAnsi, kUtf8Bom, kUtf16LeBom, kUtf16BeBom, kUtf16NoBom };
    Form form = kAnsi;
    bool nul = false;  // a NUL byte; nulLine and nulColumn say where the first one is
    int nulLine = 0;
    int nulColumn = 0;
};
ProfileEncoding DetectProfileEncoding(std::string_view text);

// Finds `key` in the first section named `section` (names compared without regard to
// ASCII case, blanks around the requested names ignored). On success *value is the
// entry's value, trimmed of blanks and of one matching pair of outer quotes.
bool ProfileFind(std::string_view text, std::string_view section, std::string_view key, std::string_view* value);

// True when the text holds a section of that name.
bool ProfileHasSection(std::string_view text, std::string_view section);

// What GetPrivateProfileStringA delivers for a file whose bytes are `text`: the value or
// the default (null means empty, trailing spaces removed), cut to size - 1 characters.
// Returns the count written; *cut says whether the text was cut.
size_t ProfileGetString(std::string_view text, const char* section, const char* key, const char* def, char* buf,
                        size_t size, bool* cut);

// The same for a missing file: only the default is delivered.
size_t ProfileDefault(const char* def, char* buf, size_t size, bool* cut);

// The text of a profile file after WritePrivateProfileStringA(section, key, value): the
// value of the first matching key replaced where it stands (the line keeps its spelling
// up to the "="), a missing key added after the last entry of the first matching
// section, a missing section added at the end of the file. Every other byte stays.
// New lines end in CR LF; names are written trimmed, the value exactly as given.
std::string ProfileSetValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);

// Sections and entries of a profile file, one a line: "[name]" and "key=value", names
// and values as the reader sees them. For comparing files by content, not by bytes.
std::string ProfileDump(std::string_view text);

}  // namespace host
