// The branding-file linter: reads Facet.INI with the same profile parser as the host
// stand-ins and reports the traps that make machines ship with the wrong branding.
#pragma once

#include <string>
#include <vector>

#include "author/finding.h"

namespace author {

struct LintOptions {
    // A machine image whose C: drive holds the wallpapers; empty: no asset checks.
    std::string imageDir;
};

// Every rule the linter has: its fixed name, its severity and what it is about.
struct LintRule {
    const char* name;
    Severity severity;
    const char* summary;
};
extern const LintRule kLintRules[17];

// Lints the branding file at the host path `path`, appending to *findings in file order.
// False, with *error saying why, when the file (or the image given) cannot be read.
bool LintBrandingFile(const std::string& path, const LintOptions& options, std::vector<Finding>* findings,
                      std::string* error);

// The same over bytes already read; `file` is the name the findings carry. The asset
// checks run only when options.imageDir is set.
bool LintBrandingText(const std::string& file, const std::string& text, const LintOptions& options,
                      std::vector<Finding>* findings, std::string* error);

}  // namespace author
