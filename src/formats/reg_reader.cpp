#include <algorithm>
#include <cstdlib>
#include <unordered_set>

#include "formats/codepage.h"
#include "formats/reg_internal.h"

namespace formats {

using namespace reg_detail;

namespace {

bool ReadQuoted(std::string_view s, size_t* pos, std::string* out) {
    out->clear();
    size_t i = *pos + 1;
    while (i < s.size()) {
        size_t stop = i;  // the text up to the next quote or backslash is taken as it is
        while (stop < s.size() && s[stop] != '\\' && s[stop] != '"') ++stop;
        if (stop == s.size()) return false;
        out->append(s.data() + i, stop - i);
        i = stop;
        if (s[i] == '"') {
            *pos = i + 1;
            return true;
        }
        if (i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) ++i;
        *out += s[i++];
    }
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
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
        int high = HexDigit(item[0]);
        int low = item.size() == 2 ? HexDigit(item[1]) : -1;
        if (item.size() == 2 && high >= 0 && low >= 0) {
            *out += static_cast<char>(high * 16 + low);  // the usual case, without strtol
        } else {
            char* stop = nullptr;
            std::string text(item);
            long byte = strtol(text.c_str(), &stop, 16);
            if (*stop != '\0') return false;
            *out += static_cast<char>(byte);
        }
        i = end + 1;
    }
    return true;
}

bool ParseData(std::string_view s, bool regedit4, RegValue* value) {
    s = TrimBlanks(s);
    if (!s.empty() && s.front() == '"') {
        size_t pos = 0;
        if (!ReadQuoted(s, &pos, &value->data) || !TrimBlanks(s.substr(pos)).empty()) return false;
        value->type = 1;
        value->data += '\0';
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
        value->type = static_cast<uint32_t>(type);
        if (!ParseHexBytes(s.substr(close + 2), &value->data)) return false;
        if (!regedit4 && IsTextType(value->type)) value->data = Utf16LeToAnsi(value->data);
        return true;
    }
    return false;
}

struct RegLine {
    size_t number = 0;
    size_t begin = 0;
    size_t next = 0;
    std::string_view text;
};

class RegLineReader {
public:
    explicit RegLineReader(std::string_view text, size_t from = 0, size_t to = std::string_view::npos)
        : text_(text.substr(0, std::min(to, text.size()))), pos_(from) {}

    bool Next(RegLine* out) {
        if (pos_ >= text_.size()) return false;
        out->number = ++number_;
        out->begin = pos_;
        std::string_view line = Physical();
        std::string_view joined = TrimBlanks(line);
        if (!Continues(joined)) {
            out->text = line;
            out->next = pos_;
            return true;
        }
        joined_.assign(joined.substr(0, joined.size() - 1));
        while (pos_ < text_.size()) {
            ++number_;
            joined_ += TrimBlanks(Physical());
            joined = TrimBlanks(joined_);
            if (!Continues(joined)) break;
            joined_.assign(joined.substr(0, joined.size() - 1));
        }
        out->text = joined_;
        out->next = pos_;
        return true;
    }

private:
    static bool Continues(std::string_view joined) {
        return !joined.empty() && joined.back() == '\\' && joined.find('=') != std::string_view::npos &&
               joined.front() != '[';
    }

    // CR LF, LF and CR each end a line.
    std::string_view Physical() {
        size_t end = pos_;
        while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') ++end;
        std::string_view line = text_.substr(pos_, end - pos_);
        pos_ = end;
        if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        return line;
    }

    std::string_view text_;
    size_t pos_;
    size_t number_ = 0;
    std::string joined_;
};

// A value line (already trimmed, starting with '@' or '"'): its name and what follows
// the "=". False when it is not one.
enum class ValueLine {
    Ok,
    NoClosingQuote,
    NoEquals,
    NotAValue
};
ValueLine SplitValueLine(std::string_view line, std::string* name, std::string_view* rest) {
    size_t at = 0;
    name->clear();
    if (line.front() == '@') {
        at = 1;
    } else if (line.front() == '"') {
        if (!ReadQuoted(line, &at, name)) return ValueLine::NoClosingQuote;
    } else {
        return ValueLine::NotAValue;
    }
    std::string_view r = TrimBlanks(line.substr(at));
    if (r.empty() || r.front() != '=') return ValueLine::NoEquals;
    *rest = TrimBlanks(r.substr(1));
    return ValueLine::Ok;
}

}  // namespace

namespace reg_detail {

void ReplayBlocks(const Registry& reg, const RegNode& node, std::vector<RegValue>* values) {
    for (const auto& [from, to] : node.blocks) {
        RegLineReader reader(reg.text, from, to);
        RegLine line;
        while (reader.Next(&line)) {
            std::string_view text = TrimBlanks(line.text);
            if (text.empty() || text.front() == ';') continue;
            RegValue value;
            std::string_view rest;
            if (SplitValueLine(text, &value.name, &rest) != ValueLine::Ok) continue;  // checked when parsed
            auto existing = std::find_if(values->begin(), values->end(),
                                         [&](const RegValue& v) { return SameText(v.name, value.name); });
            if (rest == "-") {
                if (existing != values->end()) values->erase(existing);
                continue;
            }
            if (!ParseData(rest, reg.regedit4, &value)) continue;
            if (existing != values->end()) {
                *existing = std::move(value);
            } else {
                values->push_back(std::move(value));
            }
        }
    }
}

}  // namespace reg_detail

namespace {

// before (or may have: a hash that two names share only costs the verbatim copy). Blocks
// are small and searched in a list; a large one moves to a set.
class NamesSeen {
public:
    void Clear() {
        few_.clear();
        many_.clear();
    }
    bool First(size_t hash) {
        if (!many_.empty()) return many_.insert(hash).second;
        if (std::find(few_.begin(), few_.end(), hash) != few_.end()) return false;
        few_.push_back(hash);
        if (few_.size() >= 64) many_.insert(few_.begin(), few_.end());
        return true;
    }

private:
    std::vector<size_t> few_;
    std::unordered_set<size_t> many_;
};

bool ParseOwnedText(Registry* reg, std::string* error, bool anyBytes) {
    RegLineReader reader(reg->text);
    RegLine line;
    bool header = false;
    RegNode* current = nullptr;
    size_t blockEnd = 0;  // where the next value line of a verbatim block must start
    NamesSeen names;
    RegValue value;
    std::string canonical;
    while (reader.Next(&line)) {
        std::string_view text = TrimBlanks(line.text);
        auto fail = [&](const char* why) {
            *error = "registry.reg line " + std::to_string(line.number) + ": " + why;
            return false;
        };
        if (text.empty() || text.front() == ';') continue;
        if (!header) {
            if (text == "Windows Registry Editor Version 5.00") {
                header = true;
            } else if (text == "REGEDIT4") {
                header = true;
                reg->regedit4 = true;
            } else {
                return fail("not a registry export (no \"Windows Registry Editor Version 5.00\" line)");
            }
            continue;
        }
        if (text.front() == '[') {
            if (text.back() != ']') return fail("key line without \"]\"");
            std::string_view name = text.substr(1, text.size() - 2);
            bool remove = !name.empty() && name.front() == '-';
            if (remove) name.remove_prefix(1);
            std::string path = CanonicalPath(name);
            if (path.empty()) return fail("key outside the known roots");
            current = nullptr;
            if (remove) {
                if (RegNode* node = Lookup(*reg, path)) DeleteSubtree(*reg, node);
                continue;
            }
            current = Obtain(*reg, path);
            MarkListed(*reg, current, path);
            current->verbatim = current->blocks.empty();
            current->blocks.emplace_back(line.next, line.next);
            blockEnd = line.next;
            names.Clear();
            continue;
        }
        if (current == nullptr) return fail("value outside a key");
        std::string_view rest;
        switch (SplitValueLine(text, &value.name, &rest)) {
            case ValueLine::NotAValue: return fail("neither a key nor a value");
            case ValueLine::NoClosingQuote: return fail("value name without its closing quote");
            case ValueLine::NoEquals: return fail("value without \"=\"");
            case ValueLine::Ok: break;
        }
        current->blocks.back().second = line.next;
        if (rest == "-") {
            current->verbatim = false;
            continue;
        }
        if (!ParseData(rest, reg->regedit4, &value)) return fail("value data not understood");
        if (current->verbatim) {
            // Still byte for byte the file we would write: contiguous lines, each one
            // formatted as we format it, no name twice.
            canonical.clear();
            AppendValueLine(canonical, value, reg->regedit4);
            current->verbatim = line.begin == blockEnd &&
                                reg->text.compare(line.begin, line.next - line.begin, canonical) == 0 &&
                                names.First(RegPathHash()(value.name));
            blockEnd = line.next;
        }
    }
    if (!header && anyBytes) {
        *error = "registry.reg: not a registry export";
        return false;
    }
    return true;
}

}  // namespace

bool ParseRegText(std::string_view bytes, Registry* reg, std::string* error) {
    return ParseRegFile(std::string(bytes), reg, error);
}

bool ParseRegFile(std::string bytes, Registry* reg, std::string* error) {
    auto owned = std::make_shared<std::string>(std::move(bytes));
    std::string_view view = *owned;
    return ParseRegShared(view, std::move(owned), reg, error);
}

bool ParseRegShared(std::string_view bytes, std::shared_ptr<const void> owner, Registry* reg, std::string* error) {
    *reg = Registry();
    bool anyBytes = !bytes.empty();
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        reg->utf16 = true;
        auto narrow = std::make_shared<std::string>(Utf16LeToAnsi(bytes.substr(2)));
        owner.reset();
        reg->text = *narrow;
        reg->textOwner = std::move(narrow);
    } else {
        reg->text = bytes;
        reg->textOwner = std::move(owner);
    }
    if (!ParseOwnedText(reg, error, anyBytes)) {
        *reg = Registry();
        return false;
    }
    return true;
}

}  // namespace formats
