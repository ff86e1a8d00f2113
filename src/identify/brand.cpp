#include "identify/brand.h"

#include <cstring>

#include "base/bounded.h"
#include "run/run_state.h"

// The consumer lines come before the tablet prefixes, and those before the business
// prefixes.
const BrandRule kBrandRules[8] = {
    {"VELLOMAR", "KTR", "VELLOMAR", "\\standard"},
    {"QUINTARA", "CV", "QUINTARA", "\\standard"},
    {"QA", "CV", "TABLET", "\\portrait"},
    {"QB", "CV", "TABLET", "\\portrait"},
    {"QC", "CV", "TABLET", "\\portrait"},
    {"KJ", "CV", "SMB", "\\standard"},
    {"KL", "CV", "COMMERCIAL", "\\standard"},
    {"KM", "CV", "WORKSTATION", "\\standard"},
};

namespace {

bool IsWordChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

}  // namespace

void UpperCaseModelName(char* pszModelName) {
    for (char* p = pszModelName; *p; ++p) {
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    }
}

void DecideBrand(const char* pszModelName, BrandDecision* d) {
    for (size_t i = 0; i < sizeof(kBrandRules) / sizeof(kBrandRules[0]); ++i) {
        const BrandRule& rule = kBrandRules[i];
        const char* hit = strstr(pszModelName, rule.szNeedle);
        if (hit == nullptr) continue;
        d->pszBrand = rule.szBrand;
        d->pszSubBrand = rule.szSubBrand;
        d->pszImageFolder = rule.szImageFolder;
        d->pszMatched = rule.szNeedle;
        d->nMatchOffset = static_cast<size_t>(hit - pszModelName);
        d->nRule = static_cast<int>(i) + 1;
        d->bInsideWord = strlen(rule.szNeedle) == 2 && hit != pszModelName && IsWordChar(hit[-1]);
        return;
    }
    d->pszBrand = "CV";
    d->pszSubBrand = "COMMERCIAL";
    d->pszImageFolder = "\\standard";
    d->pszMatched = nullptr;
    d->nMatchOffset = 0;
    d->nRule = 0;
    d->bInsideWord = false;
}

void ClassifyBrand() {
    UpperCaseModelName(g_run.szModelName);
    BrandDecision d;
    DecideBrand(g_run.szModelName, &d);
    CopyText(g_run.szBrand, d.pszBrand);
    CopyText(g_run.szSubBrand, d.pszSubBrand);
    CopyText(g_run.szImageFolder, d.pszImageFolder);
}
