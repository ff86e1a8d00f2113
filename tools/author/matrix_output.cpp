// The matrix as CSV and JSON, and its summary.
#include <algorithm>
#include <cstdio>
#include <set>
#include <tuple>

#include "author/matrix.h"
#include "author/text.h"

namespace author {

namespace {

std::string Join(const std::vector<std::string>& items) {
    std::string s;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) s += ';';
        s += items[i];
    }
    return s;
}

}  // namespace

std::string LangIdText(uint16_t langId) {
    char text[8];
    std::snprintf(text, sizeof(text), "%04X", static_cast<unsigned>(langId));
    return text;
}

std::string FoldName(std::string name) {
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return name;
}

std::string CsvField(const std::string& field) {
    // Control characters other than CR and LF are shown as in a quoted text line.
    bool controls = false;
    for (unsigned char c : field) controls = controls || ((c < 0x20 && c != '\r' && c != '\n') || c == 0x7F);
    if (controls) {
        std::string shown = Quoted(field);
        return CsvField(shown.substr(1, shown.size() - 2));
    }
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

void WriteMatrixCsv(std::ostream& out, const std::vector<MatrixRow>& rows) {
    out << "model,category,region,region_source,language,screen,section,candidate,home,search,favorites,shortcuts,"
           "wallpapers,variant,size_file,flags\r\n";
    for (const MatrixRow& r : rows) {
        const std::string fields[] = {Join(*r.models), r.category, r.region, r.regionSource, LangIdText(r.language),
                                      r.wide ? "wide" : "normal", r.section, std::to_string(r.candidate), r.home,
                                      r.search, Join(*r.favorites), Join(*r.shortcuts), Join(*r.wallpapers), r.variant,
                                      r.sizeFile, Join(r.flags)};
        for (size_t i = 0; i < std::size(fields); ++i) {
            if (i > 0) out << ',';
            out << CsvField(fields[i]);
        }
        out << "\r\n";
    }
}

nlohmann::ordered_json RowJson(const MatrixRow& r) {
    return {{"model", *r.models},
            {"category", r.category},
            {"region", r.region},
            {"region_source", r.regionSource},
            {"language", LangIdText(r.language)},
            {"screen", r.wide ? "wide" : "normal"},
            {"section", r.section},
            {"candidate", r.candidate},
            {"home", r.home},
            {"search", r.search},
            {"favorites", *r.favorites},
            {"shortcuts", *r.shortcuts},
            {"signup", *r.signup},
            {"wallpapers", *r.wallpapers},
            {"variant", r.variant},
            {"size_file", r.sizeFile},
            {"flags", r.flags}};
}

nlohmann::ordered_json SummaryJson(const MatrixSummary& s) {
    nlohmann::ordered_json perSection = nlohmann::ordered_json::object();
    for (const auto& [name, count] : s.perSection) perSection[name] = count;
    nlohmann::ordered_json defaultOnly = nlohmann::ordered_json::array();
    for (const MatrixSummary::DefaultOnly& d : s.defaultOnly) {
        defaultOnly.push_back({{"category", d.category},
                               {"region", d.region},
                               {"language", LangIdText(d.language)},
                               {"model", d.models}});
    }
    return {{"rows", s.rows},
            {"sections", perSection},
            {"unreached_sections", s.deadSections},
            {"default_only", defaultOnly}};
}

nlohmann::ordered_json MatrixJson(const std::vector<MatrixRow>& rows, const MatrixSummary& summary) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const MatrixRow& r : rows) list.push_back(RowJson(r));
    return {{"rows", std::move(list)}, {"summary", SummaryJson(summary)}};
}

MatrixSummary Summarize(const std::vector<MatrixRow>& rows, const std::vector<std::string>& brandingSections) {
    MatrixSummary s;
    s.rows = rows.size();
    // Section names and regions match without regard to case, as the profile reader
    // matches them: a section is counted under the file's spelling of its name, a region
    // under the first spelling seen.
    std::map<std::string, std::string> spelling;
    for (const std::string& name : brandingSections) spelling.emplace(FoldName(name), name);
    std::map<std::string, std::string> regionSpelling;
    using Key = std::tuple<std::string, std::string, uint16_t>;
    std::map<Key, bool> onlyDefault;
    std::map<Key, std::set<std::string>> keyModels;
    for (const MatrixRow& r : rows) {
        ++s.perSection[spelling.emplace(FoldName(r.section), r.section).first->second];
        std::string region = FoldName(r.region);
        regionSpelling.emplace(region, r.region);
        Key key{r.category, region, r.language};
        auto it = onlyDefault.find(key);
        bool isDefault = r.candidate == 0;
        if (it == onlyDefault.end()) {
            onlyDefault[key] = isDefault;
        } else {
            it->second = it->second && isDefault;
        }
        keyModels[key].insert(r.models->begin(), r.models->end());
    }
    for (const std::string& name : brandingSections) {
        if (s.perSection.count(spelling[FoldName(name)]) == 0) s.deadSections.push_back(name);
    }
    for (const auto& [key, isDefault] : onlyDefault) {
        if (!isDefault) continue;
        const std::set<std::string>& models = keyModels[key];
        s.defaultOnly.push_back({std::get<0>(key), regionSpelling[std::get<1>(key)], std::get<2>(key),
                                 std::vector<std::string>(models.begin(), models.end())});
    }
    return s;
}

}  // namespace author
