#include "formats/codepage.h"

namespace formats {
namespace {

// Windows-1252 at 0x80..0x9F; the five bytes it leaves undefined map to the control
// characters of the same number, as Windows maps them.
const char16_t kCp1252High[32] = {
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x008D,
    0x017D,
    0x008F,
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x009D,
    0x017E,
    0x0178,
};

}  // namespace

uint32_t UnicodeFromAnsi(unsigned char c) { return (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : c; }

bool AnsiFromUnicode(uint32_t cp, char* byte) {
    if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100)) {
        *byte = static_cast<char>(cp);
        return true;
    }
    for (size_t k = 0; k < 32; ++k) {
        if (kCp1252High[k] == cp) {
            *byte = static_cast<char>(0x80 + k);
            return true;
        }
    }
    return false;
}

void AppendUtf8(std::string* out, uint32_t cp) {
    if (cp < 0x80) {
        *out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out += static_cast<char>(0xC0 | (cp >> 6));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out += static_cast<char>(0xE0 | (cp >> 12));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (cp >> 18));
        *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The next code point of UTF-8 text (our own, so well formed; a stray byte is taken as

uint32_t NextUtf8(std::string_view s, size_t* i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = byte(*i);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2
                            : (c >> 4) == 0xE   ? 3
                            : (c >> 3) == 0x1E  ? 4
                                                : 0;
    if (len == 0 || *i + len > s.size()) {
        ++*i;
        return 0xFFFD;
    }
    uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F)
                             : len == 3   ? (c & 0x0F)
                                          : (c & 0x07);
    for (size_t k = 1; k < len; ++k) {
        if ((byte(*i + k) & 0xC0) != 0x80) {
            ++*i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (byte(*i + k) & 0x3F);
    }
    *i += len;
    return cp;
}

bool IsUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        size_t at = i;
        uint32_t cp = NextUtf8(text, &i);
        if (cp == 0xFFFD && text.compare(at, 3, "\xEF\xBF\xBD") != 0) return false;
        // Overlong forms and surrogates are not UTF-8 either.
        size_t len = i - at;
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp < 0xE000)) {
            return false;
        }
    }
    return true;
}

bool IsUtf16LeFile(std::string_view bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xFE;
}

std::string Utf16FileToUtf8(std::string_view bytes) {
    std::string out;
    size_t n = bytes.size() / 2;  // an odd last byte is no character
    for (size_t i = 1; i < n; ++i) {
        auto unit = [&](size_t k) {
            return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                         (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
        };
        uint32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < n && unit(i + 1) >= 0xDC00 && unit(i + 1) < 0xE000) {
            AppendUtf8(&out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else {
            AppendUtf8(&out, u);
        }
    }
    return out;
}

std::string Utf8ToUtf16File(std::string_view text) {
    std::string out = "\xFF\xFE";
    auto put = [&](uint32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    for (size_t i = 0; i < text.size();) {
        uint32_t cp = NextUtf8(text, &i);
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp < 0x10000 ? cp : 0xFFFD);
        }
    }
    return out;
}

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (unsigned char c : ansi) AppendUtf8(&out, UnicodeFromAnsi(c));
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char c = '?';
        AnsiFromUnicode(NextUtf8(utf8, &i), &c);
        out += c;
    }
    return out;
}

std::string Utf16LeToAnsi(std::string_view units) {
    std::string out;
    for (size_t i = 0; i + 1 < units.size(); i += 2) {
        uint32_t unit = static_cast<unsigned char>(units[i]) | (static_cast<unsigned char>(units[i + 1]) << 8);
        char c = '?';
        AnsiFromUnicode(unit, &c);
        out += c;
    }
    return out;
}

std::string AnsiToUtf16Le(std::string_view ansi) {
    std::string out;
    for (unsigned char c : ansi) {
        uint32_t unit = UnicodeFromAnsi(c);
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    return out;
}

}  // namespace formats
