// Brand, product category and wallpaper variant from the model name.
#pragma once

// Upper-cases szModelName in place (ASCII letters only) and sets szBrand, szSubBrand
// and szImageFolder from the first product-line word or model-line prefix it contains.
void ClassifyBrand();
