// The coverage matrix: for every model (grouped when the engine treats them alike),
// region, system UI language and screen shape, what the engine would install, asked of
// the engine's own decision functions. Written as CSV, JSON or the HTML report.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace author {

// One combination that can lead to its own outcome.
struct MatrixRow {
    std::vector<std::string> models;  // the models that behave alike here, as listed
    std::string category;             // the engine's sub-brand
    std::string region;               // the dash region the section names are built with
    std::string regionSource;         // "option-code", "qor-ini" or "fallback"
    std::string regionEvidence;       // the option code and table row, or the QOR.INI value
    uint16_t language = 0;            // system UI language identifier
    bool wide = false;
    std::string section;              // the chosen section, or DEFAULT_SECTION
    int candidate = 0;                // 1-5: the candidate that found it; 0: the default
    std::vector<std::string> probes;  // each candidate probed, with why it missed
    std::string home;                 // URL of the start page (set with -h), or empty
    std::string search;               // URL of the search page, or empty
    std::vector<std::string> favorites;  // Name of each favorite installed, in order
    std::string variant;              // wallpaper variant folder, "\standard" ...
    std::string sizeFile;             // "\1920x1200.jpg" or "\1024x768.jpg"
    std::vector<std::string> flags;   // default, no-branding, missing-link, asset-missing, two-letter-match
    std::vector<std::string> notes;   // why each flag is set, for the report
};

struct MatrixSummary {
    size_t rows = 0;
    std::map<std::string, size_t> perSection;  // rows each section serves
    std::vector<std::string> deadSections;     // branding sections no row reaches
    // Category, region and language (screens folded) whose every row ends in the default.
    struct DefaultOnly {
        std::string category;
        std::string region;
        uint16_t language = 0;
        std::vector<std::string> models;
    };
    std::vector<DefaultOnly> defaultOnly;
};

// The summary of a finished matrix. `brandingSections` are the file's sections that
// carry branding keys (Home, Search or Favorites) or are DEFAULT_SECTION.
MatrixSummary Summarize(const std::vector<MatrixRow>& rows, const std::vector<std::string>& brandingSections);

// "0409"
std::string LangIdText(uint16_t langId);

// The CSV header, one line per row; lists joined with ";", RFC 4180 quoting, CR LF lines.
void WriteMatrixCsv(std::ostream& out, const std::vector<MatrixRow>& rows);
std::string CsvField(const std::string& field);

// {"rows": [...], "summary": {...}}
nlohmann::ordered_json MatrixJson(const std::vector<MatrixRow>& rows, const MatrixSummary& summary);
nlohmann::ordered_json RowJson(const MatrixRow& row);
nlohmann::ordered_json SummaryJson(const MatrixSummary& summary);

}  // namespace author
