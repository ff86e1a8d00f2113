#include "author/outcome_diff.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "author/text.h"

namespace author {
namespace {

using Json = nlohmann::ordered_json;

const char* const kArrow = " \xE2\x86\x92 ";  // " → "

// A value as a person reads it in a sentence: bare when it is one plain word (an address,
// a section), quoted with its control characters shown otherwise.
std::string Shown(const std::string& text) {
    bool plain = !text.empty();
    for (unsigned char c : text) plain = plain && c > 0x20 && c != 0x7F && c != '"';
    return plain ? text : Quoted(text);
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool SameFailures(const std::vector<WriteFailure>& a, const std::vector<WriteFailure>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const WriteFailure& x, const WriteFailure& y) {
        return x.what == y.what && x.error == y.error && x.text == y.text;
    });
}

std::string FailuresText(const std::vector<WriteFailure>& failures) {
    if (failures.empty()) return "none";
    std::string out;
    for (const WriteFailure& f : failures) out += (out.empty() ? "" : "; ") + Shown(f.what) + ": " + f.text;
    return out;
}

// ---- building ---------------------------------------------------------------------

OutcomePage PageFromRun(const PageOutcome& p) {
    OutcomePage o;
    o.named = p.named;
    if (!p.named) return o;
    o.linkSection = p.linkSection;
    o.hasUrl = p.reason != "missing-link" && p.reason != "path-too-long";
    if (o.hasUrl) o.url = p.url;
    o.applied = p.applied;
    o.runs = p.runs;
    o.nameMissing = p.nameMissing;
    o.pathMissing = p.pathMissing;
    o.reason = p.reason;
    o.failures = p.failures;
    return o;
}

// ---- JSON -------------------------------------------------------------------------

// Reads a document field by field; the first thing missing or of another type is the error.
struct Reader {
    std::string* error;
    bool ok = true;

    const nlohmann::json* At(const nlohmann::json& obj, const char* key, const std::string& where) {
        if (!ok) return nullptr;
        if (!obj.is_object() || !obj.contains(key)) return Fail(where + key + " is missing");
        return &obj[key];
    }
    std::nullptr_t Fail(const std::string& what) {
        if (ok) *error = what;
        ok = false;
        return nullptr;
    }
    void Text(const nlohmann::json& obj, const char* key, const std::string& where, std::string* out,
              bool* present = nullptr) {
        const nlohmann::json* v = At(obj, key, where);
        if (v == nullptr) return;
        if (v->is_null()) {
            // A value the run does not have.
            out->clear();
            if (present != nullptr) *present = false;
        } else if (v->is_string()) {
            *out = v->get<std::string>();
            if (present != nullptr) *present = true;
        } else {
            Fail(where + key + " is not a text");
        }
    }
    void Bool(const nlohmann::json& obj, const char* key, const std::string& where, bool* out) {
        const nlohmann::json* v = At(obj, key, where);
        if (v == nullptr) return;
        if (!v->is_boolean()) {
            Fail(where + key + " is not true or false");
            return;
        }
        *out = v->get<bool>();
    }
    void Int(const nlohmann::json& obj, const char* key, const std::string& where, int* out, bool nullable) {
        const nlohmann::json* v = At(obj, key, where);
        if (v == nullptr) return;
        if (nullable && v->is_null()) {
            *out = 0;
        } else if (v->is_number_integer()) {
            *out = v->get<int>();
        } else {
            Fail(where + key + " is not a number");
        }
    }
    const nlohmann::json* List(const nlohmann::json& obj, const char* key, const std::string& where) {
        const nlohmann::json* v = At(obj, key, where);
        if (v != nullptr && !v->is_array()) return Fail(where + key + " is not a list");
        return v;
    }
    void Failures(const nlohmann::json& obj, const std::string& where, std::vector<WriteFailure>* out) {
        const nlohmann::json* list = List(obj, "failures", where);
        if (list == nullptr) return;
        for (size_t i = 0; i < list->size() && ok; ++i) {
            std::string at = where + "failures/" + std::to_string(i) + "/";
            WriteFailure f;
            int error = 0;
            Text((*list)[i], "what", at, &f.what);
            Int((*list)[i], "error", at, &error, false);
            Text((*list)[i], "text", at, &f.text);
            f.error = static_cast<uint32_t>(error);
            out->push_back(f);
        }
    }
    void Page(const nlohmann::json& doc, const char* key, OutcomePage* page) {
        const nlohmann::json* v = At(doc, key, "/");
        if (v == nullptr || v->is_null()) return;
        std::string where = std::string("/") + key + "/";
        page->named = true;
        Text(*v, "section", where, &page->linkSection);
        Text(*v, "url", where, &page->url, &page->hasUrl);
        Bool(*v, "applied", where, &page->applied);
        Int(*v, "runs", where, &page->runs, false);
        Bool(*v, "nameMissing", where, &page->nameMissing);
        Bool(*v, "pathMissing", where, &page->pathMissing);
        Text(*v, "reason", where, &page->reason);
        Failures(*v, where, &page->failures);
    }
};

// ---- comparing --------------------------------------------------------------------

struct Changes {
    std::vector<OutcomeChange> list;
    void Add(ChangeKind kind, std::string text, const std::string& section = "", const std::string& key = "",
             bool inOld = false) {
        list.push_back({kind, std::move(text), {section, key, inOld}});
    }
};

std::string PageValue(const OutcomePage& p) {
    if (p.hasUrl) return Shown(p.url);
    return "(none: " + p.reason + ")";
}

void ComparePage(const char* label, ChangeKind kind, const OutcomePage& a, const OutcomePage& b, Changes* out) {
    std::string page = label;
    if (!a.named && !b.named) return;
    if (a.named && !b.named) {
        out->Add(kind, page + " " + PageValue(a) + " no longer named by the section", a.linkSection, "Path", true);
        return;
    }
    if (!a.named) {
        out->Add(kind, page + " " + PageValue(b) + " now named by the section", b.linkSection, "Path");
        return;
    }
    if (a.hasUrl != b.hasUrl || a.url != b.url) {
        out->Add(kind, page + " " + PageValue(a) + kArrow + PageValue(b), b.linkSection, "Path");
    } else if (a.applied != b.applied) {
        std::string why = !b.reason.empty()     ? ": " + b.reason
                          : !b.failures.empty() ? ": " + FailuresText(b.failures)
                          : b.runs == 0         ? ": no -h or /h among the arguments"
                                                : "";
        out->Add(kind, page + " " + PageValue(b) + (b.applied ? " now set" : " no longer set" + why), b.linkSection,
                 "Path");
    } else if (a.reason != b.reason) {
        out->Add(kind,
                 page + " " + PageValue(b) + ": " + (a.reason.empty() ? "none" : a.reason) + kArrow +
                     (b.reason.empty() ? "none" : b.reason),
                 b.linkSection, "Path");
    } else if (!SameFailures(a.failures, b.failures)) {
        out->Add(kind, page + " " + PageValue(b) + ": failed writes " + FailuresText(a.failures) + kArrow +
                           FailuresText(b.failures));
    } else if (a.runs != b.runs) {
        out->Add(kind, page + " " + PageValue(b) + ": the step runs " + std::to_string(a.runs) + kArrow +
                           std::to_string(b.runs) + " time(s)");
    }
}

std::string FavoriteLabel(const OutcomeFavorite& f) {
    return "favorite " + Shown(f.linkSection) + (f.hasName ? " (" + Quoted(f.name) + ")" : "");
}

std::string Position(size_t index) { return "position " + std::to_string(index + 1); }

// Positions (in `after`) of the favorites both have that keep their order among each
// other: the longest run of them in the same order. The others moved.
std::vector<bool> KeptInOrder(const std::vector<size_t>& beforeIndexOfCommon) {
    size_t n = beforeIndexOfCommon.size();
    std::vector<size_t> length(n, 1);
    std::vector<size_t> previous(n, n);
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (beforeIndexOfCommon[j] < beforeIndexOfCommon[i] && length[j] + 1 > length[i]) {
                length[i] = length[j] + 1;
                previous[i] = j;
            }
        }
    }
    std::vector<bool> kept(n, false);
    if (n == 0) return kept;
    // Of equally long runs the last: a favorite brought forward is the one that moved.
    size_t end = 0;
    for (size_t i = 0; i < n; ++i) {
        if (length[i] >= length[end]) end = i;
    }
    for (size_t i = end; i < n; i = previous[i]) kept[i] = true;
    return kept;
}

void CompareFavorite(const OutcomeFavorite& a, const OutcomeFavorite& b, Changes* out) {
    std::string label = FavoriteLabel(b);
    if (a.hasName != b.hasName || a.name != b.name) {
        out->Add(ChangeKind::kFavoriteRenamed,
                 "favorite " + Shown(b.linkSection) + " renamed " + (a.hasName ? Quoted(a.name) : "(no Name)") +
                     kArrow + (b.hasName ? Quoted(b.name) : "(no Name)"),
                 b.linkSection, "Name");
    }
    if (a.hasUrl != b.hasUrl || a.url != b.url) {
        out->Add(ChangeKind::kFavoriteUrl,
                 label + " address " + (a.hasUrl ? Shown(a.url) : "(no Path)") + kArrow +
                     (b.hasUrl ? Shown(b.url) : "(no Path)"),
                 b.linkSection, "Path");
    }
    bool installedA = a.index != 0;
    bool installedB = b.index != 0;
    if (installedA != installedB) {
        out->Add(ChangeKind::kFavoriteOutcome,
                 label + (installedB ? " now installed" : " no longer installed: " + b.reason), b.linkSection);
        return;
    }
    bool madeA = a.shortcutResult == "made";
    bool madeB = b.shortcutResult == "made";
    if (madeA != madeB) {
        out->Add(madeB ? ChangeKind::kShortcutMade : ChangeKind::kShortcutLost,
                 label + (madeB ? ": shortcut now made (was: " + a.shortcutResult + ")"
                                : ": shortcut no longer made: " + b.shortcutResult),
                 b.linkSection, "Name");
    } else if (a.shortcutResult != b.shortcutResult) {
        out->Add(ChangeKind::kFavoriteOutcome, label + ": shortcut " + a.shortcutResult + kArrow + b.shortcutResult,
                 b.linkSection, "Name");
    } else if (a.shortcut != b.shortcut && a.name == b.name) {
        out->Add(ChangeKind::kFavoriteOutcome, label + ": shortcut file " + Shown(a.shortcut) + kArrow + Shown(b.shortcut));
    }
    if (a.reason != b.reason && a.shortcutResult == b.shortcutResult) {
        out->Add(ChangeKind::kFavoriteOutcome,
                 label + ": " + (a.reason.empty() ? "none" : a.reason) + kArrow + (b.reason.empty() ? "none" : b.reason),
                 b.linkSection);
    }
    if (!SameFailures(a.failures, b.failures)) {
        out->Add(ChangeKind::kFavoriteOutcome,
                 label + ": failed writes " + FailuresText(a.failures) + kArrow + FailuresText(b.failures));
    }
}

void CompareFavorites(const BrandingOutcome& before, const BrandingOutcome& after, Changes* out) {
    const std::vector<OutcomeFavorite>& a = before.favorites;
    const std::vector<OutcomeFavorite>& b = after.favorites;
    // A link section named twice in a list is matched in turn: first with first.
    std::map<std::string, std::vector<size_t>> unmatched;
    for (size_t i = a.size(); i-- > 0;) unmatched[Lower(a[i].linkSection)].push_back(i);
    std::vector<size_t> match(b.size(), a.size());
    std::vector<bool> matchedBefore(a.size(), false);
    for (size_t j = 0; j < b.size(); ++j) {
        std::vector<size_t>& free = unmatched[Lower(b[j].linkSection)];
        if (free.empty()) continue;
        match[j] = free.back();
        matchedBefore[free.back()] = true;
        free.pop_back();
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (!matchedBefore[i]) {
            out->Add(ChangeKind::kFavoriteRemoved, FavoriteLabel(a[i]) + " removed from " + Position(i),
                     a[i].linkSection, "", true);
        }
    }
    std::vector<size_t> common;
    for (size_t j = 0; j < b.size(); ++j) {
        if (match[j] != a.size()) common.push_back(match[j]);
    }
    std::vector<bool> kept = KeptInOrder(common);
    size_t c = 0;
    for (size_t j = 0; j < b.size(); ++j) {
        if (match[j] == a.size()) {
            out->Add(ChangeKind::kFavoriteAdded, FavoriteLabel(b[j]) + " added at " + Position(j), b[j].linkSection);
            continue;
        }
        if (!kept[c++]) {
            out->Add(ChangeKind::kFavoriteMoved,
                     FavoriteLabel(b[j]) + " moved from " + Position(match[j]) + " to " + std::to_string(j + 1),
                     after.section, "Favorites");
        }
        CompareFavorite(a[match[j]], b[j], out);
    }
}

std::string EntryText(const SignupEntry& e) { return "[" + e.section + "] " + e.key + "=" + Shown(e.value); }

void CompareSignup(const BrandingOutcome& before, const BrandingOutcome& after, bool favoritesChanged,
                   Changes* out) {
    using Key = std::pair<std::string, std::string>;
    std::map<Key, const SignupEntry*> a;
    std::map<Key, const SignupEntry*> b;
    for (const SignupEntry& e : before.signup) a[{e.section, e.key}] = &e;
    for (const SignupEntry& e : after.signup) b[{e.section, e.key}] = &e;
    Changes found;
    for (const auto& [key, e] : a) {
        auto it = b.find(key);
        if (it == b.end()) {
            found.Add(ChangeKind::kSignup, "sign-up entry " + EntryText(*e) + " no longer written");
        } else if (it->second->value != e->value) {
            found.Add(ChangeKind::kSignup, "sign-up entry [" + key.first + "] " + key.second + " " + Shown(e->value) +
                                               kArrow + Shown(it->second->value));
        }
    }
    for (const auto& [key, e] : b) {
        if (a.count(key) == 0) found.Add(ChangeKind::kSignup, "sign-up entry " + EntryText(*e) + " now written");
    }
    if (found.list.empty() && before.signup.size() == after.signup.size()) {
        // The same entries in another order.
        for (size_t i = 0; i < before.signup.size(); ++i) {
            if (before.signup[i].section != after.signup[i].section || before.signup[i].key != after.signup[i].key) {
                found.Add(ChangeKind::kSignup, "sign-up entries written in another order");
                break;
            }
        }
    }
    if (favoritesChanged && !found.list.empty()) {
        out->Add(ChangeKind::kSignup, std::to_string(found.list.size()) + " sign-up entries change with the favorites");
        return;
    }
    out->list.insert(out->list.end(), found.list.begin(), found.list.end());
}

std::string CopyResult(const OutcomeWallpaper& w) {
    if (w.result == "failed") return "fails (" + w.reason + ")";
    return w.result;
}

void CompareWallpapers(const BrandingOutcome& before, const BrandingOutcome& after, Changes* out) {
    const std::vector<OutcomeWallpaper>& a = before.wallpapers;
    const std::vector<OutcomeWallpaper>& b = after.wallpapers;
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        std::string n = "wallpaper copy " + std::to_string(i + 1);
        if (i >= b.size()) {
            out->Add(ChangeKind::kWallpaper, n + " " + Shown(a[i].source) + kArrow + Shown(a[i].target) + " no longer made");
            continue;
        }
        if (i >= a.size()) {
            out->Add(ChangeKind::kWallpaper, n + " " + Shown(b[i].source) + kArrow + Shown(b[i].target) + " now made");
            continue;
        }
        if (a[i].source != b[i].source) {
            out->Add(ChangeKind::kWallpaper, n + " source " + Shown(a[i].source) + kArrow + Shown(b[i].source));
        }
        if (a[i].target != b[i].target) {
            out->Add(ChangeKind::kWallpaper, n + " target " + Shown(a[i].target) + kArrow + Shown(b[i].target));
        }
        if (a[i].result != b[i].result || a[i].reason != b[i].reason) {
            out->Add(ChangeKind::kWallpaper,
                     n + " " + Shown(b[i].source) + ": " + CopyResult(a[i]) + kArrow + CopyResult(b[i]));
        } else if (a[i].exists != b[i].exists || a[i].fits != b[i].fits) {
            out->Add(ChangeKind::kWallpaper, n + " " + Shown(b[i].source) + (b[i].exists ? ": now there" : ": now missing") +
                                                 (b[i].fits ? "" : ", its path too long"));
        } else if (!SameFailures(a[i].failures, b[i].failures)) {
            out->Add(ChangeKind::kWallpaper, n + " " + Shown(b[i].source) + ": failed writes " +
                                                 FailuresText(a[i].failures) + kArrow + FailuresText(b[i].failures));
        }
    }
}

void CompareFailures(const BrandingOutcome& before, const BrandingOutcome& after, Changes* out) {
    using Key = std::tuple<std::string, uint32_t>;
    std::map<Key, int> count;
    for (const WriteFailure& f : before.failures) --count[{f.what, f.error}];
    for (const WriteFailure& f : after.failures) ++count[{f.what, f.error}];
    for (const std::vector<WriteFailure>* side : {&before.failures, &after.failures}) {
        for (const WriteFailure& f : *side) {
            int& n = count[{f.what, f.error}];
            bool now = side == &after.failures;
            if ((now && n > 0) || (!now && n < 0)) {
                out->Add(ChangeKind::kWriteFails,
                         "write to " + Shown(f.what) + (now ? " now fails: " + f.text : " no longer fails (was: " + f.text + ")"));
                n += now ? -1 : 1;
            }
        }
    }
}

}  // namespace

Json TextOrNull(bool present, const std::string& text) { return present ? Json(text) : Json(nullptr); }

Json FailuresJson(const std::vector<WriteFailure>& failures) {
    Json list = Json::array();
    for (const WriteFailure& f : failures) list.push_back({{"what", f.what}, {"error", f.error}, {"text", f.text}});
    return list;
}

bool BrandingOutcome::NoBranding() const {
    // The engine's test, on the parts of a run it looks at.
    RunOutcome run;
    run.stops = stops;
    for (const OutcomeFavorite& f : favorites) {
        FavoriteOutcome fo;
        fo.installed = f.index != 0;
        run.favorites.push_back(fo);
    }
    for (auto [page, from] : {std::pair{&run.home, &home}, std::pair{&run.search, &search}}) {
        page->named = from->named;
        page->runs = from->runs;
        page->reason = from->reason;
    }
    return run.NoBranding();
}

BrandingOutcome OutcomeFromRun(const RunOutcome& run, bool identified) {
    BrandingOutcome o;
    o.identified = identified;
    if (identified) o.section = run.section;
    o.stops = run.stops;
    if (run.stops.empty()) {
        for (const FavoriteOutcome& l : run.favorites) {
            OutcomeFavorite f;
            f.linkSection = l.linkSection;
            f.hasName = !l.nameMissing;
            if (f.hasName) f.name = l.name;
            f.hasUrl = !l.pathMissing;
            if (f.hasUrl) f.url = l.url;
            f.shortcut = l.shortcutFile;
            if (l.installed) f.shortcutResult = l.shortcut;
            f.index = l.installed ? l.index : 0;
            f.reason = l.reason;
            f.failures = l.failures;
            o.favorites.push_back(f);
        }
        o.home = PageFromRun(run.home);
        o.search = PageFromRun(run.search);
        for (const WallpaperCopy& c : run.wallpapers) {
            o.wallpapers.push_back({c.source, c.target, c.sourceExists, c.fits, c.result, c.reason, c.failures});
        }
    }
    o.signup = run.signup;
    o.failures = run.failures;
    return o;
}

std::vector<std::string> OutcomeFlags(const BrandingOutcome& o) {
    bool pathTooLong = o.home.reason == "path-too-long" || o.search.reason == "path-too-long";
    bool missingLink = o.home.reason == "missing-link" || o.search.reason == "missing-link";
    bool refused = false;
    bool assetMissing = false;
    for (const OutcomeFavorite& f : o.favorites) {
        pathTooLong = pathTooLong || f.reason == "path-too-long" || f.shortcutResult == "shortcut-path-too-long";
        missingLink = missingLink || f.reason == "missing-link";
        refused = refused || f.shortcutResult == "no-shortcut";
    }
    for (const OutcomeWallpaper& w : o.wallpapers) {
        pathTooLong = pathTooLong || w.reason == "path-too-long";
        assetMissing = assetMissing || w.reason == "asset-missing";
    }
    std::vector<std::string> flags;
    if (o.NoBranding()) flags.push_back("no-branding");
    if (o.identified && o.section == EngineQuery::Facts().defaultSection) flags.push_back("default");
    if (pathTooLong) flags.push_back("path-too-long");
    if (refused) flags.push_back("no-shortcut");
    if (assetMissing) flags.push_back("asset-missing");
    if (missingLink) flags.push_back("missing-link");
    if (!o.failures.empty()) flags.push_back("write-fails");
    return flags;
}

Json OutcomeJson(const BrandingOutcome& o) {
    Json doc;
    doc["section"] = TextOrNull(o.identified, o.section);
    doc["stops"] = TextOrNull(!o.stops.empty(), o.stops);
    Json favorites = Json::array();
    for (const OutcomeFavorite& f : o.favorites) {
        Json fav{{"linkSection", f.linkSection}};
        fav["name"] = TextOrNull(f.hasName, f.name);
        fav["url"] = TextOrNull(f.hasUrl, f.url);
        fav["shortcut"] = TextOrNull(!f.shortcut.empty(), f.shortcut);
        fav["shortcutResult"] = TextOrNull(f.index != 0, f.shortcutResult);
        fav["index"] = f.index != 0 ? Json(f.index) : Json(nullptr);
        fav["reason"] = TextOrNull(!f.reason.empty(), f.reason);
        fav["failures"] = FailuresJson(f.failures);
        favorites.push_back(fav);
    }
    doc["favorites"] = favorites;
    for (auto [key, p] : {std::pair{"home", &o.home}, std::pair{"search", &o.search}}) {
        if (!p->named) {
            doc[key] = nullptr;
            continue;
        }
        doc[key] = Json{{"section", p->linkSection},
                        {"url", TextOrNull(p->hasUrl, p->url)},
                        {"applied", p->applied},
                        {"runs", p->runs},
                        {"nameMissing", p->nameMissing},
                        {"pathMissing", p->pathMissing},
                        {"reason", TextOrNull(!p->reason.empty(), p->reason)},
                        {"failures", FailuresJson(p->failures)}};
    }
    Json wallpapers = Json::array();
    for (const OutcomeWallpaper& w : o.wallpapers) {
        wallpapers.push_back({{"source", w.source},
                              {"target", w.target},
                              {"exists", w.exists},
                              {"fits", w.fits},
                              {"result", w.result},
                              {"reason", TextOrNull(!w.reason.empty(), w.reason)},
                              {"failures", FailuresJson(w.failures)}});
    }
    doc["wallpapers"] = wallpapers;
    Json signup = Json::array();
    for (const SignupEntry& e : o.signup) signup.push_back({{"section", e.section}, {"key", e.key}, {"value", e.value}});
    doc["signup"] = signup;
    doc["failures"] = FailuresJson(o.failures);
    return doc;
}

bool OutcomeFromJson(const nlohmann::json& doc, BrandingOutcome* outcome, std::string* error) {
    BrandingOutcome o;
    Reader r{error};
    if (!doc.is_object()) r.Fail("the document is not an object");
    r.Text(doc, "section", "/", &o.section, &o.identified);
    r.Text(doc, "stops", "/", &o.stops);
    if (const nlohmann::json* list = r.List(doc, "favorites", "/")) {
        for (size_t i = 0; i < list->size() && r.ok; ++i) {
            const nlohmann::json& v = (*list)[i];
            std::string at = "/favorites/" + std::to_string(i) + "/";
            OutcomeFavorite f;
            r.Text(v, "linkSection", at, &f.linkSection);
            r.Text(v, "name", at, &f.name, &f.hasName);
            r.Text(v, "url", at, &f.url, &f.hasUrl);
            r.Text(v, "shortcut", at, &f.shortcut);
            r.Text(v, "shortcutResult", at, &f.shortcutResult);
            r.Int(v, "index", at, &f.index, true);
            r.Text(v, "reason", at, &f.reason);
            r.Failures(v, at, &f.failures);
            o.favorites.push_back(f);
        }
    }
    r.Page(doc, "home", &o.home);
    r.Page(doc, "search", &o.search);
    if (const nlohmann::json* list = r.List(doc, "wallpapers", "/")) {
        for (size_t i = 0; i < list->size() && r.ok; ++i) {
            const nlohmann::json& v = (*list)[i];
            std::string at = "/wallpapers/" + std::to_string(i) + "/";
            OutcomeWallpaper w;
            r.Text(v, "source", at, &w.source);
            r.Text(v, "target", at, &w.target);
            r.Bool(v, "exists", at, &w.exists);
            r.Bool(v, "fits", at, &w.fits);
            r.Text(v, "result", at, &w.result);
            r.Text(v, "reason", at, &w.reason);
            r.Failures(v, at, &w.failures);
            o.wallpapers.push_back(w);
        }
    }
    if (const nlohmann::json* list = r.List(doc, "signup", "/")) {
        for (size_t i = 0; i < list->size() && r.ok; ++i) {
            std::string at = "/signup/" + std::to_string(i) + "/";
            SignupEntry e;
            r.Text((*list)[i], "section", at, &e.section);
            r.Text((*list)[i], "key", at, &e.key);
            r.Text((*list)[i], "value", at, &e.value);
            o.signup.push_back(e);
        }
    }
    r.Failures(doc, "/", &o.failures);
    if (!r.ok) return false;
    *outcome = std::move(o);
    return true;
}

const char* ChangeKindName(ChangeKind kind) {
    switch (kind) {
        case ChangeKind::kSection: return "section";
        case ChangeKind::kIdentified: return "identified";
        case ChangeKind::kStops: return "stops";
        case ChangeKind::kNoBranding: return "no-branding";
        case ChangeKind::kHomePage: return "home-page";
        case ChangeKind::kSearchPage: return "search-page";
        case ChangeKind::kFavoriteAdded: return "favorite-added";
        case ChangeKind::kFavoriteRemoved: return "favorite-removed";
        case ChangeKind::kFavoriteRenamed: return "favorite-renamed";
        case ChangeKind::kFavoriteUrl: return "favorite-url";
        case ChangeKind::kFavoriteMoved: return "favorite-moved";
        case ChangeKind::kShortcutMade: return "shortcut-made";
        case ChangeKind::kShortcutLost: return "shortcut-lost";
        case ChangeKind::kFavoriteOutcome: return "favorite-outcome";
        case ChangeKind::kSignup: return "signup";
        case ChangeKind::kWallpaper: return "wallpaper";
        case ChangeKind::kWriteFails: return "write-fails";
    }
    return "change";
}

std::vector<OutcomeChange> CompareOutcomes(const BrandingOutcome& before, const BrandingOutcome& after) {
    Changes out;
    if (before.identified != after.identified) {
        out.Add(ChangeKind::kIdentified, after.identified ? "the machine is now identified"
                                                          : "the machine is no longer identified: no section is searched");
    } else if (before.section != after.section) {
        out.Add(ChangeKind::kSection, "section " + Shown(before.section) + kArrow + Shown(after.section), after.section);
    }
    if (before.stops != after.stops) {
        std::string text = before.stops.empty() ? "the run now stops before its branding actions: " + after.stops
                           : after.stops.empty()
                               ? "the run no longer stops before its branding actions (was: " + before.stops + ")"
                               : "the run stops for another reason: " + before.stops + kArrow + after.stops;
        out.Add(ChangeKind::kStops, text);
    }
    bool noneBefore = before.NoBranding();
    bool noneAfter = after.NoBranding();
    if (noneBefore != noneAfter && before.stops.empty() && after.stops.empty()) {
        out.Add(ChangeKind::kNoBranding, noneAfter ? "the machine now gets no branding" : "the machine now gets branding",
                after.section);
    }
    ComparePage("home page", ChangeKind::kHomePage, before.home, after.home, &out);
    ComparePage("search page", ChangeKind::kSearchPage, before.search, after.search, &out);
    size_t firstFavorite = out.list.size();
    CompareFavorites(before, after, &out);
    CompareSignup(before, after, out.list.size() > firstFavorite, &out);
    CompareWallpapers(before, after, &out);
    CompareFailures(before, after, &out);
    return out.list;
}

}  // namespace author
