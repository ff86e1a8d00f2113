#include "platform/host/registry_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/host/ascii.h"

namespace host {
namespace {

std::string LowerText(std::string_view s) { return AsciiLowerText(s); }

bool SameText(std::string_view a, std::string_view b) { return AsciiSameText(a, b); }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// UTF-16LE code units to 8-bit text and back. Our images are Western: a code unit below
// 256 stands for itself and anything else becomes '?'.
std::string NarrowUtf16(std::string_view wide) {
    std::string out;
    for (size_t i = 0; i + 1 < wide.size(); i += 2) {
        unsigned unit = static_cast<unsigned char>(wide[i]) | (static_cast<unsigned char>(wide[i + 1]) << 8);
        out += unit < 256 ? static_cast<char>(unit) : '?';
    }
    return out;
}

std::string WidenToUtf16(std::string_view narrow) {
    std::string out;
    for (char c : narrow) {
        out += c;
        out += '\0';
    }
    return out;
}

bool IsTextType(DWORD type) { return type == 1 || type == 2 || type == 7; }

// A root spelled out, in its canonical capitals; empty when the name is not a root.
std::string CanonicalRoot(std::string_view root) {
    static const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                         "HKEY_CURRENT_CONFIG"};
    for (const char* r : kRoots) {
        if (SameText(root, r)) return r;
    }
    return "";
}

// "root\a\b" with the root in capitals and no empty parts; empty when not a valid path.
std::string CanonicalPath(std::string_view path) {
    std::string out;
    size_t start = 0;
    bool first = true;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        std::string_view part = path.substr(start, end - start);
        if (!part.empty()) {
            if (first) {
                out = CanonicalRoot(part);
                if (out.empty()) return "";
                first = false;
            } else {
                out += "\\";
                out += part;
            }
        }
        start = end + 1;
    }
    return out;
}

// Reads a quoted text at s[pos] == '"'; \\ and \" are the escapes. Returns false when the
// closing quote is missing.
bool ReadQuoted(std::string_view s, size_t* pos, std::string* out) {
    out->clear();
    for (size_t i = *pos + 1; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            *out += s[++i];
        } else if (s[i] == '"') {
            *pos = i + 1;
            return true;
        } else {
            *out += s[i];
        }
    }
    return false;
}

bool ParseHexBytes(std::string_view s, std::string* out) {
    out->clear();
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        if (i >= s.size()) break;
        size_t end = s.find(',', i);
        if (end == std::string_view::npos) end = s.size();
        std::string_view item = TrimBlanks(s.substr(i, end - i));
        if (item.empty() || item.size() > 2) return false;
        char* stop = nullptr;
        std::string text(item);
        long byte = strtol(text.c_str(), &stop, 16);
        if (*stop != '\0') return false;
        *out += static_cast<char>(byte);
        i = end + 1;
    }
    return true;
}

bool ParseData(std::string_view s, bool regedit4, RegValue* value) {
    s = TrimBlanks(s);
    if (!s.empty() && s.front() == '"') {
        size_t pos = 0;
        std::string text;
        if (!ReadQuoted(s, &pos, &text) || !TrimBlanks(s.substr(pos)).empty()) return false;
        value->type = 1;
        value->data = text + '\0';
        return true;
    }
    if (s.substr(0, 6) == "dword:") {
        std::string digits(TrimBlanks(s.substr(6)));
        if (digits.empty() || digits.size() > 8) return false;
        char* stop = nullptr;
        unsigned long v = strtoul(digits.c_str(), &stop, 16);
        if (*stop != '\0') return false;
        value->type = 4;
        value->data.assign(4, '\0');
        for (int i = 0; i < 4; ++i) value->data[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return true;
    }
    if (s.substr(0, 4) == "hex:") {
        value->type = 3;
        return ParseHexBytes(s.substr(4), &value->data);
    }
    if (s.substr(0, 4) == "hex(") {
        size_t close = s.find("):");
        if (close == std::string_view::npos) return false;
        std::string digits(s.substr(4, close - 4));
        char* stop = nullptr;
        unsigned long type = strtoul(digits.c_str(), &stop, 16);
        if (digits.empty() || *stop != '\0') return false;
        value->type = static_cast<DWORD>(type);
        if (!ParseHexBytes(s.substr(close + 2), &value->data)) return false;
        if (!regedit4 && IsTextType(value->type)) value->data = NarrowUtf16(value->data);
        return true;
    }
    return false;
}

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

// Hex bytes after `lead`, wrapped as regedit wraps them: lines of at most 80 characters
// (the first one counted from the start of its value name, `column`), each continued
// with a trailing "\" and the next indented by two spaces.
std::string WrapHex(const std::string& lead, std::string_view bytes, size_t column) {
    std::string out = lead;
    column += lead.size();
    for (size_t i = 0; i < bytes.size(); ++i) {
        bool last = i + 1 == bytes.size();
        char piece[4];
        snprintf(piece, sizeof(piece), last ? "%02x" : "%02x,", static_cast<unsigned char>(bytes[i]));
        size_t need = last ? 2 : 4;  // the piece, and room for a "\" after it
        if (column + need > 80) {
            out += "\\\r\n  ";
            column = 2;
        }
        out += piece;
        column += last ? 2 : 3;
    }
    return out;
}

}  // namespace

std::string FormatRegData(const RegValue& value, bool regedit4, size_t column) {
    const std::string& d = value.data;
    if (value.type == 1 && !d.empty() && d.back() == '\0' && d.find('\0') == d.size() - 1) {
        return Quote(std::string_view(d).substr(0, d.size() - 1));
    }
    if (value.type == 4 && d.size() == 4) {
        unsigned long v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(d[i]);
        char text[16];
        snprintf(text, sizeof(text), "dword:%08lx", v);
        return text;
    }
    if (value.type == 3) return WrapHex("hex:", d, column);
    char lead[24];
    snprintf(lead, sizeof(lead), "hex(%x):", static_cast<unsigned>(value.type));
    return WrapHex(lead, !regedit4 && IsTextType(value.type) ? WidenToUtf16(d) : d, column);
}

bool ParseRegText(std::string_view bytes, Registry* reg, std::string* error) {
    *reg = Registry();
    std::string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        reg->utf16 = true;
        text = NarrowUtf16(bytes.substr(2));
    } else {
        text.assign(bytes);
    }

    // Lines, with hex continuations (a trailing "\") joined to the next line.
    std::vector<std::pair<size_t, std::string>> lines;
    size_t pos = 0;
    size_t number = 0;
    bool continuing = false;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
        ++number;
        if (continuing) {
            lines.back().second += std::string(TrimBlanks(line));
        } else {
            lines.emplace_back(number, line);
        }
        std::string_view joined = TrimBlanks(lines.back().second);
        continuing = !joined.empty() && joined.back() == '\\' && joined.find('=') != std::string_view::npos &&
                     joined.front() != '[';
        if (continuing) lines.back().second = std::string(joined.substr(0, joined.size() - 1));
    }

    bool header = false;
    RegKey* current = nullptr;
    for (const auto& [lineNo, raw] : lines) {
        std::string_view line = TrimBlanks(raw);
        auto fail = [&, n = lineNo](const char* why) {
            *error = "registry.reg line " + std::to_string(n) + ": " + why;
            return false;
        };
        if (line.empty() || line.front() == ';') continue;
        if (!header) {
            if (line == "Windows Registry Editor Version 5.00") {
                header = true;
            } else if (line == "REGEDIT4") {
                header = true;
                reg->regedit4 = true;
            } else {
                return fail("not a registry export (no \"Windows Registry Editor Version 5.00\" line)");
            }
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']') return fail("key line without \"]\"");
            std::string_view name = line.substr(1, line.size() - 2);
            bool remove = !name.empty() && name.front() == '-';
            if (remove) name.remove_prefix(1);
            std::string path = CanonicalPath(name);
            if (path.empty()) return fail("key outside the known roots");
            if (remove) {
                std::string lowered = LowerText(path);
                reg->keys.erase(std::remove_if(reg->keys.begin(), reg->keys.end(),
                                               [&](const RegKey& k) {
                                                   std::string l = LowerText(k.path);
                                                   return l == lowered || l.compare(0, lowered.size() + 1,
                                                                                    lowered + "\\") == 0;
                                               }),
                                reg->keys.end());
                current = nullptr;
            } else {
                current = &CreateRegKey(*reg, path);
            }
            continue;
        }
        if (current == nullptr) return fail("value outside a key");
        RegValue value;
        size_t at = 0;
        if (line.front() == '@') {
            at = 1;
        } else if (line.front() == '"') {
            if (!ReadQuoted(line, &at, &value.name)) return fail("value name without its closing quote");
        } else {
            return fail("neither a key nor a value");
        }
        std::string_view rest = TrimBlanks(line.substr(at));
        if (rest.empty() || rest.front() != '=') return fail("value without \"=\"");
        rest = TrimBlanks(rest.substr(1));
        auto& values = current->values;
        auto existing = std::find_if(values.begin(), values.end(),
                                     [&](const RegValue& v) { return SameText(v.name, value.name); });
        if (rest == "-") {
            if (existing != values.end()) values.erase(existing);
            continue;
        }
        if (!ParseData(rest, reg->regedit4, &value)) return fail("value data not understood");
        if (existing != values.end()) {
            *existing = value;
        } else {
            values.push_back(value);
        }
    }
    if (!header && !bytes.empty()) {
        *error = "registry.reg: not a registry export";
        return false;
    }
    return true;
}

std::string FormatRegText(const Registry& reg) {
    std::string out = reg.regedit4 ? "REGEDIT4\r\n\r\n" : "Windows Registry Editor Version 5.00\r\n\r\n";
    for (const RegKey& key : reg.keys) {
        out += "[" + key.path + "]\r\n";
        for (const RegValue& value : key.values) {
            std::string name = (value.name.empty() ? std::string("@") : Quote(value.name)) + "=";
            out += name + FormatRegData(value, reg.regedit4, name.size()) + "\r\n";
        }
        out += "\r\n";
    }
    if (reg.utf16) return "\xFF\xFE" + WidenToUtf16(out);
    return out;
}

RegKey* FindRegKey(Registry& reg, std::string_view path) {
    std::string wanted = LowerText(CanonicalPath(path));
    if (wanted.empty()) return nullptr;
    for (RegKey& key : reg.keys) {
        if (LowerText(key.path) == wanted) return &key;
    }
    return nullptr;
}

bool RegKeyExists(const Registry& reg, std::string_view path) {
    std::string wanted = LowerText(CanonicalPath(path));
    if (wanted.empty()) return false;
    if (wanted.find('\\') == std::string::npos) return true;  // a root
    for (const RegKey& key : reg.keys) {
        std::string l = LowerText(key.path);
        if (l == wanted || l.compare(0, wanted.size() + 1, wanted + "\\") == 0) return true;
    }
    return false;
}

RegKey& CreateRegKey(Registry& reg, std::string_view path) {
    if (RegKey* key = FindRegKey(reg, path)) return *key;
    reg.keys.push_back(RegKey{CanonicalPath(path), {}});
    return reg.keys.back();
}

RegValue* FindRegValue(RegKey& key, std::string_view name) {
    for (RegValue& value : key.values) {
        if (SameText(value.name, name)) return &value;
    }
    return nullptr;
}

std::vector<std::string> RegSubkeys(const Registry& reg, std::string_view path) {
    std::string parent = LowerText(CanonicalPath(path));
    std::vector<std::string> names;
    for (const RegKey& key : reg.keys) {
        std::string l = LowerText(key.path);
        if (l.compare(0, parent.size() + 1, parent + "\\") != 0) continue;
        std::string name = key.path.substr(parent.size() + 1);
        name = name.substr(0, name.find('\\'));
        bool seen = std::any_of(names.begin(), names.end(), [&](const std::string& n) { return SameText(n, name); });
        if (!seen) names.push_back(name);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return LowerText(a) < LowerText(b); });
    return names;
}

}  // namespace host
