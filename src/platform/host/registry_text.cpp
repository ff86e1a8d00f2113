#include "platform/host/registry_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>

#include "platform/host/ascii.h"

namespace host {
namespace {

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
        value->type = static_cast<DWORD>(type);
        if (!ParseHexBytes(s.substr(close + 2), &value->data)) return false;
        if (!regedit4 && IsTextType(value->type)) value->data = NarrowUtf16(value->data);
        return true;
    }
    return false;
}

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

struct RegNode {
    std::string path;  // canonical spelling, as the key was first named
    RegNode* parent = nullptr;
    std::vector<RegNode*> children;  // sorted without regard to case when childrenSorted
    bool childrenSorted = true;
    size_t listedBelow = 0;  // listed keys in this subtree, the key itself included
    size_t slot = 0;         // place in Registry::order while listed
    bool listed = false;
    std::string listedAs;  // the spelling it was listed with, when that differs from path
    // Values: opened (key) or still in the file text, in blocks of value lines in file
    // order. `verbatim` says the one block is byte for byte how it would be written.
    std::unique_ptr<RegKey> key;
    std::vector<std::pair<size_t, size_t>> blocks;
    bool verbatim = false;

    std::string_view Name() const {
        size_t slash = path.rfind('\\');
        return slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
    }
};

Registry::Registry() = default;
Registry::~Registry() = default;
Registry::Registry(Registry&&) noexcept = default;
Registry& Registry::operator=(Registry&&) noexcept = default;

size_t RegPathHash::operator()(std::string_view path) const {
    uint64_t h = 1469598103934665603ull;  // FNV-1a over the lower-cased bytes
    for (char c : path) h = (h ^ static_cast<unsigned char>(AsciiLower(c))) * 1099511628211ull;
    return static_cast<size_t>(h);
}

bool RegPathEqual::operator()(std::string_view a, std::string_view b) const { return SameText(a, b); }

namespace {

// Byte order of the lower-cased names, without building them.
bool LessIgnoringCase(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(AsciiLower(a[i]));
        unsigned char y = static_cast<unsigned char>(AsciiLower(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

RegNode* Lookup(const Registry& reg, std::string_view canonical) {
    auto it = reg.index.find(canonical);
    return it == reg.index.end() ? nullptr : it->second.get();
}

// The node for a canonical path, made with its parents when missing.
RegNode* Obtain(Registry& reg, const std::string& canonical) {
    if (RegNode* node = Lookup(reg, canonical)) return node;
    size_t slash = canonical.rfind('\\');
    RegNode* parent = slash == std::string::npos ? nullptr : Obtain(reg, canonical.substr(0, slash));
    auto owned = std::make_unique<RegNode>();
    RegNode* node = owned.get();
    node->path = canonical;
    node->parent = parent;
    reg.index.emplace(std::string_view(node->path), std::move(owned));
    if (parent) {
        // Keys mostly arrive in order; otherwise the list is sorted when it is next read.
        if (!parent->children.empty() && !LessIgnoringCase(parent->children.back()->Name(), node->Name())) {
            parent->childrenSorted = false;
        }
        parent->children.push_back(node);
    }
    return node;
}

// A key that was there only as a parent takes the spelling it is now listed with.
void MarkListed(Registry& reg, RegNode* node, const std::string& spelling) {
    if (node->listed) return;
    if (spelling != node->path) node->listedAs = spelling;
    node->listed = true;
    node->slot = reg.order.size();
    reg.order.push_back(node);
    for (RegNode* n = node; n; n = n->parent) ++n->listedBelow;
}

void DropFromIndex(Registry& reg, RegNode* node) {
    for (RegNode* child : node->children) DropFromIndex(reg, child);
    if (node->listed) reg.order[node->slot] = nullptr;
    reg.index.erase(std::string_view(node->path));  // frees the node
}

// Removes a key and everything below it; parents that were there only because of it go
// too. Roots stay.
void DeleteSubtree(Registry& reg, RegNode* node) {
    if (node->parent == nullptr) {  // a root: empty it
        for (RegNode* child : node->children) DropFromIndex(reg, child);
        node->children.clear();
        if (node->listed) reg.order[node->slot] = nullptr;
        node->listed = false;
        node->listedBelow = 0;
        node->key.reset();
        node->blocks.clear();
        return;
    }
    size_t gone = node->listedBelow;
    for (RegNode* n = node->parent; n; n = n->parent) n->listedBelow -= gone;
    while (node->parent) {
        RegNode* parent = node->parent;
        auto& siblings = parent->children;
        siblings.erase(std::find(siblings.begin(), siblings.end(), node));
        DropFromIndex(reg, node);
        if (parent->listedBelow != 0 || parent->parent == nullptr) return;
        node = parent;
    }
}

void SortChildren(RegNode* node) {
    if (node->childrenSorted) return;
    std::sort(node->children.begin(), node->children.end(),
              [](const RegNode* a, const RegNode* b) { return LessIgnoringCase(a->Name(), b->Name()); });
    node->childrenSorted = true;
}

// One logical line of a .reg text: hex data continued with a trailing "\" is joined with
// the lines that follow. `begin` is where it starts, `next` where the following line starts.
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

// A value's line as it is written, CR LF included, appended to out.
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

// Applies the value lines of a key's blocks, in file order, to its value list.
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

RegKey* Open(Registry& reg, RegNode* node) {
    if (!node->key) {
        node->key = std::make_unique<RegKey>();
        node->key->path = node->listedAs.empty() ? node->path : node->listedAs;
        ReplayBlocks(reg, *node, &node->key->values);
        node->blocks.clear();
        node->blocks.shrink_to_fit();
    }
    return node->key.get();
}

// The value names of one block, by hash: First() is false when a name of that hash came
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

// Collects output into pieces of about 1 MiB, widened to UTF-16LE when the file was.
class RegWriter {
public:
    RegWriter(bool utf16, const std::function<bool(std::string_view)>& put) : utf16_(utf16), put_(put) {
        if (utf16_) buf_ = "\xFF\xFE";
    }
    void Add(std::string_view s) {
        if (!ok_) return;
        if (utf16_) {
            for (char c : s) {
                buf_ += c;
                buf_ += '\0';
            }
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
        auto narrow = std::make_shared<std::string>(NarrowUtf16(bytes.substr(2)));
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

RegKey* FindRegKey(Registry& reg, std::string_view path) {
    RegNode* node = Lookup(reg, CanonicalPath(path));
    return node && node->listed ? Open(reg, node) : nullptr;
}

bool RegKeyExists(const Registry& reg, std::string_view path) {
    std::string canonical = CanonicalPath(path);
    if (canonical.empty()) return false;
    if (canonical.find('\\') == std::string::npos) return true;  // a root
    return Lookup(reg, canonical) != nullptr;
}

RegKey& CreateRegKey(Registry& reg, std::string_view path) {
    std::string canonical = CanonicalPath(path);
    RegNode* node = Obtain(reg, canonical);
    MarkListed(reg, node, canonical);
    return *Open(reg, node);
}

RegValue* FindRegValue(RegKey& key, std::string_view name) {
    for (RegValue& value : key.values) {
        if (SameText(value.name, name)) return &value;
    }
    return nullptr;
}

std::vector<std::string> RegSubkeys(Registry& reg, std::string_view path) {
    std::vector<std::string> names;
    RegNode* node = Lookup(reg, CanonicalPath(path));
    if (node == nullptr) return names;
    SortChildren(node);
    for (const RegNode* child : node->children) names.emplace_back(child->Name());
    return names;
}

std::string_view RegSubkeyAt(Registry& reg, std::string_view path, size_t index) {
    RegNode* node = Lookup(reg, CanonicalPath(path));
    if (node == nullptr || index >= node->children.size()) return {};
    SortChildren(node);
    return node->children[index]->Name();
}

std::vector<std::string> RegListedKeys(const Registry& reg) {
    std::vector<std::string> paths;
    for (const RegNode* node : reg.order) {
        if (node == nullptr) continue;
        paths.emplace_back(node->key ? node->key->path : node->listedAs.empty() ? node->path
                                                                                : node->listedAs);
    }
    return paths;
}

}  // namespace host
