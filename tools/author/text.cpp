#include "author/text.h"

#include <cstdio>

#include "formats/codepage.h"

namespace author {

std::string Utf8FromImage(std::string_view ansi) { return formats::AnsiToUtf8(ansi); }

std::string ImageFromUtf8(std::string_view text) {
    return formats::IsUtf8(text) ? formats::Utf8ToAnsi(text) : std::string(text);
}

std::string Utf8FromHost(std::string_view path) {
    if (formats::IsUtf8(path)) return std::string(path);
    std::string out;
    for (size_t i = 0; i < path.size();) {
        // The longest well-formed piece from here is kept; a stray byte is Windows-1252.
        size_t at = i;
        uint32_t cp = formats::NextUtf8(path, &i);
        std::string_view piece = path.substr(at, i - at);
        if (piece.size() > 1 && formats::IsUtf8(piece)) {
            out.append(piece.data(), piece.size());
        } else if (cp < 0x80 && piece.size() == 1) {
            out += piece[0];
        } else {
            i = at + 1;
            formats::AppendUtf8(&out, formats::UnicodeFromAnsi(static_cast<unsigned char>(path[at])));
        }
    }
    return out;
}

std::string Quoted(std::string_view utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char hex[8];
                    snprintf(hex, sizeof(hex), "\\x%02X", c);
                    out += hex;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

}  // namespace author
