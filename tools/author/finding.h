// One finding of the authoring tools about a branding file (or a file it names), and the
// ways they are written out: compiler-style text lines, JSON, SARIF.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace author {

enum class Severity {
    kError,
    kWarning,
    kNote
};

struct Finding {
    std::string file;  // as the user named it (or the host path the tool resolved)
    int line = 0;      // 1-based; 0 when the finding is about the whole file
    int column = 0;    // 1-based; 0 when the finding is about the whole line
    Severity severity = Severity::kWarning;
    std::string rule;  // fixed rule name, e.g. "duplicate-section"
    std::string message;
};

const char* SeverityName(Severity severity);

// "FILE:LINE:COL: severity: message [rule]"
std::string FormatFindingText(const Finding& finding);

// {file, line, column, severity, rule, message}
nlohmann::ordered_json FindingJson(const Finding& finding);

// True when any finding is an error or a warning (notes alone leave a file clean).
bool HasErrorsOrWarnings(const std::vector<Finding>& findings);

}  // namespace author
