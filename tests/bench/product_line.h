// The synthetic product line the matrix and compare benchmarks share: a branding file of
// N sections over the engine's regions, the given languages and six categories, and a
// list of model names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// Section n of the file; with `edited` every 10th section's start page moves, every 7th
// section's favorites are reordered, every 50th section is dropped and one is added after
// every 100th.
std::string ProductLineBranding(int sections, const std::vector<uint16_t>& langs, bool edited = false);

// `count` model names; all but every `regionlessEvery`-th carry an option code, so the
// rest leave the region to QOR.INI.
std::vector<std::string> ProductLineModels(int count, int regionlessEvery);

// The six model name stems, one per category.
extern const char* const kModelStems[6];

}  // namespace bench
