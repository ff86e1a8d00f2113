// Brand, product category and wallpaper variant from the model name.
#pragma once

struct BrandRule {
    const char* szNeedle;  // searched in the upper-cased model name
    const char* szBrand;
    const char* szSubBrand;
    const char* szImageFolder;
};

// Tested in this order; the first text found in the model name decides. A name that
// holds none of them gets kBrandFallback.
extern const BrandRule kBrandRules[8];
extern const BrandRule kBrandFallback;

// Upper-cases szModelName in place (ASCII letters only) and sets szBrand, szSubBrand
// and szImageFolder from the first product-line word or model-line prefix it contains.
void ClassifyBrand();
