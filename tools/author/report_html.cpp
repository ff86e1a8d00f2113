#include "author/report_html.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

#include "author/matrix_input.h"
#include "author/output.h"
#include "author/region_names.h"

namespace author {

namespace {

const char kStyle[] = R"CSS(
body{font:14px/1.4 system-ui,sans-serif;margin:0;padding:16px 24px;color:#1d232a;background:#fafbfc}
h1{font-size:22px;margin:0 0 4px}h2{font-size:18px;margin:24px 0 8px;border-bottom:1px solid #d0d7de}
.sub{color:#57606a;margin-bottom:12px}
.stats{display:flex;gap:12px;flex-wrap:wrap}.stat{background:#fff;border:1px solid #d0d7de;border-radius:6px;padding:8px 12px}
.stat b{display:block;font-size:20px}
table{border-collapse:collapse}
.list td,.list th{border:1px solid #d0d7de;padding:2px 8px;text-align:left;vertical-align:top}
.findings li{font-family:ui-monospace,monospace;font-size:12px}
.error{color:#b3261e}.warning{color:#8a5a00}.note{color:#57606a}
details.cat{background:#fff;border:1px solid #d0d7de;border-radius:6px;margin:8px 0;padding:4px 8px}
details.cat>summary{cursor:pointer;font-weight:600}
.gridwrap{overflow:auto;max-height:70vh}
table.grid{font-size:11px}
.grid th{background:#f0f2f4;padding:2px 4px;border:1px solid #d0d7de;white-space:nowrap}
.grid thead th{position:sticky;top:0;z-index:1}.grid tbody th{position:sticky;left:0}.grid thead th.r{left:0;z-index:2}
.grid .rn{font-weight:400;color:#57606a;margin-left:4px}
.grid td{border:1px solid #fff;padding:2px 4px;white-space:nowrap;cursor:pointer;color:#fff}
.grid td.fl::after{content:" !";font-weight:700}
.grid td:focus{outline:2px dashed #1d232a;outline-offset:-2px}
.grid td.pin{outline:3px solid #1d232a;outline-offset:-3px;box-shadow:inset 0 0 0 5px #fff}
.grid td.dim{opacity:.15}.hide{display:none}
.c1{background:#1a7f37}.c2{background:#4c9a2a}.c3{background:#0b7a8f}.c4{background:#2f5fb3}.c5{background:#7a4fb8}
.c0{background:#c26a00}.nb{background:#b3261e}
.legend span{display:inline-block;color:#fff;padding:2px 8px;margin-right:4px;border-radius:3px;font-size:12px}
#tools{position:sticky;top:0;z-index:5;background:#fafbfc;padding:6px 0;display:flex;gap:8px;align-items:center;flex-wrap:wrap}
#filter{width:340px;padding:3px 6px}#shown{color:#57606a}
#modelview{background:#fff;border:2px solid #2f5fb3;border-radius:6px;margin:8px 0;padding:4px 8px}
#modelview h3{margin:2px 0 6px;font-size:15px}
#panel{position:fixed;right:16px;bottom:16px;z-index:20;width:440px;max-height:60vh;overflow:auto;background:#fff;
border:1px solid #8c959f;border-radius:6px;box-shadow:0 4px 16px rgba(0,0,0,.2);padding:8px 12px;font-size:12px;display:none}
#panel h3{margin:0 0 4px;font-size:14px}#panel .row{border-top:1px solid #eaeef2;padding-top:4px;margin-top:4px}
#panel code{font-size:11px}
.sheet td{border:1px solid #d0d7de;padding:6px;text-align:center;vertical-align:top;background:#fff}
.sheet img{width:160px;display:block;margin:0 auto 4px;border:1px solid #d0d7de}
.sheet .bad{color:#b3261e;font-weight:600}.sheet .ok{color:#1a7f37}
.miss{width:160px;height:100px;display:flex;align-items:center;justify-content:center;background:#f6e0de;color:#b3261e;margin:0 auto 4px}
@media print{
#tools,#panel,#modelview{display:none!important}.hide{display:revert}.grid td.dim{opacity:1}
details.cat::details-content{content-visibility:visible;display:block}
.gridwrap{overflow:visible;max-height:none}.grid thead th,.grid tbody th{position:static}
body{background:#fff;-webkit-print-color-adjust:exact;print-color-adjust:exact}
}
)CSS";

// Shows a cell's explanation: on hover or focus, and pinned on click or Enter (again, or
// Esc, to unpin). The filter narrows the grids to the cells whose category, region,
// language, section or models hold its text; a model's whole name also shows that
// model's own grid. The page's data is read with textContent only, never parsed as
// markup. The last part marks the page once its thumbnails have decoded, for the
// browser test.
const char kScript[] = R"JS(
(function(){
var D=JSON.parse(document.getElementById('data').textContent);
var N=JSON.parse(document.getElementById('regions').textContent);
var S=D.s,panel=document.getElementById('panel'),pinned=null,CELL='td[data-x],td[data-rows]';
var grids=Array.prototype.slice.call(document.querySelectorAll('details[data-category]'));
function t(i){return S[i];}
function el(tag,text,cls){var e=document.createElement(tag);if(text!==undefined)e.textContent=text;if(cls)e.className=cls;return e;}
function rowsOf(td){return td.dataset.x!==undefined?D.c[+td.dataset.x]:td.dataset.rows.split(',').map(Number);}
function regionText(code){var n=N[code.toUpperCase()];return code+(n?' ('+n+')':'');}
function show(td){
  var rows=rowsOf(td);panel.textContent='';
  var r0=D.r[rows[0]];
  panel.appendChild(el('h3',t(r0[6])+'  (candidate '+r0[7]+(r0[7]===0?': the default':'')+')'));
  panel.appendChild(el('div',td.title));
  rows.forEach(function(ri){
    var r=D.r[ri],d=el('div',undefined,'row'),g=D.g[r[0]];
    var names=g.slice(0,12).map(t).join(', ')+(g.length>12?' and '+(g.length-12)+' more':'');
    d.appendChild(el('div','Models ('+g.length+'): '+names));
    d.appendChild(el('div','Region '+regionText(t(r[1]))+' from '+t(r[2])+(t(r[3])?' ('+t(r[3])+')':'')+', language '+t(r[4])+', screen '+t(r[5])));
    r[8].forEach(function(p,i){d.appendChild(el('div','  '+(i+1)+'. '+t(p)));});
    d.appendChild(el('div','Home: '+(t(r[9])||'(none)')));
    d.appendChild(el('div','Search: '+(t(r[10])||'(none)')));
    d.appendChild(el('div','Favorites: '+(r[11].length?r[11].map(t).join(', '):'(none)')));
    d.appendChild(el('div','Wallpapers: '+t(r[12])+t(r[13])));
    r[15].forEach(function(n){d.appendChild(el('div','! '+t(n),'warning'));});
    panel.appendChild(d);
  });
  panel.style.display='block';
}
function pin(td){
  if(pinned)pinned.classList.remove('pin');
  pinned=td;
  if(td){td.classList.add('pin');show(td);}
}
function cellOf(e){return e.target.closest?e.target.closest(CELL):null;}
document.addEventListener('mouseover',function(e){var td=cellOf(e);if(td&&!pinned)show(td);});
document.addEventListener('focusin',function(e){var td=cellOf(e);if(td&&!pinned)show(td);});
document.addEventListener('click',function(e){var td=cellOf(e);if(td)pin(pinned===td?null:td);});
document.addEventListener('keydown',function(e){
  if(e.key==='Escape'){pin(null);panel.style.display='none';return;}
  var td=cellOf(e);
  if(td&&(e.key==='Enter'||e.key===' ')){e.preventDefault();pin(pinned===td?null:td);}
});
function focusable(root){root.querySelectorAll(CELL).forEach(function(td){td.tabIndex=0;});}
focusable(document);

// Expand all, collapse all; printing opens every grid and closes again those that were shut.
function openAll(open){document.querySelectorAll('details.cat').forEach(function(d){d.open=open;});}
document.getElementById('expand').addEventListener('click',function(){openAll(true);});
document.getElementById('collapse').addEventListener('click',function(){openAll(false);});
var shut=[];
window.addEventListener('beforeprint',function(){
  shut=Array.prototype.filter.call(document.querySelectorAll('details.cat'),function(d){return !d.open;});
  shut.forEach(function(d){d.open=true;});
});
window.addEventListener('afterprint',function(){shut.forEach(function(d){d.open=false;});shut=[];});

// The filter.
var filter=document.getElementById('filter'),shown=document.getElementById('shown');
var groupText=D.g.map(function(g){return g.map(t).join('\n').toLowerCase();});
var models={};
D.g.forEach(function(g){g.forEach(function(m){models[t(m).toLowerCase()]=t(m);});});
var list=document.getElementById('models');
Object.keys(models).sort().forEach(function(k){var o=document.createElement('option');o.value=models[k];list.appendChild(o);});
var total=document.querySelectorAll('details[data-category] tbody tr').length;
// The grids' cells and texts, read from the page once; a class is written only when it changes.
var index=null;
function lower(e){return e.textContent.toLowerCase();}
function build(){
  index=grids.map(function(det){
    return {det:det,cat:det.dataset.category.toLowerCase(),langs:Array.prototype.map.call(det.querySelectorAll('thead th'),lower),
      rows:Array.prototype.map.call(det.querySelectorAll('tbody tr'),function(tr){
        var cells=[];
        for(var i=1;i<tr.cells.length;i++){var td=tr.cells[i],x=td.dataset.x;
          cells.push({td:td,col:i,x:x===undefined?-1:+x,text:lower(td),dim:false});}
        return {tr:tr,region:lower(tr.cells[0]),cells:cells,hide:false};})};
  });
}
function narrow(){
  if(!index)build();
  var q=filter.value.trim().toLowerCase(),kept=0;
  var gm=groupText.map(function(s){return q!==''&&s.indexOf(q)>=0;});
  var found=index.map(function(g){
    var any=false,cat=g.cat.indexOf(q)>=0,langs=g.langs.map(function(l){return l.indexOf(q)>=0;});
    g.rows.forEach(function(row){
      var region=row.region.indexOf(q)>=0,rowAny=false;
      row.cells.forEach(function(c){
        var hit=c.x>=0&&(q===''||cat||region||langs[c.col]||c.text.indexOf(q)>=0||
          D.c[c.x].some(function(ri){return gm[D.r[ri][0]];}));
        var dim=!hit&&q!=='';
        if(dim!==c.dim){c.dim=dim;c.td.classList.toggle('dim',dim);}
        rowAny=rowAny||hit;
      });
      if(row.hide===rowAny){row.hide=!rowAny;row.tr.classList.toggle('hide',row.hide);}
      if(rowAny){kept++;any=true;}
    });
    g.det.classList.toggle('hide',!any);
    return any;
  });
  // The grids that hold what was asked for open by themselves, unless they are large (drawing
  // tens of thousands of cells takes seconds): those open with a click or Expand all.
  var size=0;
  index.forEach(function(g,i){if(found[i])size+=g.rows.length*g.langs.length;});
  if(q!==''&&size<=5000)index.forEach(function(g,i){if(found[i])g.det.open=true;});
  shown.textContent=q===''?'':kept+' of '+total+' region rows';
  modelView(models[q]);
}
var timer=null;
filter.addEventListener('input',function(){clearTimeout(timer);timer=setTimeout(narrow,120);});

// One model's own grid: its category's grid with only that model's outcomes.
var view=document.getElementById('modelview');
function modelView(name){
  view.textContent='';view.hidden=true;
  if(name===undefined)return;
  var mine={};
  D.g.forEach(function(g,i){if(g.some(function(m){return t(m)===name;}))mine[i]=1;});
  index.forEach(function(g){
    var det=g.det;
    if(!g.rows.some(function(row){return row.cells.some(function(c){
      return c.x>=0&&D.c[c.x].some(function(ri){return mine[D.r[ri][0]];});});}))return;
    var table=det.querySelector('table.grid').cloneNode(true),cells=0;
    table.querySelectorAll('tbody tr').forEach(function(tr){
      var rowCells=0;
      Array.prototype.slice.call(tr.cells,1).forEach(function(td){
        var rows=td.dataset.x===undefined?[]:D.c[+td.dataset.x].filter(function(ri){return mine[D.r[ri][0]];});
        td.removeAttribute('data-x');td.className='';td.classList.remove('dim');td.textContent='';td.removeAttribute('title');
        if(!rows.length)return;
        var r=D.r[rows[0]],flags={};
        rows.forEach(function(ri){D.r[ri][14].forEach(function(f){flags[t(f)]=1;});});
        td.className=flags['no-branding']?'nb':'c'+r[7];
        delete flags['default'];
        if(Object.keys(flags).length)td.classList.add('fl');
        td.dataset.rows=rows.join(',');
        td.textContent=t(r[6]);
        td.title=name+' / '+regionText(t(r[1]))+' / '+t(r[4])+': '+t(r[6]);
        rowCells++;
      });
      tr.classList.toggle('hide',rowCells===0);
      cells+=rowCells;
    });
    if(!cells)return;
    view.appendChild(el('h3','Model '+name+' ('+det.dataset.category+'): its section in every region and language'));
    var wrap=el('div',undefined,'gridwrap');wrap.appendChild(table);view.appendChild(wrap);
  });
  focusable(view);
  view.hidden=!view.firstChild;
}

// report.html#open opens every grid and shows the first cell's explanation.
if(location.hash==='#open'){openAll(true);var f=document.querySelector('td[data-x]');if(f)pin(f);}
window.addEventListener('load',function(){
  var imgs=Array.prototype.slice.call(document.images),ok=imgs.filter(function(i){return i.complete&&i.naturalWidth>0;});
  var b=document.body,first=document.querySelector('td[data-x]');
  b.dataset.thumbs=ok.length+'/'+imgs.length;
  b.dataset.cells=document.querySelectorAll('td[data-x]').length;
  if(first)b.dataset.firstCellColor=getComputedStyle(first).backgroundColor;
  b.dataset.check='done';
});
})();
)JS";

// Strings of the page's data, each stored once.
class StringTable {
public:
    int Id(const std::string& s) {
        auto it = ids_.find(s);
        if (it != ids_.end()) return it->second;
        int id = static_cast<int>(list_.size());
        ids_.emplace(s, id);
        list_.push_back(s);
        return id;
    }
    nlohmann::json Ids(const std::vector<std::string>& items) {
        nlohmann::json a = nlohmann::json::array();
        for (const std::string& s : items) a.push_back(Id(s));
        return a;
    }
    const std::vector<std::string>& List() const { return list_; }

private:
    std::unordered_map<std::string, int> ids_;
    std::vector<std::string> list_;
};

std::string LanguageHeading(uint16_t langId) {
    std::string tag = LanguageTag(langId);
    return LangIdText(langId) + (tag.empty() ? "" : " " + tag);
}

// "UK <span class="rn">United Kingdom</span>", the code alone outside the table.
std::string RegionHeading(const std::string& code) {
    std::string name = RegionName(code);
    std::string shown = HtmlEscape(code.empty() ? "(empty)" : code);
    return name.empty() ? shown : shown + " <span class=\"rn\">" + HtmlEscape(name) + "</span>";
}

// The models of a list, by name; a long list ends in how many more there are.
std::string ModelNames(const std::vector<std::string>& models) {
    const size_t kNamed = 20;
    std::string text;
    for (size_t i = 0; i < models.size() && i < kNamed; ++i) text += (i > 0 ? ", " : "") + models[i];
    if (models.size() > kNamed) text += " and " + std::to_string(models.size() - kNamed) + " more";
    return HtmlEscape(text);
}

bool RegionLess(const std::string& a, const std::string& b) {
    // The fallback region goes last, below the regions that name a market.
    if ((a == "XX") != (b == "XX")) return b == "XX";
    return a < b;
}

void WriteSummary(std::ostream& out, const ReportInput& in) {
    const MatrixSummary& s = *in.summary;
    size_t defaults = 0;
    size_t noBranding = 0;
    std::set<std::string> categories;
    for (const MatrixRow& r : *in.rows) {
        categories.insert(r.category);
        if (r.candidate == 0) ++defaults;
        if (std::find(r.flags.begin(), r.flags.end(), "no-branding") != r.flags.end()) ++noBranding;
    }
    out << "<h2 id=\"summary\">Summary</h2><div class=\"stats\">";
    auto stat = [&](size_t n, const char* what) { out << "<div class=\"stat\"><b>" << n << "</b>" << what << "</div>"; };
    stat(s.rows, "combinations");
    stat(categories.size(), "categories");
    stat(s.perSection.size(), "sections reached");
    stat(s.deadSections.size(), "sections never reached");
    stat(defaults, "combinations on the default");
    stat(noBranding, "combinations with no branding");
    stat(in.findings.size(), "lint findings");
    out << "</div>";

    out << "<h2 id=\"lint\">Lint findings</h2>";
    if (!in.lintError.empty()) {
        out << "<p class=\"error\">" << HtmlEscape(in.lintError) << "</p>";
    } else if (in.findings.empty()) {
        out << "<p class=\"ok\">No findings.</p>";
    } else {
        out << "<ul class=\"findings\">";
        for (const Finding& f : in.findings) {
            out << "<li class=\"" << SeverityName(f.severity) << "\">" << HtmlEscape(FormatFindingText(f)) << "</li>";
        }
        out << "</ul>";
    }

    out << "<details class=\"cat\"><summary>Sections: " << s.perSection.size() << " reached, " << s.deadSections.size()
        << " never reached</summary><table class=\"list\"><tr><th>section</th><th>combinations</th></tr>";
    for (const auto& [name, count] : s.perSection) {
        out << "<tr><td>" << HtmlEscape(name) << "</td><td>" << count << "</td></tr>";
    }
    for (const std::string& name : s.deadSections) {
        out << "<tr><td class=\"error\">" << HtmlEscape(name) << "</td><td class=\"error\">0: never reached</td></tr>";
    }
    out << "</table></details>";

    if (s.defaultOnly.empty()) {
        out << "<p>Every category, region and language reaches a section of its own.</p>";
    } else {
        out << "<details class=\"cat\"><summary>Only the default: " << s.defaultOnly.size()
            << " category, region and language combinations</summary>";
        const size_t kShown = 200;
        out << "<table class=\"list\"><tr><th>category</th><th>region</th><th>language</th><th>models</th></tr>";
        for (size_t i = 0; i < s.defaultOnly.size() && i < kShown; ++i) {
            const MatrixSummary::DefaultOnly& d = s.defaultOnly[i];
            out << "<tr><td>" << HtmlEscape(d.category) << "</td><td>" << RegionHeading(d.region) << "</td><td>"
                << LanguageHeading(d.language) << "</td><td>" << ModelNames(DefaultOnlyModels(d)) << "</td></tr>";
        }
        out << "</table>";
        if (s.defaultOnly.size() > kShown) {
            out << "<p>and " << s.defaultOnly.size() - kShown << " more (the JSON output lists them all)</p>";
        }
        out << "</details>";
    }
}

void WriteGrids(std::ostream& out, const ReportInput& in, StringTable* strings, nlohmann::json* rowsData,
                nlohmann::json* cellsData, nlohmann::json* groupsData) {
    // Regions by their upper-case form ("uk" is "UK" to the section search), shown as first spelled.
    using CellKey = std::tuple<std::string, std::string, uint16_t>;
    std::map<std::string, std::string> regionSpelling;
    std::map<CellKey, std::vector<size_t>> cells;
    std::map<std::string, std::set<std::string, bool (*)(const std::string&, const std::string&)>> regions;
    std::map<std::string, std::set<uint16_t>> languages;
    std::map<const std::vector<std::string>*, int> groups;
    const std::vector<MatrixRow>& rows = *in.rows;
    for (size_t i = 0; i < rows.size(); ++i) {
        const MatrixRow& r = rows[i];
        std::string region = FoldName(r.region);
        regionSpelling.emplace(region, r.region);
        cells[{r.category, region, r.language}].push_back(i);
        regions.try_emplace(r.category, RegionLess).first->second.insert(region);
        languages[r.category].insert(r.language);
        auto g = groups.find(r.models.get());
        if (g == groups.end()) {
            g = groups.emplace(r.models.get(), static_cast<int>(groupsData->size())).first;
            groupsData->push_back(strings->Ids(*r.models));
        }
        rowsData->push_back({g->second, strings->Id(r.region), strings->Id(r.regionSource),
                             strings->Id(r.regionEvidence), strings->Id(LangIdText(r.language)),
                             strings->Id(r.wide ? "wide" : "normal"), strings->Id(r.section), r.candidate,
                             strings->Ids(*r.probes), strings->Id(r.home), strings->Id(r.search),
                             strings->Ids(*r.favorites), strings->Id(r.variant), strings->Id(r.sizeFile),
                             strings->Ids(r.flags), strings->Ids(r.notes)});
    }

    out << "<h2 id=\"grids\">Sections by category</h2>"
           "<p class=\"legend\">Cell colour: the candidate that found the section. "
           "<span class=\"c1\">1 REGION-LANGID-CATEGORY</span><span class=\"c2\">2 REGION-LANG-CATEGORY</span>"
           "<span class=\"c3\">3 *-LANG-CATEGORY</span><span class=\"c4\">4 REGION-*-CATEGORY</span>"
           "<span class=\"c5\">5 CATEGORY</span><span class=\"c0\">0 DEFAULT_SECTION</span>"
           "<span class=\"nb\">no branding</span> A cell marked ! has a flag; hover or click a cell (or Tab "
           "to it and press Enter) for its explanation.</p>";
    for (const auto& [category, regionSet] : regions) {
        const std::set<uint16_t>& langs = languages[category];
        out << "<details class=\"cat\" data-category=\"" << HtmlEscape(category) << "\"><summary>"
            << HtmlEscape(category) << " &mdash; " << regionSet.size() << " regions &times; " << langs.size()
            << " languages</summary><div class=\"gridwrap\"><table class=\"grid\"><thead><tr><th class=\"r\">region</th>";
        for (uint16_t lang : langs) out << "<th>" << HtmlEscape(LanguageHeading(lang)) << "</th>";
        out << "</tr></thead><tbody>";
        for (const std::string& region : regionSet) {
            const std::string& spelled = regionSpelling[region];
            out << "<tr><th class=\"r\">" << RegionHeading(spelled) << "</th>";
            for (uint16_t lang : langs) {
                auto it = cells.find({category, region, lang});
                if (it == cells.end()) {
                    out << "<td></td>";
                    continue;
                }
                const MatrixRow& first = rows[it->second.front()];
                std::set<std::string> flags;
                for (size_t i : it->second) flags.insert(rows[i].flags.begin(), rows[i].flags.end());
                bool noBranding = flags.count("no-branding") > 0;
                flags.erase("default");
                std::string cls = noBranding ? "nb" : "c" + std::to_string(first.candidate);
                if (!flags.empty()) cls += " fl";
                out << "<td class=\"" << cls << "\" data-x=\"" << cellsData->size() << "\" title=\""
                    << HtmlEscape(category + " / " + spelled + " / " + LanguageHeading(lang) + ": " + first.section)
                    << "\">" << HtmlEscape(first.section) << "</td>";
                nlohmann::json ids = nlohmann::json::array();
                for (size_t i : it->second) ids.push_back(i);
                cellsData->push_back(std::move(ids));
            }
            out << "</tr>";
        }
        out << "</tbody></table></div></details>";
    }
}

// The filter, the buttons and the place of the one-model view, above the grids.
void WriteTools(std::ostream& out) {
    out << "<div id=\"tools\"><input id=\"filter\" type=\"search\" list=\"models\" aria-label=\"Filter\" "
           "placeholder=\"Filter: model, section, region or language\"><datalist id=\"models\"></datalist>"
           "<button id=\"expand\" type=\"button\">Expand all</button>"
           "<button id=\"collapse\" type=\"button\">Collapse all</button><span id=\"shown\"></span></div>"
           "<div id=\"modelview\" hidden></div>";
}

// The region table's names by code, for the explanation panel.
std::string RegionNamesJson() {
    nlohmann::json names = nlohmann::json::object();
    for (const EngineFacts::RegionRow& row : EngineQuery::Facts().regionTable) names[row.region] = RegionName(row.region);
    names[EngineQuery::Facts().noRegion] = RegionName(EngineQuery::Facts().noRegion);
    return ScriptJson(names);
}

void WriteContactSheet(std::ostream& out, const ReportInput& in) {
    out << "<h2 id=\"wallpapers\">Wallpapers</h2><div class=\"sub\">" << HtmlEscape(in.wallpaperRoot)
        << "</div><table class=\"sheet\"><tr><th></th>";
    std::vector<std::string> columns;
    for (const WallpaperImage& img : in.sheet) {
        std::string column = img.variant + " " + img.sizeName;
        if (std::find(columns.begin(), columns.end(), column) == columns.end()) columns.push_back(column);
    }
    for (const std::string& c : columns) out << "<th>" << HtmlEscape(c) << "</th>";
    out << "</tr>";
    std::string current;
    for (const WallpaperImage& img : in.sheet) {
        if (img.wallpaper != current) {
            if (!current.empty()) out << "</tr>";
            current = img.wallpaper;
            out << "<tr><th>" << HtmlEscape(current) << "</th>";
        }
        out << "<td title=\"" << HtmlEscape(img.hostPath) << "\">";
        if (!img.thumbnail.empty()) {
            out << "<img alt=\"" << HtmlEscape(img.wallpaper + " " + img.variant + " " + img.sizeName) << "\" src=\""
                << img.thumbnail << "\">";
        } else {
            out << "<div class=\"miss\">" << HtmlEscape(img.exists ? "unreadable" : "missing") << "</div>";
        }
        if (img.readable) out << img.width << " &times; " << img.height << "<br>";
        if (img.problem.empty()) {
            out << "<span class=\"ok\">&#10003;</span>";
        } else {
            out << "<span class=\"bad\">&#10007; " << HtmlEscape(img.problem) << "</span>";
        }
        out << "</td>";
    }
    if (!current.empty()) out << "</tr>";
    out << "</table>";
}

}  // namespace

const char* ReportStyle() { return kStyle; }

std::string HtmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

void WriteHtmlReport(std::ostream& out, const ReportInput& in) {
    out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src data:; "
           "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">"
           "<title>Branding report: "
        << HtmlEscape(in.iniPath) << "</title><style>" << kStyle << "</style></head><body>\n";
    out << "<h1>Branding report</h1><div class=\"sub\">" << HtmlEscape(in.iniPath) << "</div>\n";
    WriteSummary(out, in);
    StringTable strings;
    nlohmann::json rows = nlohmann::json::array();
    nlohmann::json cells = nlohmann::json::array();
    nlohmann::json groups = nlohmann::json::array();
    out << "\n";
    WriteTools(out);
    WriteGrids(out, in, &strings, &rows, &cells, &groups);
    out << "\n";
    WriteContactSheet(out, in);
    nlohmann::json data = {{"s", strings.List()}, {"g", groups}, {"r", rows}, {"c", cells}};
    std::string safe = ScriptJson(data);
    out << "\n<div id=\"panel\" role=\"dialog\" aria-live=\"polite\"></div><script type=\"application/json\" "
           "id=\"data\">"
        << safe << "</script>\n<script type=\"application/json\" id=\"regions\">" << RegionNamesJson()
        << "</script>\n<script>" << kScript << "</script></body></html>\n";
}

}  // namespace author
