// Findings as a SARIF 2.1.0 log, the form CI systems read to show findings inline.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "author/finding.h"
#include "author/lint.h"

namespace author {

// One run of the tool `toolName` (version `version`) that knows `rules` and found
// `findings`. A finding about a whole file has no region.
nlohmann::ordered_json SarifLog(const std::string& toolName, const std::string& version, const LintRule* rules,
                                size_t ruleCount, const std::vector<Finding>& findings);

// A file path as a SARIF artifact URI: bytes other than unreserved characters and "/"
// percent-encoded.
std::string SarifUri(const std::string& path);

}  // namespace author
