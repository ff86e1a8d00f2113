#include "author/sarif.h"

#include <cstring>

namespace author {

std::string SarifUri(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     strchr("-._~/", c) != nullptr;
        if (plain && c != 0) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

nlohmann::ordered_json SarifLog(const std::string& toolName, const std::string& version, const LintRule* rules,
                                size_t ruleCount, const std::vector<Finding>& findings) {
    nlohmann::ordered_json ruleList = nlohmann::ordered_json::array();
    for (size_t i = 0; i < ruleCount; ++i) {
        ruleList.push_back({{"id", rules[i].name},
                            {"shortDescription", {{"text", rules[i].summary}}},
                            {"defaultConfiguration", {{"level", SeverityName(rules[i].severity)}}}});
    }
    nlohmann::ordered_json results = nlohmann::ordered_json::array();
    for (const Finding& f : findings) {
        nlohmann::ordered_json physical = {{"artifactLocation", {{"uri", SarifUri(f.file)}}}};
        if (f.line > 0) {
            physical["region"] = {{"startLine", f.line}};
            if (f.column > 0) physical["region"]["startColumn"] = f.column;
        }
        nlohmann::ordered_json result = {{"ruleId", f.rule}};
        for (size_t i = 0; i < ruleCount; ++i) {
            if (f.rule == rules[i].name) result["ruleIndex"] = i;
        }
        result["level"] = SeverityName(f.severity);
        result["message"] = {{"text", f.message}};
        result["locations"] = nlohmann::ordered_json::array({{{"physicalLocation", physical}}});
        results.push_back(result);
    }
    return {{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
            {"version", "2.1.0"},
            {"runs",
             nlohmann::ordered_json::array({{{"tool",
                                              {{"driver",
                                                {{"name", toolName},
                                                 {"version", version},
                                                 {"rules", ruleList}}}}},
                                             {"columnKind", "unicodeCodePoints"},
                                             {"results", results}}})}};
}

}  // namespace author
