// Feeds arbitrary bytes to the linter as a branding file, alone (no image), the first
// byte choosing what the factories' DashRegion values are said to be. Whatever the file
// holds (any code page, UTF-16, NUL bytes, overlong values), every finding names one of
// the linter's rules, has a place that is no negative number and UTF-8 texts, and the
// text, JSON and SARIF forms are written without the JSON writer refusing a text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "author/finding.h"
#include "author/lint.h"
#include "author/output.h"
#include "author/sarif.h"
#include "formats/codepage.h"

namespace {

// What --regions may hold: nothing, table codes, a code outside the table, an empty
// value, a longer one and one with a character above ASCII.
const std::vector<std::string> kRegionLists[] = {
    {},
    {"UK", "JP"},
    {"11", "ZZ", ""},
    {"UKX", "\xC3\xA9"
            "1"},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    author::LintOptions options;
    options.regionsGiven = (data[0] & 1) != 0;
    options.regions = kRegionLists[(data[0] >> 1) % (sizeof(kRegionLists) / sizeof(kRegionLists[0]))];
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::vector<author::Finding> findings;
    std::string error;
    // An image in memory always has a place for the branding file.
    if (!author::LintBrandingText("F.INI", text, "", options, &findings, &error)) abort();

    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const author::Finding& f : findings) {
        if (f.line < 0 || f.column < 0) abort();
        if (!formats::IsUtf8(f.file) || !formats::IsUtf8(f.message)) abort();
        bool known = false;
        for (const author::LintRule& rule : author::kLintRules) known = known || f.rule == rule.name;
        if (!known) abort();
        if (!formats::IsUtf8(author::FormatFindingText(f))) abort();
        list.push_back(author::FindingJson(f));
    }
    std::string out;
    if (!author::JsonText(list, &out, &error)) abort();
    const size_t rules = sizeof(author::kLintRules) / sizeof(author::kLintRules[0]);
    nlohmann::ordered_json sarif = author::SarifLog("facet-sim", "0", author::kLintRules, rules, findings);
    if (!author::JsonText(sarif, &out, &error)) abort();
    return 0;
}
