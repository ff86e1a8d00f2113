// The matrix as CSV and JSON, and its summary.
#include <algorithm>
#include <cstdio>
#include <set>
#include <tuple>

#include "author/matrix.h"
#include "author/output.h"
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

namespace {

// A row's members after its models.
nlohmann::ordered_json RowMembers(const MatrixRow& r) {
    return {{"category", r.category},
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

}  // namespace

nlohmann::ordered_json RowJson(const MatrixRow& r) {
    nlohmann::ordered_json row = {{"model", *r.models}};
    nlohmann::ordered_json members = RowMembers(r);
    for (auto& [key, value] : members.items()) row[key] = std::move(value);
    return row;
}

std::vector<std::string> DefaultOnlyModels(const MatrixSummary::DefaultOnly& entry) {
    std::vector<std::string> models;
    for (const TextList& list : entry.groups) models.insert(models.end(), list->begin(), list->end());
    std::sort(models.begin(), models.end());
    models.erase(std::unique(models.begin(), models.end()), models.end());
    return models;
}

bool WriteMatrixJson(const std::vector<MatrixRow>& rows, const MatrixSummary& s,
                     const std::function<void(std::string_view)>& sink, std::string* error) {
    JsonStream json(sink);
    json.BeginObject();
    json.Key("rows");
    json.BeginArray();
    // Each row's members one by one, its model list made once for all the rows that share it.
    std::map<const std::vector<std::string>*, nlohmann::ordered_json> modelLists;
    for (const MatrixRow& r : rows) {
        auto models = modelLists.find(r.models.get());
        if (models == modelLists.end()) models = modelLists.emplace(r.models.get(), *r.models).first;
        nlohmann::ordered_json row = RowMembers(r);
        json.BeginObject();
        json.Key("model");
        json.Value(models->second);
        for (const auto& [key, value] : row.items()) {
            json.Key(key);
            json.Value(value);
        }
        json.End();
    }
    json.End();
    json.Key("summary");
    json.BeginObject();
    json.Key("rows");
    json.Value(s.rows);
    nlohmann::ordered_json perSection = nlohmann::ordered_json::object();
    for (const auto& [name, count] : s.perSection) perSection[name] = count;
    json.Key("sections");
    json.Value(perSection);
    json.Key("unreached_sections");
    json.Value(s.deadSections);
    json.Key("default_only");
    json.BeginArray();
    for (const MatrixSummary::DefaultOnly& d : s.defaultOnly) {
        json.Value({{"category", d.category},
                    {"region", d.region},
                    {"language", LangIdText(d.language)},
                    {"model", DefaultOnlyModels(d)}});
    }
    json.End();
    json.End();
    json.End();
    return json.Finish(error);
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
    struct Triple {
        bool onlyDefault = true;
        std::vector<TextList> groups;
    };
    std::map<std::tuple<std::string, std::string, uint16_t>, Triple> triples;
    for (const MatrixRow& r : rows) {
        ++s.perSection[spelling.emplace(FoldName(r.section), r.section).first->second];
        std::string region = FoldName(r.region);
        regionSpelling.emplace(region, r.region);
        Triple& t = triples[{r.category, region, r.language}];
        t.onlyDefault = t.onlyDefault && r.candidate == 0;
        if (std::find(t.groups.begin(), t.groups.end(), r.models) == t.groups.end()) t.groups.push_back(r.models);
    }
    for (const std::string& name : brandingSections) {
        if (s.perSection.count(spelling[FoldName(name)]) == 0) s.deadSections.push_back(name);
    }
    for (auto& [key, t] : triples) {
        if (!t.onlyDefault) continue;
        s.defaultOnly.push_back(
            {std::get<0>(key), regionSpelling[std::get<1>(key)], std::get<2>(key), std::move(t.groups)});
    }
    return s;
}

}  // namespace author
