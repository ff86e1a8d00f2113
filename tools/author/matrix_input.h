// What the coverage matrix ranges over: the model names of a product line, the system UI
// languages, the regions a factory options file may hold, and the screen shapes. Each
// parser takes text and reports a bad item by name, so the command can exit with 2.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace author {

// One model name a line, exactly as the firmware reports it (a trailing CR is dropped).
// Blank lines are skipped, and so is a line whose first non-blank character is "#": a
// model name may hold "#" further on (its option code follows it).
std::vector<std::string> ParseModelsFile(std::string_view text);

// A language identifier that names a real language, with its tag, as Windows lists them.
struct KnownLanguage {
    uint16_t langId;
    const char* tag;
};
const std::vector<KnownLanguage>& KnownLanguages();
// The tag of a known identifier, or "" for any other.
const char* LanguageTag(uint16_t langId);

// "all", or hex identifiers separated by commas ("0409,0c0a", "409", "0x0411"). Sorted,
// without repeats. False, with *error naming the item, for anything else.
bool ParseLanguages(std::string_view list, std::vector<uint16_t>* out, std::string* error);

// The languages a branding file names in its section names (REGION-LANGID-CATEGORY gives
// the identifier, REGION-LANG-CATEGORY and *-LANG-CATEGORY the primary language with its
// default sub-language, 0x0400 | LANG), plus 0409. Sorted, without repeats.
std::vector<uint16_t> LanguagesNamedBySections(const std::vector<std::string>& sectionNames);

// Comma-separated DashRegion values as a factory options file may hold them (kept as
// written; the engine cuts them to two characters). An empty item stands for an empty
// value. False for no items at all.
bool ParseRegions(std::string_view list, std::vector<std::string>* out, std::string* error);

// "wide", "normal" or both, comma-separated; *wide and *normal say which were named.
bool ParseScreens(std::string_view list, bool* wide, bool* normal, std::string* error);

}  // namespace author
