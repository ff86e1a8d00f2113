#include <cstdio>

#include "formats/codepage.h"
#include "formats/reg_internal.h"

namespace formats {

using namespace reg_detail;

namespace {

std::string Quote(std::string_view text) {
    std::string out;
    AppendQuoted(out, text);
    return out;
}

// Hex bytes after `lead`, wrapped as regedit wraps them: lines of at most 80 characters
// (the first one counted from the start of its value name, `column`), each continued
// with a trailing "\" and the next indented by two spaces.
std::string WrapHex(const std::string& lead, std::string_view bytes, size_t column) {
    std::string out = lead;
    column += lead.size();
    for (size_t i = 0; i < bytes.size(); ++i) {
        bool last = i + 1 == bytes.size();
        static const char kDigits[] = "0123456789abcdef";
        unsigned char byte = static_cast<unsigned char>(bytes[i]);
        char piece[4] = {kDigits[byte >> 4], kDigits[byte & 15], last ? '\0' : ',', '\0'};
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

class RegWriter {
public:
    RegWriter(bool utf16, const std::function<bool(std::string_view)>& put) : utf16_(utf16), put_(put) {
        if (utf16_) buf_ = "\xFF\xFE";
    }
    void Add(std::string_view s) {
        if (!ok_) return;
        if (utf16_) {
            buf_ += AnsiToUtf16Le(s);
        } else {
            buf_ += s;
        }
        if (buf_.size() >= (1u << 20)) Flush();
    }
    bool Finish() {
        Flush();
        return ok_;
    }

private:
    void Flush() {
        if (ok_ && !buf_.empty()) ok_ = put_(buf_);
        buf_.clear();
    }
    bool utf16_;
    const std::function<bool(std::string_view)>& put_;
    std::string buf_;
    bool ok_ = true;
};

void AddValues(RegWriter& out, const std::vector<RegValue>& values, bool regedit4) {
    std::string line;
    for (const RegValue& value : values) {
        line.clear();
        AppendValueLine(line, value, regedit4);
        out.Add(line);
    }
}

namespace reg_detail {

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    size_t i = 0;
    while (i < text.size()) {
        size_t stop = i;
        while (stop < text.size() && text[stop] != '\\' && text[stop] != '"') ++stop;
        out.append(text.data() + i, stop - i);
        if (stop < text.size()) {
            out += '\\';
            out += text[stop];
            ++stop;
        }
        i = stop;
    }
    out += '"';
}

void AppendValueLine(std::string& out, const RegValue& value, bool regedit4) {
    size_t start = out.size();
    if (value.name.empty()) {
        out += '@';
    } else {
        AppendQuoted(out, value.name);
    }
    out += '=';
    const std::string& d = value.data;
    if (value.type == 1 && !d.empty() && d.back() == '\0' && d.find('\0') == d.size() - 1) {
        AppendQuoted(out, std::string_view(d).substr(0, d.size() - 1));  // as FormatRegData writes it
    } else {
        out += FormatRegData(value, regedit4, out.size() - start);
    }
    out += "\r\n";
}

}  // namespace reg_detail

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
    return WrapHex(lead, !regedit4 && IsTextType(value.type) ? AnsiToUtf16Le(d) : d, column);
}

bool FormatRegTextTo(const Registry& reg, const std::function<bool(std::string_view)>& put) {
    RegWriter out(reg.utf16, put);
    out.Add(reg.regedit4 ? "REGEDIT4\r\n\r\n" : "Windows Registry Editor Version 5.00\r\n\r\n");
    for (const RegNode* node : reg.order) {
        if (node == nullptr) continue;
        out.Add("[");
        out.Add(node->key ? node->key->path : node->listedAs.empty() ? node->path
                                                                     : node->listedAs);
        out.Add("]\r\n");
        if (node->key) {
            AddValues(out, node->key->values, reg.regedit4);
        } else if (node->verbatim) {
            const auto& [from, to] = node->blocks.front();
            out.Add(std::string_view(reg.text).substr(from, to - from));
        } else {
            std::vector<RegValue> values;
            ReplayBlocks(reg, *node, &values);
            AddValues(out, values, reg.regedit4);
        }
        out.Add("\r\n");
    }
    return out.Finish();
}

std::string FormatRegText(const Registry& reg) {
    std::string out;
    FormatRegTextTo(reg, [&](std::string_view piece) {
        out += piece;
        return true;
    });
    return out;
}

}  // namespace formats
