// What the reader, the writer and the key tree of the .reg format share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "formats/reg_format.h"

namespace formats {

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

namespace reg_detail {

bool SameText(std::string_view a, std::string_view b);
std::string_view TrimBlanks(std::string_view s);
bool IsTextType(uint32_t type);

// "root\a\b" with the root in capitals and no empty parts; empty when not a valid path.
std::string CanonicalPath(std::string_view path);

// The key tree.
RegNode* Lookup(const Registry& reg, std::string_view canonical);
RegNode* Obtain(Registry& reg, const std::string& canonical);
void MarkListed(Registry& reg, RegNode* node, const std::string& spelling);
void DeleteSubtree(Registry& reg, RegNode* node);
void SortChildren(RegNode* node);
// The key of a node, its values read from the file text on first use.
RegKey* Open(Registry& reg, RegNode* node);
// Applies the value lines of a key's blocks, in file order, to its value list.
void ReplayBlocks(const Registry& reg, const RegNode& node, std::vector<RegValue>* values);

// Writing: a quoted text, and a value's whole line (CR LF included).
void AppendQuoted(std::string& out, std::string_view text);
void AppendValueLine(std::string& out, const RegValue& value, bool regedit4);

}  // namespace reg_detail
}  // namespace formats
