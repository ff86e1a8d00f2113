#include "identify/brand.h"

#include <cstring>

#include "base/bounded.h"
#include "run/run_state.h"

// The consumer lines come before the tablet prefixes, and those before the business
// prefixes. Only the first consumer line has a brand of its own.
const BrandRule kBrandRules[8] = {
    {"VELLOMAR", "KTR", "VELLOMAR", "\\standard"}, {"QUINTARA", "CV", "QUINTARA", "\\standard"},
    {"QA", "CV", "TABLET", "\\portrait"},         {"QB", "CV", "TABLET", "\\portrait"},
    {"QC", "CV", "TABLET", "\\portrait"},         {"KJ", "CV", "SMB", "\\standard"},
    {"KL", "CV", "COMMERCIAL", "\\standard"},     {"KM", "CV", "WORKSTATION", "\\standard"},
};
const BrandRule kBrandFallback = {"", "CV", "COMMERCIAL", "\\standard"};

void ClassifyBrand() {
    // Independent of the user's locale: only a-z change, bytes above 127 stay as they are.
    for (char* p = g_run.szModelName; *p; ++p) {
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    }
    const BrandRule* match = &kBrandFallback;
    for (const BrandRule& rule : kBrandRules) {
        if (strstr(g_run.szModelName, rule.szNeedle)) {
            match = &rule;
            break;
        }
    }
    CopyText(g_run.szBrand, match->szBrand);
    CopyText(g_run.szSubBrand, match->szSubBrand);
    CopyText(g_run.szImageFolder, match->szImageFolder);
}
