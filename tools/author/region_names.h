// The markets behind the region codes of the engine's region table, for people reading
// a report. The engine itself knows only the codes; nothing here takes part in a decision.
#pragma once

#include <string>

namespace author {

// "United Kingdom" for "UK" (letters in either case); the fallback region's meaning for
// "XX"; empty for a code outside the table.
std::string RegionName(const std::string& code);

}  // namespace author
