// The profile-string (INI) reading rules of Windows, over text held in memory, so that
// the stand-in, the machine image reader, the tests and the fuzz target share them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace host {

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

// Finds `key` in the first section named `section` (names compared without regard to
// ASCII case, spaces around the requested names ignored, tabs kept). On success *value
// is the entry's value, trimmed of blanks and of one matching pair of outer quotes.
bool ProfileFind(std::string_view text, std::string_view section, std::string_view key, std::string_view* value);

// True when the text holds a section of that name.
bool ProfileHasSection(std::string_view text, std::string_view section);

// What GetPrivateProfileStringA delivers for a file whose bytes are `text`: the value or
// the default (null means empty, trailing spaces removed), cut to size - 1 characters.
// Returns the count written; *cut says whether the text was cut. A UTF-16LE file (see
// ProfileIsUtf16) is read as Unicode and its value delivered in the ANSI code page.
size_t ProfileGetString(std::string_view text, const char* section, const char* key, const char* def, char* buf,
                        size_t size, bool* cut);

// The same for a missing file: only the default is delivered.
size_t ProfileDefault(const char* def, char* buf, size_t size, bool* cut);

// The text of a profile file after WritePrivateProfileStringA(section, key, value): the
// value of the first matching key replaced where it stands (the line keeps its spelling
// up to the "="), a missing key added after the last entry of the first matching
// section, a missing section added at the end of the file. Every other byte stays.
// New lines end in CR LF; names are written trimmed of spaces, the value exactly as given.
// A UTF-16LE file stays UTF-16LE, the new text converted from the ANSI code page.
std::string ProfileSetValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);

// A profile file parsed once for many reads: where each section starts, and, once a
// section has been asked for, its entries (the first of a name). It
// answers exactly as ProfileFind and ProfileGetString do on the same text, which it views
// and must outlive.
struct ProfileNameHash {
    size_t operator()(std::string_view name) const;
};
struct ProfileNameEqual {
    bool operator()(std::string_view a, std::string_view b) const;
};
struct ProfileIndex {
    // The entries of a section (the first of each name) in an open-addressing table:
    // slots hold index + 1 into list, 0 for free.
    struct Entries {
        std::vector<std::pair<std::string_view, std::string_view>> list;
        std::vector<uint32_t> slots;
    };
    struct Section {
        std::string_view name;
        size_t body = 0;                   // where the lines after the header start
        std::unique_ptr<Entries> entries;  // made on first use
    };
    std::string_view text;
    bool unicode = false;           // text is the UTF-8 form of a UTF-16LE file
    std::vector<Section> sections;  // every section header, in file order
    // A file read for a few names is searched from the top; once it has been asked for
    // many, an open-addressing table over the first section of each name (index + 1, 0
    // for free) answers instead.
    size_t lookups = 0;
    std::vector<uint32_t> slots;
};
void ProfileIndexBuild(std::string_view text, ProfileIndex* index);
bool ProfileIndexFind(ProfileIndex& index, std::string_view section, std::string_view key, std::string_view* value);
bool ProfileIndexHasSection(const ProfileIndex& index, std::string_view section);
size_t ProfileIndexGetString(ProfileIndex& index, const char* section, const char* key, const char* def, char* buf,
                             size_t size, bool* cut);

// Sections and entries of a profile file, one a line: "[name]" and "key=value", names
// and values as the reader sees them. For comparing files by content, not by bytes.
std::string ProfileDump(std::string_view text);

// A profile file that starts with the UTF-16LE byte-order mark holds Unicode text; the A
// functions see it in the ANSI code page (Windows-1252 here) and write into it in
// UTF-16LE. The reader and the writer work on its UTF-8 form, which keeps every
// character and in which the INI syntax (all ASCII) reads as in 8-bit text. Unpaired
// surrogates pass through as their own three-byte forms, so nothing is lost either way.
bool ProfileIsUtf16(std::string_view bytes);
std::string Utf16FileToUtf8(std::string_view bytes);  // the file's bytes, mark included
std::string Utf8ToUtf16File(std::string_view text);   // with the mark
// Between the ANSI code page and UTF-8; a character with no ANSI form becomes '?'.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

}  // namespace host
