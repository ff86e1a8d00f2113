// facet-sim explain: what one machine image would get from a branding run, and why, as a
// dry run. Every decision is the engine's own (author::EngineQuery); nothing in the image
// is written. The explanation is one JSON document; the text form is made from it, so
// both always say the same.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace author {

// Explains the machine image open for the stand-ins (host::OpenMachine on imageDir), run
// with the engine arguments `args` (those after Facet.exe). The top level holds
// "identification", "iniFile", "section", "candidates", "values", "favorites",
// "favoritesFolder", "signupStart", "home", "search", "wallpapers", "findings" and
// "stops" (why the run would end before its branding actions, or null).
nlohmann::ordered_json ExplainMachine(const std::string& imageDir, const std::vector<std::string>& args);

// The explanation for a person, one fact a line.
std::string FormatExplanationText(const nlohmann::ordered_json& explanation);

}  // namespace author
