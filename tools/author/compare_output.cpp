// The comparison written out: text for people, JSON for programs, SARIF on the later
// file's lines, and the HTML changes view in the branding report's style.
#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "author/compare.h"
#include "author/matrix_input.h"
#include "author/output.h"
#include "author/report_html.h"
#include "author/sarif.h"

namespace author {

namespace {

std::string LanguageName(uint16_t langId) {
    std::string tag = LanguageTag(langId);
    return LangIdText(langId) + (tag.empty() ? "" : " " + tag);
}

std::string Listed(const std::vector<std::string>& items, size_t shown) {
    std::string text;
    for (size_t i = 0; i < items.size() && i < shown; ++i) text += (i == 0 ? "" : ", ") + items[i];
    if (items.size() > shown) text += " and " + std::to_string(items.size() - shown) + " more";
    return text;
}

std::vector<std::string> RegionNames(const std::vector<std::string>& regions) {
    std::vector<std::string> names;
    for (const std::string& r : regions) names.push_back(r.empty() ? "(empty)" : r);
    return names;
}

std::string Where(const EditCause& cause) {
    auto line = [](int n) { return n > 0 ? "line " + std::to_string(n) : std::string("none"); };
    return "old " + line(cause.oldLine) + ", new " + line(cause.newLine);
}

// The families of change the HTML view colours, most telling first.
const char* Family(ChangeKind kind) {
    switch (kind) {
        case ChangeKind::kSection: return "section";
        case ChangeKind::kIdentified:
        case ChangeKind::kStops:
        case ChangeKind::kNoBranding:
        case ChangeKind::kWriteFails: return "flags";
        case ChangeKind::kHomePage:
        case ChangeKind::kSearchPage: return "pages";
        case ChangeKind::kSignup: return "signup";
        case ChangeKind::kWallpaper: return "wallpaper";
        default: return "favorites";
    }
}
const char* const kFamilies[] = {"section", "flags", "pages", "favorites", "signup", "wallpaper"};

int FamilyRank(const char* family) {
    for (int i = 0; i < 6; ++i) {
        if (std::string(kFamilies[i]) == family) return i;
    }
    return 5;
}

}  // namespace

std::string CompareText(const Comparison& c, const std::string& oldName, const std::string& newName) {
    std::ostringstream out;
    out << oldName << " -> " << newName << "\n";
    for (const ChangeGroup& g : c.groups) {
        out << "\n"
            << g.count << (g.count == 1 ? " combination: " : " combinations: ") << g.Text() << "\n";
        out << "    models (" << g.models.size() << "): " << Listed(g.models, 8) << "\n";
        out << "    regions (" << g.regions.size() << "): " << Listed(RegionNames(g.regions), 20) << "\n";
        std::vector<std::string> langs;
        for (uint16_t l : g.languages) langs.push_back(LanguageName(l));
        out << "    languages (" << langs.size() << "): " << Listed(langs, 12) << "\n";
        out << "    screens: " << Listed(g.screens, 2) << "\n";
        for (const EditCause& cause : g.causes) out << "    cause: " << cause.text << " (" << Where(cause) << ")\n";
        if (g.causes.empty()) out << "    cause: not named by one edit\n";
    }
    out << "\n";
    if (c.changed == 0) {
        out << "no outcome changes: " << c.combinations << " combinations compared\n";
    } else {
        out << c.changed << " of " << c.combinations << " combinations change, in " << c.groups.size()
            << (c.groups.size() == 1 ? " group\n" : " groups\n");
    }
    return out.str();
}

nlohmann::ordered_json CompareJson(const Comparison& c, const std::string& oldName, const std::string& newName) {
    nlohmann::ordered_json groups = nlohmann::ordered_json::array();
    for (const ChangeGroup& g : c.groups) {
        nlohmann::ordered_json change = nlohmann::ordered_json::array();
        for (const OutcomeChange& ch : g.changes) change.push_back({{"kind", ChangeKindName(ch.kind)}, {"text", ch.text}});
        nlohmann::ordered_json langs = nlohmann::ordered_json::array();
        for (uint16_t l : g.languages) langs.push_back(LangIdText(l));
        nlohmann::ordered_json causes = nlohmann::ordered_json::array();
        for (const EditCause& cause : g.causes) {
            auto line = [](int n) { return n > 0 ? nlohmann::ordered_json(n) : nlohmann::ordered_json(); };
            causes.push_back({{"text", cause.text},
                              {"section", cause.section},
                              {"key", cause.key},
                              {"oldLine", line(cause.oldLine)},
                              {"newLine", line(cause.newLine)}});
        }
        groups.push_back({{"count", g.count},
                          {"change", change},
                          {"combinations",
                           {{"models", g.models}, {"regions", g.regions}, {"languages", langs}, {"screens", g.screens}}},
                          {"cause", causes}});
    }
    nlohmann::ordered_json langs = nlohmann::ordered_json::array();
    for (uint16_t l : c.languages) langs.push_back(LangIdText(l));
    return {{"groups", groups},
            {"summary",
             {{"old", oldName},
              {"new", newName},
              {"combinations", c.combinations},
              {"changed", c.changed},
              {"groups", c.groups.size()},
              {"languages", langs}}}};
}

nlohmann::ordered_json CompareSarif(const Comparison& c, const std::string& newName, const std::string& version) {
    // One rule per kind of change met; the kind of a group is that of its first change.
    std::vector<LintRule> rules;
    std::vector<Finding> findings;
    for (const ChangeGroup& g : c.groups) {
        const char* kind = ChangeKindName(g.changes.front().kind);
        bool known = false;
        for (const LintRule& r : rules) known = known || std::string(r.name) == kind;
        if (!known) rules.push_back({kind, Severity::kWarning, "the outcome of some combinations changes"});
        Finding f;
        f.file = newName;
        f.rule = kind;
        f.severity = Severity::kWarning;
        f.message = std::to_string(g.count) + (g.count == 1 ? " combination: " : " combinations: ") + g.Text() +
                    " (models: " + Listed(g.models, 4) + "; regions: " + Listed(RegionNames(g.regions), 8) + ")";
        for (const EditCause& cause : g.causes) {
            if (cause.newLine > 0 && f.line == 0) f.line = cause.newLine;
            f.message += "; cause: " + cause.text + " (" + Where(cause) + ")";
        }
        findings.push_back(f);
    }
    return SarifLog("facet-sim compare", version, rules.data(), rules.size(), findings);
}

namespace {

const char kCompareStyle[] = R"CSS(
.grid td.same{background:#d8dce0;color:#57606a}
.k-section{background:#c26a00}.k-flags{background:#b3261e}.k-pages{background:#2f5fb3}
.k-favorites{background:#7a4fb8}.k-signup{background:#0b7a8f}.k-wallpaper{background:#4c9a2a}
.legend span.same{background:#d8dce0;color:#57606a}
.groups li{margin:6px 0}.groups .cov{color:#57606a;font-size:12px}
#panel .ba{display:flex;gap:12px}#panel .ba>div{flex:1;min-width:0;overflow-wrap:anywhere}#panel .chg{font-weight:600}
)CSS";

// Shows a cell's outcome pairs, before and after, on hover and pinned on click (click
// again or Esc to unpin). The data is read with textContent only.
const char kCompareScript[] = R"JS(
(function(){
var D=JSON.parse(document.getElementById('data').textContent);
var S=D.s,panel=document.getElementById('panel'),pinned=null;
function t(i){return S[i];}
function el(tag,text,cls){var e=document.createElement(tag);if(text!==undefined)e.textContent=text;if(cls)e.className=cls;return e;}
function list(a){return a.length?a.map(t).join(', '):'(none)';}
function side(title,cls,o){var d=el('div',undefined,cls);d.appendChild(el('b',title));
  d.appendChild(el('div','Section: '+t(o[0])));
  d.appendChild(el('div','Home: '+(t(o[1])||'(none)')));
  d.appendChild(el('div','Search: '+(t(o[2])||'(none)')));
  d.appendChild(el('div','Favorites: '+list(o[3])));
  d.appendChild(el('div','Wallpapers: '+list(o[4])));
  if(o[5].length)d.appendChild(el('div','Flags: '+list(o[5]),'warning'));
  return d;}
function show(td){
  var c=D.c[+td.dataset.x];panel.textContent='';
  panel.appendChild(el('h3',td.title));
  c.forEach(function(pi){var p=D.p[pi],row=el('div',undefined,'row');
    if(p[2]<0)row.appendChild(el('div','unchanged'));
    else D.g[p[2]].forEach(function(x){row.appendChild(el('div',t(x),'chg'));});
    var ba=el('div',undefined,'ba');ba.appendChild(side('Before','before',D.o[p[0]]));ba.appendChild(side('After','after',D.n[p[1]]));
    row.appendChild(ba);panel.appendChild(row);});
  panel.style.display='block';
}
document.addEventListener('mouseover',function(e){var td=e.target.closest('td[data-x]');if(td&&!pinned)show(td);});
document.addEventListener('click',function(e){var td=e.target.closest('td[data-x]');
  if(!td)return; if(pinned===td){pinned=null;return;} pinned=td;show(td);});
document.addEventListener('keydown',function(e){if(e.key==='Escape'){pinned=null;panel.style.display='none';}});
document.body.dataset.check='done';
})();
)JS";

class Strings {
public:
    int Id(const std::string& s) {
        auto it = ids_.emplace(s, static_cast<int>(list_.size()));
        if (it.second) list_.push_back(s);
        return it.first->second;
    }
    const std::vector<std::string>& List() const { return list_; }

private:
    std::map<std::string, int> ids_;
    std::vector<std::string> list_;
};

nlohmann::json OutcomeData(const BrandingOutcome& o, Strings* s) {
    nlohmann::json favorites = nlohmann::json::array();
    for (const OutcomeFavorite& f : o.favorites) {
        favorites.push_back(s->Id(f.name + (f.reason.empty() ? "" : " (" + f.reason + ")")));
    }
    nlohmann::json wallpapers = nlohmann::json::array();
    for (const OutcomeWallpaper& w : o.wallpapers) wallpapers.push_back(s->Id(w.target + " (" + w.result + ")"));
    nlohmann::json flags = nlohmann::json::array();
    for (const std::string& f : OutcomeFlags(o)) flags.push_back(s->Id(f));
    return {s->Id(o.section),
            s->Id(o.home.applied ? o.home.url : ""),
            s->Id(o.search.applied ? o.search.url : ""),
            favorites,
            wallpapers,
            flags};
}

bool RegionLess(const std::string& a, const std::string& b) {
    // The fallback region goes last, below the regions that name a market.
    if ((a == "XX") != (b == "XX")) return b == "XX";
    return a < b;
}

}  // namespace

void WriteCompareHtml(std::ostream& out, const Comparison& c, const std::string& oldName, const std::string& newName) {
    out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src data:; "
           "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">"
           "<title>Branding changes: "
        << HtmlEscape(newName) << "</title><style>" << ReportStyle() << kCompareStyle << "</style></head><body>\n";
    out << "<h1>Branding changes</h1><div class=\"sub\">" << HtmlEscape(oldName) << " &rarr; " << HtmlEscape(newName)
        << "</div>\n<div class=\"stats\">";
    auto stat = [&](size_t n, const char* what) { out << "<div class=\"stat\"><b>" << n << "</b>" << what << "</div>"; };
    stat(c.combinations, "combinations");
    stat(c.changed, "changed");
    stat(c.combinations - c.changed, "unchanged");
    stat(c.groups.size(), "kinds of change");
    out << "</div>\n<h2 id=\"changes\">Changes</h2>";
    if (c.groups.empty()) out << "<p class=\"ok\">No outcome changes.</p>";
    out << "<ol class=\"groups\">";
    for (const ChangeGroup& g : c.groups) {
        std::vector<std::string> langs;
        for (uint16_t l : g.languages) langs.push_back(LanguageName(l));
        out << "<li><b>" << g.count << "</b> " << HtmlEscape(g.Text()) << "<div class=\"cov\">models: "
            << HtmlEscape(Listed(g.models, 8)) << "; regions: " << HtmlEscape(Listed(RegionNames(g.regions), 20))
            << "; languages: " << HtmlEscape(Listed(langs, 12)) << "; screens: " << HtmlEscape(Listed(g.screens, 2));
        for (const EditCause& cause : g.causes) out << "<br>cause: " << HtmlEscape(cause.text + " (" + Where(cause) + ")");
        out << "</div></li>";
    }
    out << "</ol>\n";

    Strings strings;
    nlohmann::json groups = nlohmann::json::array();
    for (const ChangeGroup& g : c.groups) {
        nlohmann::json texts = nlohmann::json::array();
        for (const OutcomeChange& ch : g.changes) texts.push_back(strings.Id(ch.text));
        groups.push_back(texts);
    }
    nlohmann::json before = nlohmann::json::array();
    for (const BrandingOutcome& o : c.before) before.push_back(OutcomeData(o, &strings));
    nlohmann::json after = nlohmann::json::array();
    for (const BrandingOutcome& o : c.after) after.push_back(OutcomeData(o, &strings));
    nlohmann::json pairs = nlohmann::json::array();
    for (const OutcomePair& p : c.pairs) pairs.push_back({p.before, p.after, p.group});
    nlohmann::json cells = nlohmann::json::array();
    for (const CompareCell& cell : c.cells) cells.push_back(cell.pairs);

    out << "<h2 id=\"grids\">Changes by category</h2><p class=\"legend\">Cell colour: the most telling kind of change "
           "among the cell's models and screens. <span class=\"k-section\">section</span><span class=\"k-flags\">"
           "flags</span><span class=\"k-pages\">start or search page</span><span class=\"k-favorites\">favorites"
           "</span><span class=\"k-signup\">sign-up</span><span class=\"k-wallpaper\">wallpaper</span>"
           "<span class=\"same\">unchanged</span> Hover or click a cell for before and after.</p>";
    std::map<std::string, std::set<std::string, bool (*)(const std::string&, const std::string&)>> regions;
    std::map<std::string, std::set<uint16_t>> languages;
    std::map<std::tuple<std::string, std::string, uint16_t>, size_t> index;
    for (size_t i = 0; i < c.cells.size(); ++i) {
        const CompareCell& cell = c.cells[i];
        regions.try_emplace(cell.category, RegionLess).first->second.insert(cell.region);
        languages[cell.category].insert(cell.language);
        index[{cell.category, cell.region, cell.language}] = i;
    }
    for (const auto& [category, regionSet] : regions) {
        const std::set<uint16_t>& langs = languages[category];
        size_t changed = 0;
        for (const auto& [key, i] : index) {
            if (std::get<0>(key) == category) changed += c.cells[i].changed;
        }
        out << "<details class=\"cat\" open data-category=\"" << HtmlEscape(category) << "\"><summary>"
            << HtmlEscape(category) << " &mdash; " << changed << " combinations changed</summary>"
            << "<div class=\"gridwrap\"><table class=\"grid\"><thead><tr><th class=\"r\">region</th>";
        for (uint16_t lang : langs) out << "<th>" << HtmlEscape(LanguageName(lang)) << "</th>";
        out << "</tr></thead><tbody>";
        for (const std::string& region : regionSet) {
            out << "<tr><th class=\"r\">" << HtmlEscape(region.empty() ? "(empty)" : region) << "</th>";
            for (uint16_t lang : langs) {
                auto it = index.find({category, region, lang});
                if (it == index.end()) {
                    out << "<td></td>";
                    continue;
                }
                const CompareCell& cell = c.cells[it->second];
                const char* family = nullptr;
                std::string section;
                for (size_t p : cell.pairs) {
                    const OutcomePair& pair = c.pairs[p];
                    if (section.empty()) section = c.after[pair.after].section;
                    if (pair.group < 0) continue;
                    for (const OutcomeChange& ch : c.groups[pair.group].changes) {
                        if (family == nullptr || FamilyRank(Family(ch.kind)) < FamilyRank(family)) family = Family(ch.kind);
                    }
                }
                std::string title = category + " / " + (region.empty() ? "(empty)" : region) + " / " +
                                    LanguageName(lang) + ": " + std::to_string(cell.changed) + " of " +
                                    std::to_string(cell.combinations) + " combinations changed";
                out << "<td class=\"" << (family ? std::string("k-") + family : std::string("same")) << "\" data-x=\""
                    << it->second << "\" title=\"" << HtmlEscape(title) << "\">" << HtmlEscape(section) << "</td>";
            }
            out << "</tr>";
        }
        out << "</tbody></table></div></details>";
    }

    nlohmann::json data = {{"s", strings.List()}, {"g", groups}, {"o", before}, {"n", after}, {"p", pairs}, {"c", cells}};
    std::string safe = ScriptJson(data);
    out << "\n<div id=\"panel\"></div><script type=\"application/json\" id=\"data\">" << safe << "</script>\n<script>"
        << kCompareScript << "</script></body></html>\n";
}

}  // namespace author
