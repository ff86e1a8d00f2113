// Two branding files side by side over a product line: every combination of the matrix
// (models, regions, languages, screens) asked of the engine with each file, and the
// combinations whose outcome differs, grouped by identical change and tied to the edit
// that caused it where one can be named. Each outcome and its changes come from
// author/outcome_diff.h, so a change reads as it does in check.
//
// Memory stays bounded by the distinct answers, not by the combinations: the earlier
// file's installation of each combination is kept as a small number, and the later file's
// is compared with it as the second walk meets it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "author/matrix.h"
#include "author/outcome_diff.h"

namespace author {

struct CompareOptions {
    // What both matrices range over: models, languages (empty: those either file's
    // section names hold, and 0409), regions (empty: the table's, with the factory files'
    // own values) and screens.
    MatrixOptions range;
    std::string oldIni;  // host paths of the branding files; empty: the image's own
    std::string newIni;
    // The machine images each file is run on; empty: a freshly imaged machine with the
    // wallpapers beside the branding file.
    std::string oldImage;
    std::string newImage;
    bool keepCells = false;  // keep what the HTML changes view shows
};

// The edit a change comes from: a section added or removed, or a key of a section whose
// value differs between the files. A line of 0: not in that file.
struct EditCause {
    std::string section;
    std::string key;  // empty: the section itself
    int oldLine = 0;
    int newLine = 0;
    std::string text;  // "section UK-0809-SMB added", "[CVUK] Path changed", ...
};

// Combinations whose outcome changes the same way.
struct ChangeGroup {
    size_t count = 0;
    std::vector<OutcomeChange> changes;
    std::vector<std::string> models;
    std::vector<std::string> regions;
    std::vector<uint16_t> languages;
    std::vector<std::string> screens;  // "wide", "normal"
    std::vector<EditCause> causes;
    std::string Text() const;  // the changes' sentences joined by "; "
};

// A matrix cell of the HTML view (category, region, language; models and screens folded)
// and the distinct outcome pairs its combinations have.
struct CompareCell {
    std::string category;
    std::string region;
    uint16_t language = 0;
    size_t combinations = 0;
    size_t changed = 0;
    std::vector<size_t> pairs;  // into Comparison::pairs
};

struct OutcomePair {
    size_t before = 0;  // into Comparison::before
    size_t after = 0;   // into Comparison::after
    int group = -1;     // into Comparison::groups; -1: unchanged
};

struct Comparison {
    size_t combinations = 0;
    size_t changed = 0;
    std::vector<uint16_t> languages;  // the languages both walks ranged over
    std::vector<ChangeGroup> groups;  // largest first
    // With keepCells: each file's distinct installations, the pairs met, the cells.
    std::vector<BrandingOutcome> before;
    std::vector<BrandingOutcome> after;
    std::vector<OutcomePair> pairs;
    std::vector<CompareCell> cells;
};

// False, with *error, when a branding file or an image cannot be read.
bool CompareBranding(const CompareOptions& options, Comparison* result, std::string* error);

// The changes of two outcomes as the comparison words them: CompareOutcomes, and a
// wallpaper whose source has another content under the same name (pictureBefore and
// pictureAfter: each wallpaper's content hash, in the outcome's order; empty: unknown).
std::vector<OutcomeChange> CompareWithPictures(const BrandingOutcome& before, const std::vector<uint64_t>& pictureBefore,
                                               const BrandingOutcome& after, const std::vector<uint64_t>& pictureAfter);

// The outputs: text for people, JSON ({"groups": [{count, change, combinations, cause}],
// "summary": {...}}), SARIF results on the later file's lines, and the HTML changes view.
std::string CompareText(const Comparison& c, const std::string& oldName, const std::string& newName);
nlohmann::ordered_json CompareJson(const Comparison& c, const std::string& oldName, const std::string& newName);
nlohmann::ordered_json CompareSarif(const Comparison& c, const std::string& newName, const std::string& version);
void WriteCompareHtml(std::ostream& out, const Comparison& c, const std::string& oldName, const std::string& newName);

}  // namespace author
