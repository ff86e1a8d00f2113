#include "author/finding.h"

namespace author {

const char* SeverityName(Severity severity) {
    switch (severity) {
        case Severity::kError: return "error";
        case Severity::kWarning: return "warning";
        case Severity::kNote: return "note";
    }
    return "note";
}

std::string FormatFindingText(const Finding& f) {
    return f.file + ":" + std::to_string(f.line) + ":" + std::to_string(f.column) + ": " + SeverityName(f.severity) +
           ": " + f.message + " [" + f.rule + "]";
}

nlohmann::ordered_json FindingJson(const Finding& f) {
    return {{"file", f.file},
            {"line", f.line},
            {"column", f.column},
            {"severity", SeverityName(f.severity)},
            {"rule", f.rule},
            {"message", f.message}};
}

bool HasErrorsOrWarnings(const std::vector<Finding>& findings) {
    for (const Finding& f : findings) {
        if (f.severity != Severity::kNote) return true;
    }
    return false;
}

}  // namespace author
