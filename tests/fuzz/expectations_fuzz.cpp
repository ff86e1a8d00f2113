// Feeds arbitrary bytes to what check and diff read: an expect.json compared with a
// machine's decisions, and a run report printed for a person. Whatever JSON parses (any
// shape, nesting up to the limit, escaped keys, numbers of every kind), neither throws
// nor crashes, and what they print is UTF-8.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "author/output.h"
#include "author/run_report.h"
#include "author/suite_check.h"
#include "formats/codepage.h"

namespace {

// Decisions as check derives them for a machine: every kind of value they hold.
const char kDecisions[] = R"({
  "section": "UK-0809-COMMERCIAL",
  "stops": null,
  "favorites": [
    {"linkSection": "CVSP", "name": "Corvane Support", "url": "http://support.corvane.example/",
     "shortcut": "C:\\Users\\Facet\\Favorites\\Corvane Support.URL", "shortcutResult": "made",
     "index": 1, "reason": null, "failures": []},
    {"linkSection": "CVBD", "name": "Caf\u00e9 ~/", "url": null, "shortcut": null, "shortcutResult": null,
     "index": null, "reason": "missing-link", "failures": []}
  ],
  "home": {"section": "CVUK", "url": "http://www.corvane.example/uk/", "applied": true, "runs": 1,
           "nameMissing": false, "pathMissing": false, "reason": null, "failures": []},
  "search": null,
  "wallpapers": [
    {"source": "C:\\Facet\\Bitmap\\Wallpapers\\First\\standard\\1920x1200.jpg",
     "target": "C:\\Program Files\\Corvane\\Facet\\First.jpg", "exists": false, "fits": true,
     "result": "failed", "reason": "asset-missing",
     "failures": [{"what": "C:\\Program Files\\Corvane\\Facet\\First.jpg", "error": 3,
                   "text": "The system cannot find the path specified."}]}
  ],
  "signup": [{"section": "FavoritesEx", "key": "Title1", "value": "Corvane Support.URL"}],
  "failures": []
})";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const author::BrandingOutcome decisions = [] {
        author::BrandingOutcome o;
        std::string error;
        if (!author::OutcomeFromJson(nlohmann::json::parse(kDecisions), &o, &error)) abort();
        return o;
    }();
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    nlohmann::json json;
    std::string error;
    if (!author::ParseJsonInput(bytes, author::kJsonDepthLimit, &json, &error)) return 0;

    author::BrandingOutcome expected;
    if (author::OutcomeFromJson(json, &expected, &error)) {
        for (const author::OutcomeChange& c : author::CompareOutcomes(expected, decisions)) {
            if (!formats::IsUtf8(c.text)) abort();
        }
    } else if (!formats::IsUtf8(error)) {
        abort();
    }
    std::string text;
    if (author::FormatRunDiff(json, &text, &error) && !formats::IsUtf8(text)) abort();
    return 0;
}
