// The branding-file linter: reads Facet.INI as the engine reads it (the reader's line
// rules over the text the engine sees) and reports the traps that make machines ship
// with the wrong branding. What a value does to a machine (a link installed or not, a
// name refused, a path too long) is the engine's own decision (author::EngineQuery), so
// lint tells the same story as explain, the matrix and the run.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "author/engine_query.h"
#include "author/finding.h"

namespace author {

struct LintOptions {
    // The DashRegion values the factories' options files hold (--regions). Unknown
    // (empty, regionsGiven false): a section for a region outside the region table is
    // reachable only through such a value, and lint says so in a note.
    std::vector<std::string> regions;
    bool regionsGiven = false;
    // Check the wallpapers of the image too (every file some machine would copy).
    bool checkAssets = false;
    // Rules whose findings are accepted on purpose and not reported (names of kLintRules).
    std::vector<std::string> disabled;
    // The product-line rules (shadowed-section, no-catch-all), which ask the section
    // search for every region and language: off where one machine is the question.
    bool coverage = true;
};

// Every rule the linter has: its fixed name, its severity and what it is about.
struct LintRule {
    const char* name;
    Severity severity;
    const char* summary;
};
extern const LintRule kLintRules[23];
// Whether a rule of that name exists.
bool IsLintRule(std::string_view name);

// Lints the branding file of the image `query` is over (its Facet.INI); the findings
// carry `file` as their file name. Findings are appended in file order.
void LintBranding(EngineQuery& query, const std::string& file, const LintOptions& options,
                  std::vector<Finding>* findings);

// Lints the branding file of the machine image at `imageDir` with its wallpapers (when
// options.checkAssets); findings carry the file's host path. False, with *error, when
// the image or its branding file cannot be read.
bool LintImage(const std::string& imageDir, const LintOptions& options, std::vector<Finding>* findings,
               std::string* error);

// Lints the branding file at the host path `path`, alone or, with imageDir, in place of
// the image's own (its wallpapers are checked when options.checkAssets). False, with
// *error, when the file or the image cannot be read.
bool LintBrandingFile(const std::string& path, const std::string& imageDir, const LintOptions& options,
                      std::vector<Finding>* findings, std::string* error);

// The same over bytes already read; `file` is the name the findings carry.
bool LintBrandingText(const std::string& file, const std::string& text, const std::string& imageDir,
                      const LintOptions& options, std::vector<Finding>* findings, std::string* error);

// Pixel size of a JPEG from its first bytes (the header); false when it is no JPEG.
bool ReadJpegSize(const std::string& bytes, int* width, int* height);

}  // namespace author
