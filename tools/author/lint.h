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

// Lints the branding file at the host path `path`, appending to *findings in file order.
// False, with *error saying why, when the file cannot be read.
bool LintBrandingFile(const std::string& path, const LintOptions& options, std::vector<Finding>* findings,
                      std::string* error);

}  // namespace author
