// Write, then read, through the profile stand-ins. Input: section NUL key NUL value NUL
// file text (8-bit, or UTF-16LE when it starts with FF FE). With plain names and a
// one-line value, the value reads back as the reader delivers it (blanks and one outer
// pair of quotes removed), the file keeps its encoding, and every other entry that was
// readable before reads the same after.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_image.h"
#include "formats/ascii.h"
#include "platform/host/machine.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"
#include "platform/win32.h"

namespace {

bool Plain(const std::string& name) {
    bool letter = false;
    for (char c : name) {
        bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!alnum && c != ' ') return false;
        letter = letter || alnum;
    }
    return letter;
}

std::string Expected(std::string v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.erase(0, 1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.pop_back();
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return v;
}

std::string Trimmed(const std::string& name) {
    size_t b = name.find_first_not_of(' ');
    return b == std::string::npos ? "" : name.substr(b, name.find_last_not_of(' ') - b + 1);
}

// The text as the reader walks it: UTF-8 for a UTF-16LE file, else the bytes.
std::string Walked(const std::string& bytes) {
    return formats::ProfileIsUtf16(bytes) ? formats::Utf16FileToUtf8(bytes) : bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        fuzz_image::Open();
        return true;
    }();
    (void)ready;
    std::string_view in(reinterpret_cast<const char*>(data), size);
    size_t a = in.find('\0');
    size_t b = a == std::string_view::npos ? a : in.find('\0', a + 1);
    size_t c = b == std::string_view::npos ? b : in.find('\0', b + 1);
    if (c == std::string_view::npos) return 0;
    std::string section(in.substr(0, a));
    std::string key(in.substr(a + 1, b - a - 1));
    std::string value(in.substr(b + 1, c - b - 1));
    std::string before(in.substr(c + 1));

    fuzz_image::Put("drive_c/rt.ini", before);
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), "C:\\rt.ini")) abort();
    std::string after = fuzz_image::Get("drive_c/rt.ini");
    if (formats::ProfileIsUtf16(before) != formats::ProfileIsUtf16(after)) abort();

    bool oneLine = value.find_first_of("\r\n") == std::string::npos;
    if (!Plain(section) || !Plain(key) || !oneLine) return 0;
    static char buf[8192];
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "\x01missing", buf, sizeof(buf), "C:\\rt.ini");
    if (buf != Expected(value)) abort();

    // Every other entry keeps what it read before.
    std::string was = Walked(before);
    std::string now = Walked(after);
    std::string dump = formats::ProfileDump(was);
    std::string current;
    size_t at = 0;
    while (at < dump.size()) {
        size_t end = dump.find('\n', at);
        std::string line = dump.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line[0] == '[') {
            current = line.substr(1, line.size() - 2);
            continue;
        }
        std::string k = line.substr(0, line.find('='));
        if (formats::AsciiSameText(current, Trimmed(section)) && formats::AsciiSameText(k, Trimmed(key))) {
            continue;
        }
        std::string_view v1;
        std::string_view v2;
        bool had = formats::ProfileFind(was, current, k, &v1);
        bool has = formats::ProfileFind(now, current, k, &v2);
        if (had != has || v1 != v2) abort();
    }
    return 0;
}
