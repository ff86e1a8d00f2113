// facet-sim explain: what one machine image would get from a branding run, and why. The
// why is the engine's decide functions (the identification with its evidence, the section
// search, every value with its file and line); the what is the engine's own run in a dry
// run of the image (author::EngineQuery), so explain and the run cannot disagree. Nothing
// in the image is changed. The explanation is one JSON document; the text form is made
// from it, so both always say the same.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/host/image.h"

namespace author {

// Explains `image` (opened from imageDir, shown as given), run with the engine arguments
// `args` (those after Facet.exe). The top level holds "identification", "iniFile",
// "section", "candidates", "values", "favorites", "favoritesFolder", "signupStart",
// "home", "search", "wallpapers", "signup", "failures", "findings", "problems" and
// "stops" (why the run would end before its branding actions, or null).
nlohmann::ordered_json ExplainMachine(host::Image& image, const std::string& imageDir,
                                      const std::vector<std::string>& args);

// The explanation for a person, one fact a line.
std::string FormatExplanationText(const nlohmann::ordered_json& explanation);

// Exit code 1 of explain: the machine gets no branding, a two-letter match inside a word
// decided its category, a write will fail, or a finding about its files is an error or
// a warning.
bool ExplanationHasProblems(const nlohmann::ordered_json& explanation);

}  // namespace author
