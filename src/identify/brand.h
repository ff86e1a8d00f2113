// Brand, product category and wallpaper variant from the model name.
#pragma once

#include <cstddef>

// What the model name says, and why. The texts are the engine's constants.
struct BrandDecision {
    const char* pszBrand;        // "KTR" or "CV"
    const char* pszSubBrand;     // the product category
    const char* pszImageFolder;  // "\standard" or "\portrait"
    const char* pszMatched;      // the text found in the model name; null when none was
    size_t nMatchOffset;         // where it was found (0-based), when one was
    int nRule;                   // 1-8 in testing order; 0 when nothing matched
    // A two-letter model-line prefix found inside a longer word or number (a letter or
    // digit stands right before it), which is most likely not the model line at all.
    bool bInsideWord;
};

// Upper-cases a model name in place: a-z only, independent of the user's locale.
void UpperCaseModelName(char* pszModelName);

// Classifies an upper-cased model name; reads and writes nothing else.
void DecideBrand(const char* pszModelName, BrandDecision* pDecision);

// Upper-cases szModelName in place (ASCII letters only) and sets szBrand, szSubBrand
// and szImageFolder from the first product-line word or model-line prefix it contains.
void ClassifyBrand();
