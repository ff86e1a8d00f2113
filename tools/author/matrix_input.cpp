#include "author/matrix_input.h"

#include <algorithm>
#include <cctype>

namespace author {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> SplitCommas(std::string_view list) {
    std::vector<std::string_view> items;
    size_t start = 0;
    while (true) {
        size_t comma = list.find(',', start);
        items.push_back(list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return items;
}

bool IsHex(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

void SortUnique(std::vector<uint16_t>* v) {
    std::sort(v->begin(), v->end());
    v->erase(std::unique(v->begin(), v->end()), v->end());
}

}  // namespace

std::vector<std::string> ParseModelsFile(std::string_view text) {
    std::vector<std::string> models;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        size_t first = 0;
        while (first < line.size() && IsBlank(line[first])) ++first;
        if (first == line.size() || line[first] == '#') continue;
        // The name goes to the engine as the firmware would hand it over: as written.
        models.emplace_back(line);
    }
    return models;
}

bool ParseLanguages(std::string_view list, std::vector<uint16_t>* out, std::string* error) {
    out->clear();
    if (Trim(list) == "all") {
        for (const KnownLanguage& l : KnownLanguages()) out->push_back(l.langId);
        return true;
    }
    for (std::string_view item : SplitCommas(list)) {
        std::string_view hex = Trim(item);
        if (hex.size() > 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X')) hex.remove_prefix(2);
        if (!IsHex(hex) || hex.size() > 4) {
            *error = "not a language identifier (1 to 4 hex digits, or all): \"" + std::string(item) + "\"";
            return false;
        }
        out->push_back(static_cast<uint16_t>(std::stoul(std::string(hex), nullptr, 16)));
    }
    SortUnique(out);
    return true;
}

std::vector<uint16_t> LanguagesNamedBySections(const std::vector<std::string>& sectionNames) {
    std::vector<uint16_t> langs = {0x0409};
    for (const std::string& name : sectionNames) {
        size_t dash1 = name.find('-');
        if (dash1 == std::string::npos) continue;
        size_t dash2 = name.find('-', dash1 + 1);
        if (dash2 == std::string::npos) continue;
        std::string_view lang = std::string_view(name).substr(dash1 + 1, dash2 - dash1 - 1);
        if (!IsHex(lang) || (lang.size() != 2 && lang.size() != 4)) continue;
        unsigned value = static_cast<unsigned>(std::stoul(std::string(lang), nullptr, 16));
        if (lang.size() == 4) {
            langs.push_back(static_cast<uint16_t>(value));
        } else if (lang.size() == 2) {
            langs.push_back(static_cast<uint16_t>(0x0400 | value));
        }
    }
    SortUnique(&langs);
    return langs;
}

bool ParseRegions(std::string_view list, std::vector<std::string>* out, std::string* error) {
    out->clear();
    if (list.empty()) {
        *error = "no region named";
        return false;
    }
    for (std::string_view item : SplitCommas(list)) {
        std::string region(Trim(item));
        if (std::find(out->begin(), out->end(), region) == out->end()) out->push_back(region);
    }
    return true;
}

bool ParseScreens(std::string_view list, bool* wide, bool* normal, std::string* error) {
    *wide = false;
    *normal = false;
    for (std::string_view item : SplitCommas(list)) {
        std::string_view s = Trim(item);
        if (s == "wide") {
            *wide = true;
        } else if (s == "normal") {
            *normal = true;
        } else {
            *error = "not a screen shape (wide or normal): \"" + std::string(item) + "\"";
            return false;
        }
    }
    return true;
}

}  // namespace author
