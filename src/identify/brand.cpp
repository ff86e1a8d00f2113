#include "identify/brand.h"

#include <cstring>

#include "base/bounded.h"
#include "run/run_state.h"

namespace {

struct BrandRule {
    const char* szNeedle;
    const char* szSubBrand;
    const char* szImageFolder;
};

// Tested in this order; the first text found in the model name decides. The consumer
// lines come before the tablet prefixes, and those before the business prefixes.
// clang-format off
const BrandRule kRules[] = {
    {"QUINTARA", "QUINTARA", "\\standard"}, {"QA", "TABLET", "\\portrait"},
    {"QB", "TABLET", "\\portrait"},         {"QC", "TABLET", "\\portrait"},
    {"KJ", "SMB", "\\standard"},            {"KL", "COMMERCIAL", "\\standard"},
    {"KM", "WORKSTATION", "\\standard"},
};
// clang-format on

}  // namespace

void ClassifyBrand() {
    // Independent of the user's locale: only a-z change, bytes above 127 stay as they are.
    for (char* p = g_run.szModelName; *p; ++p) {
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    }
    CopyText(g_run.szImageFolder, "\\standard");

    if (strstr(g_run.szModelName, "VELLOMAR")) {
        CopyText(g_run.szBrand, "KTR");
        CopyText(g_run.szSubBrand, "VELLOMAR");
        return;
    }
    CopyText(g_run.szBrand, "CV");
    for (const BrandRule& rule : kRules) {
        if (strstr(g_run.szModelName, rule.szNeedle)) {
            CopyText(g_run.szSubBrand, rule.szSubBrand);
            CopyText(g_run.szImageFolder, rule.szImageFolder);
            return;
        }
    }
    CopyText(g_run.szSubBrand, "COMMERCIAL");
}
