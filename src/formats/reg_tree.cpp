#include <algorithm>

#include "formats/ascii.h"
#include "formats/reg_internal.h"

namespace formats {
namespace reg_detail {

bool SameText(std::string_view a, std::string_view b) { return AsciiSameText(a, b); }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool IsTextType(uint32_t type) { return type == 1 || type == 2 || type == 7; }

namespace {

// A root spelled out, in its canonical capitals; empty when the name is not a root.
std::string CanonicalRoot(std::string_view root) {
    static const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                         "HKEY_CURRENT_CONFIG"};
    for (const char* r : kRoots) {
        if (SameText(root, r)) return r;
    }
    return "";
}

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

void DropFromIndex(Registry& reg, RegNode* node) {
    for (RegNode* child : node->children) DropFromIndex(reg, child);
    if (node->listed) reg.order[node->slot] = nullptr;
    reg.index.erase(std::string_view(node->path));  // frees the node
}

}  // namespace

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

}  // namespace reg_detail

using namespace reg_detail;

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

}  // namespace formats
