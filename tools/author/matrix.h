// The coverage matrix: for every model (grouped when the engine treats them alike),
// region, system UI language and screen shape, what the engine would install, asked of
// the engine's own decision functions. Written as CSV, JSON or the HTML report.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "author/engine_query.h"

namespace author {

using TextList = std::shared_ptr<const std::vector<std::string>>;

// One combination that can lead to its own outcome. The lists are shared between the
// rows that have them in common (a group's models, a section's favorites).
struct MatrixRow {
    TextList models;             // the models that behave alike here, as listed
    std::string category;        // the engine's sub-brand
    std::string region;          // the dash region the section names are built with
    std::string regionSource;    // "option-code", "qor-ini" or "fallback"
    std::string regionEvidence;  // the option code and table row, or the QOR.INI value
    uint16_t language = 0;       // system UI language identifier
    bool wide = false;
    std::string section;                                                 // the chosen section, or DEFAULT_SECTION
    int candidate = 0;                                                   // 1-5: the candidate that found it; 0: the default
    TextList probes;                                                     // each candidate probed, with why it missed
    std::string home;                                                    // URL of the start page the run sets with -h, or empty
    std::string search;                                                  // URL of the search page the run sets, or empty
    TextList favorites = std::make_shared<std::vector<std::string>>();   // Name of each favorite installed
    TextList shortcuts = std::make_shared<std::vector<std::string>>();   // each shortcut file the run makes
    TextList signup = std::make_shared<std::vector<std::string>>();      // each sign-up entry, "[section] key=value"
    TextList wallpapers = std::make_shared<std::vector<std::string>>();  // each wallpaper copy it makes (target)
    std::string variant;                                                 // wallpaper variant folder, "\standard" ...
    std::string sizeFile;                                                // "\1920x1200.jpg" or "\1024x768.jpg"
    // default, no-branding, missing-link, path-too-long, no-shortcut, write-fails,
    // asset-missing, two-letter-match: the outcomes' names every tool uses
    std::vector<std::string> flags;
    std::vector<std::string> notes;  // why each flag is set, for the report
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
        std::vector<TextList> groups;  // the model lists of its rows, each list once
    };
    std::vector<DefaultOnly> defaultOnly;
};

// The summary of a finished matrix. `brandingSections` are the file's sections that
// carry branding keys (Home, Search or Favorites) or are DEFAULT_SECTION.
MatrixSummary Summarize(const std::vector<MatrixRow>& rows, const std::vector<std::string>& brandingSections);

// The models of a default-only triple, sorted, each once.
std::vector<std::string> DefaultOnlyModels(const MatrixSummary::DefaultOnly& entry);

// "0409"
std::string LangIdText(uint16_t langId);

// A section name or region code as the profile reader compares it: ASCII letters in
// upper case, so "uk" and "UK" are one region and one section.
std::string FoldName(std::string name);

// The CSV header, one line per row; lists joined with ";", RFC 4180 quoting, CR LF lines.
void WriteMatrixCsv(std::ostream& out, const std::vector<MatrixRow>& rows);
std::string CsvField(const std::string& field);

// {"rows": [...], "summary": {...}}, row by row to `sink`. False, with *error, when a text
// is not UTF-8.
bool WriteMatrixJson(const std::vector<MatrixRow>& rows, const MatrixSummary& summary,
                     const std::function<void(std::string_view)>& sink, std::string* error);
nlohmann::ordered_json RowJson(const MatrixRow& row);

}  // namespace author

namespace author {

struct MatrixOptions {
    std::string iniPath;        // the branding file (host path); empty with an image: the image's own
    std::string imageDir;       // a machine image the rows are run on; empty: a freshly imaged machine in memory
    std::string wallpaperRoot;  // without an image: the host folder that holds Bitmap\Wallpapers, or empty
    std::vector<std::string> models;
    std::vector<uint16_t> languages;   // empty: the languages the branding file names, plus 0409
    std::vector<std::string> regions;  // DashRegion values of QOR.INI; empty: the table's region codes
    bool includeFallback = true;       // also machines whose QOR.INI has no DashRegion
    bool wide = true;
    bool normal = true;
    // Tell a missing candidate section from one without Home (the report wants it).
    bool explainCandidates = false;
};

struct Matrix {
    std::vector<MatrixRow> rows;
    std::vector<std::string> brandingSections;  // sections with Home, Search or Favorites, and DEFAULT_SECTION
    std::vector<uint16_t> languages;            // the languages it ranged over
    // Distinct questions put to the engine, for the benchmark's report.
    size_t sectionDecisions = 0;
    size_t installations = 0;  // dry runs of the installation
};

// Asks the engine what every combination gets: the section search of each, and the
// installation of each distinct section and wallpaper variant run in a dry run of the
// machine (the image given, or a freshly imaged machine in memory with the branding file
// beside its program). Nothing on disk is written. False, with *error, when the branding
// file or the image cannot be read.
bool BuildMatrix(const MatrixOptions& options, Matrix* matrix, std::string* error);

// The two halves of it, for a caller that asks more of the same query (the report): the
// branding file and the pictures put in place, then the rows.
bool PrepareMatrixQuery(EngineQuery& query, const MatrixOptions& options, std::string* error);
void BuildMatrix(EngineQuery& query, const MatrixOptions& options, Matrix* matrix);

// A region a combination gets: from the model's option code, the factory options file or
// the fallback.
struct MatrixRegion {
    RegionInfo region;
    std::string source;  // "option-code", "qor-ini" or "fallback"
    std::string evidence;
};

// What the section search gives one category, region and language.
struct MatrixSearch {
    std::vector<Candidate> candidates;
    std::string section;
    int candidate = 0;
    TextList probes;
};

// One combination of the matrix as the walk meets it. The pointers hold during the visit.
struct MatrixCombination {
    size_t group = 0;  // index of its models among the walk's model groups
    TextList models;   // the models the engine treats alike here
    const BrandInfo* brand = nullptr;
    const MatrixRegion* region = nullptr;
    uint16_t language = 0;
    const LanguageTexts* texts = nullptr;
    bool wide = false;
    const MatrixSearch* search = nullptr;

    // What the installation's answer depends on: the section, the wallpaper variant, the
    // language text and the screen. Combinations of one key get the same installation.
    using InstallKey = std::tuple<std::string, std::string, std::string, bool>;
    InstallKey Key() const;
    // The decision the installation is asked with.
    Decision InstallDecision() const;
};

// Walks every combination of the options' models, regions and screens with `languages`,
// in one order (model groups, regions, languages, screens) that is the same for every
// branding file, asking each distinct section search once. Returns how many it asked.
size_t WalkMatrix(EngineQuery& query, const MatrixOptions& options, const std::vector<uint16_t>& languages,
                  const std::function<void(const MatrixCombination&)>& visit);

// The machine a matrix without an image stands for: the program at C:\Facet\Facet.exe,
// Program Files, the Windows wallpaper folder, C:\FACTORY\Util, the sign-up folder and a
// Favorites folder that the registry names.
std::unique_ptr<host::Image> FreshMachine();

}  // namespace author
