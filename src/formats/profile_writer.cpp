#include "formats/profile_writer.h"

namespace formats {

using namespace profile_detail;

std::string ProfileSetValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
    if (ProfileIsUtf16(text)) {
        return Utf8ToUtf16File(
            ProfileSetValue(Utf16FileToUtf8(text), AnsiToUtf8(section), AnsiToUtf8(key), AnsiToUtf8(value)));
    }
    section = ProfileRequestName(section);
    key = ProfileRequestName(key);
    std::string newEntry = std::string(key) + "=" + std::string(value);

    // The first section of that name, and the last entry line within it.
    bool inside = false;
    bool found = false;
    size_t insertAt = 0;
    bool insertNeedsBreak = false;
    ProfileLines lines(text);
    ProfileLine line;
    while (lines.Next(&line)) {
        if (line.kind == ProfileLine::kHeader) {
            if (inside) break;
            if (SameName(line.name, section)) {
                inside = true;
                found = true;
                insertAt = line.next;
                insertNeedsBreak = line.next == line.end;
            }
            continue;
        }
        if (!inside || line.kind != ProfileLine::kEntry) continue;
        if (SameName(line.key, key)) {
            size_t valueAt = text.find('=', line.begin) + 1;
            return std::string(text.substr(0, valueAt)) + std::string(value) + std::string(text.substr(line.end));
        }
        insertAt = line.next;
        insertNeedsBreak = line.next == line.end;
    }

    std::string out;
    if (found) {
        out.assign(text.substr(0, insertAt));
        if (insertNeedsBreak) out += "\r\n";
        out += newEntry + "\r\n";
        out += text.substr(insertAt);
        return out;
    }
    out.assign(text);
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += "\r\n";
    out += "[" + std::string(section) + "]\r\n" + newEntry + "\r\n";
    return out;
}

}  // namespace formats
