// What a branding run gives one machine, as the engine decides it (BrandingOutcome), and
// the comparison of two of them: every difference as one change, worded as one sentence
// ("favorite ARDR added at position 2", "home page http://a → http://b"). The suite check
// compares a recorded machine's expectations with the engine's answer today; the matrix
// comparison compares two branding files combination by combination. Both word their
// changes here, so a change reads the same in every tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "author/engine_query.h"

namespace author {

struct OutcomeFavorite {
    std::string linkSection;
    bool hasName = false;  // the link section gives a Name
    std::string name;
    bool hasUrl = false;  // the link section gives a Path
    std::string url;
    std::string shortcut;        // the shortcut file the run writes; empty for none
    std::string shortcutResult;  // "made", "failed", "no-shortcut", ...; empty when not installed
    int index = 0;               // sign-up number; 0 when not installed
    std::string reason;          // the outcome's name when anything is missing or fails
    std::vector<WriteFailure> failures;
};

struct OutcomePage {
    bool named = false;  // the section names a link section for it
    std::string linkSection;
    bool hasUrl = false;  // false for a link that cannot be set (missing-link, path-too-long)
    std::string url;
    bool applied = false;
    int runs = 0;
    bool nameMissing = false;
    bool pathMissing = false;
    std::string reason;
    std::vector<WriteFailure> failures;
};

struct OutcomeWallpaper {
    std::string source;
    std::string target;
    bool exists = false;
    bool fits = true;
    std::string result;  // "copied", "failed", "not-reached"
    std::string reason;  // "path-too-long", "asset-missing", "write-fails" for a failed copy
    std::vector<WriteFailure> failures;
};

struct BrandingOutcome {
    bool identified = true;  // false: the run identifies nothing and has no section
    std::string section;     // the chosen section (DEFAULT_SECTION for the default)
    std::string stops;       // why the run ends before its branding actions; empty when it does not
    std::vector<OutcomeFavorite> favorites;
    OutcomePage home;
    OutcomePage search;
    std::vector<OutcomeWallpaper> wallpapers;
    std::vector<SignupEntry> signup;
    std::vector<WriteFailure> failures;

    // The run installs no page and no favorite (or stops before its actions).
    bool NoBranding() const;
};

// The outcome of a run (a dry run of an image, or of the installation for a matrix
// combination). `identified` is false when the machine's library could not be read.
BrandingOutcome OutcomeFromRun(const RunOutcome& run, bool identified = true);

// The names of the outcome's flags, in this order when set: "no-branding", "default",
// "path-too-long", "no-shortcut" (a Name Windows refuses as a file name),
// "asset-missing", "missing-link", "write-fails".
std::vector<std::string> OutcomeFlags(const BrandingOutcome& outcome);

// The outcome as a suite keeps it (expect.json): section, stops, favorites, home, search,
// wallpapers, signup and failures, texts in UTF-8. OutcomeFromJson reads it back; false,
// with *error naming the first thing that is not as written, for any other document.
nlohmann::ordered_json OutcomeJson(const BrandingOutcome& outcome);
bool OutcomeFromJson(const nlohmann::json& doc, BrandingOutcome* outcome, std::string* error);

enum class ChangeKind {
    kSection,          // the chosen section
    kIdentified,       // the machine is identified or no longer is
    kStops,            // the run stops before its actions, or no longer does
    kNoBranding,       // the machine gets branding, or no longer does
    kHomePage,         // the start page's address, or whether and how it is set
    kSearchPage,       // the search page's
    kFavoriteAdded,    //
    kFavoriteRemoved,  //
    kFavoriteRenamed,  // same link section, another Name
    kFavoriteUrl,      // same link section, another address
    kFavoriteMoved,    // another place among the favorites that both have
    kShortcutMade,     // its shortcut is now made
    kShortcutLost,     // its shortcut is no longer made
    kFavoriteOutcome,  // installed or not, its reason or failed writes
    kSignup,           // sign-up entries
    kWallpaper,        // a wallpaper copy: its source, target or result
    kWriteFails,       // the run's failed writes
};

// Where the changed value lives: a key of a section of the branding file (key empty for
// the section itself). inOld: in the file of the earlier outcome (something removed).
struct ChangeAnchor {
    std::string section;
    std::string key;
    bool inOld = false;
};

struct OutcomeChange {
    ChangeKind kind = ChangeKind::kSection;
    std::string text;  // one sentence, UTF-8, without a full stop
    ChangeAnchor anchor;
};

// "section", "home-page", "favorite-added", ...: the kind's name in JSON and SARIF.
const char* ChangeKindName(ChangeKind kind);

// Every difference between two outcomes, one change each, in the order of the outcome's
// parts (section, stops, branding, pages, favorites, sign-up, wallpapers, failures).
// Favorites are matched by link section (names compared as the engine does, regardless
// of case); those in both whose order among each other changed are "moved". Sign-up
// entries that only follow changed favorites are one change.
std::vector<OutcomeChange> CompareOutcomes(const BrandingOutcome& before, const BrandingOutcome& after);

// Pieces of the outcome document that explain writes and the outcome files read back:
// a text, or null where the run had none; the run's failed writes as a list.
nlohmann::ordered_json TextOrNull(bool present, const std::string& text);
nlohmann::ordered_json FailuresJson(const std::vector<WriteFailure>& failures);

}  // namespace author
