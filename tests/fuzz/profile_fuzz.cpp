// Feeds arbitrary INI text and requested names to the profile-string reader.
// Input: section NUL key NUL file text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    size_t a = in.find('\0');
    if (a == std::string_view::npos) return 0;
    size_t b = in.find('\0', a + 1);
    if (b == std::string_view::npos) return 0;
    std::string section(in.substr(0, a));
    std::string key(in.substr(a + 1, b - a - 1));
    std::string_view text = in.substr(b + 1);

    for (size_t room : {size_t(0), size_t(1), size_t(3), size_t(50), size_t(260)}) {
        char buf[261];
        memset(buf, 0x7f, sizeof(buf));
        bool cut = false;
        size_t n = formats::ProfileGetString(text, section.c_str(), key.c_str(), "ERROR", buf, room, &cut);
        if (room == 0) {
            if (n != 0 || buf[0] != 0x7f) abort();
            continue;
        }
        if (n > room - 1 || buf[n] != '\0' || buf[room] != 0x7f) abort();
    }
    formats::ProfileHasSection(text, section);

    // The tools' view of the same text: every place lies inside its line.
    formats::ProfileParse parse = formats::ParseProfile(text);
    for (const formats::ProfileSection& s : parse.sections) {
        for (const formats::ProfileLine& e : s.entries) {
            if (e.valueColumn < 1 || static_cast<size_t>(e.valueColumn) > e.end - e.begin + 1) abort();
        }
    }
    formats::DetectProfileEncoding(text);

    // Whatever the file held, a value just written is the value read back, as long as
    // the names are plain words.
    auto plain = [](const std::string& name) {
        bool letter = false;
        for (char c : name) {
            bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
            if (!alnum && c != ' ') return false;
            letter = letter || alnum;
        }
        return letter;
    };
    // (Read back as the stand-in reads it, so that a UTF-16LE file is read as Unicode.)
    std::string written = formats::ProfileSetValue(text, section, key, "fuzz value");
    char back[16];
    bool cut = false;
    if (plain(section) && plain(key) &&
        (formats::ProfileGetString(written, section.c_str(), key.c_str(), "", back, sizeof(back), &cut) != 10 ||
         std::string_view(back) != "fuzz value")) {
        abort();
    }
    return 0;
}
