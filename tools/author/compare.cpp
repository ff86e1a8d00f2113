// The comparison of two branding files over a product line. Each side is a machine (an
// image, or a freshly imaged one in memory) with its branding file put in place; the two
// walks of the matrix meet the same combinations in the same order, so the first walk
// keeps one installation number per combination and the second compares as it goes.
// Pairs of installations are compared once, and the groups only count and collect.
#include "author/compare.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>

#include "author/matrix_input.h"
#include "author/output.h"
#include "author/text.h"

namespace author {

namespace {

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/"
                                                         : path.substr(0, slash);
}

// One branding file on its machine.
struct Side {
    std::unique_ptr<host::Image> image;
    MatrixOptions options;
    // Each distinct installation the walk asked for, and each wallpaper's content hash.
    std::map<MatrixCombination::InstallKey, uint32_t> ids;
    std::vector<BrandingOutcome> outcomes;
    std::vector<std::vector<uint64_t>> pictures;
    std::map<std::string, uint64_t> pictureHashes;
};

uint64_t ContentHash(std::string_view bytes) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// The content of a wallpaper source as the image holds it; 0 for none.
uint64_t PictureHash(Side& side, const std::string& winPath) {
    auto it = side.pictureHashes.find(winPath);
    if (it != side.pictureHashes.end()) return it->second;
    uint64_t hash = 0;
    host::MappedPath path;
    std::string bytes;
    if (side.image->MapPath(ImageFromUtf8(winPath).c_str(), &path) == 0 && path.regular &&
        side.image->ReadFile(path, &bytes, kBrandingLimit) == 0) {
        hash = ContentHash(bytes) | 1;
    }
    side.pictureHashes.emplace(winPath, hash);
    return hash;
}

uint32_t InstallId(EngineQuery& q, Side& side, const MatrixCombination& c) {
    MatrixCombination::InstallKey key = c.Key();
    auto it = side.ids.find(key);
    if (it != side.ids.end()) return it->second;
    // The home page is set only with -h: ask with it, as the matrix does.
    BrandingOutcome outcome = OutcomeFromRun(q.DryRunInstallation(c.InstallDecision(), {"-h"}));
    std::vector<uint64_t> pictures;
    for (const OutcomeWallpaper& w : outcome.wallpapers) pictures.push_back(PictureHash(side, w.source));
    uint32_t id = static_cast<uint32_t>(side.outcomes.size());
    side.outcomes.push_back(std::move(outcome));
    side.pictures.push_back(std::move(pictures));
    side.ids.emplace(std::move(key), id);
    return id;
}

bool Prepare(Side& side, std::vector<std::string>* sections, std::vector<std::string>* factoryRegions,
             std::string* error) {
    const std::string& dir = side.options.imageDir;
    side.image = dir.empty() ? FreshMachine() : host::Image::Open(dir, error);
    if (!side.image) {
        *error = "cannot read machine image: " + *error;
        return false;
    }
    // Nobody else writes this image while the walks ask their questions.
    side.image->TrustCaches(true);
    EngineQuery q(*side.image);
    if (!PrepareMatrixQuery(q, side.options, error)) return false;
    *sections = q.BrandingSections();
    if (!dir.empty()) {
        RegionInfo own = q.FactoryRegion();
        if (own.source == "factory-file") factoryRegions->push_back(own.code);
    }
    return true;
}

struct GroupBuild {
    ChangeGroup group;
    size_t pair = 0;  // the first pair met, whose outcomes name the sections
    std::set<size_t> modelGroups;
    std::set<std::string> regions;
    std::set<uint16_t> languages;
    bool wide = false;
    bool normal = false;
};

// What an edit of the sections both outcomes name looks like in the files.
class CauseFinder {
public:
    struct Entry {
        int line = 0;
        std::string value;
    };
    void Want(const std::string& section, const std::string& key) { wanted_[{section, key}]; }
    void Look(EngineQuery& q, bool newer) {
        for (auto& [where, found] : wanted_) {
            Entry& e = newer ? found.second : found.first;
            e.line = where.second.empty() ? q.SectionLine(where.first) : q.Entry(where.first, where.second, &e.value);
        }
    }
    bool Find(const std::string& section, const std::string& key, EditCause* cause) const {
        auto it = wanted_.find({section, key});
        if (it == wanted_.end()) return false;
        const Entry& o = it->second.first;
        const Entry& n = it->second.second;
        if ((o.line == 0) == (n.line == 0) && o.value == n.value) return false;
        cause->section = section;
        cause->key = key;
        cause->oldLine = o.line;
        cause->newLine = n.line;
        std::string what = key.empty() ? "section " + section : "[" + section + "] " + key;
        cause->text = what + (o.line == 0 ? " added" : n.line == 0 ? " removed"
                                                                   : " changed");
        return true;
    }

private:
    std::map<std::pair<std::string, std::string>, std::pair<Entry, Entry>> wanted_;
};

// The places a change may come from: for a section change the Home key that makes each
// section a candidate that is found, and the sections themselves; else the change's own.
std::vector<std::pair<std::string, std::string>> CausePlaces(const OutcomeChange& change, const BrandingOutcome& before,
                                                             const BrandingOutcome& after) {
    std::vector<std::pair<std::string, std::string>> places;
    if (change.kind == ChangeKind::kSection) {
        for (const std::string* s : {&before.section, &after.section}) {
            places.emplace_back(*s, "");
            places.emplace_back(*s, "Home");
        }
    } else if (!change.anchor.section.empty()) {
        if (!change.anchor.key.empty()) places.emplace_back(change.anchor.section, "");
        places.emplace_back(change.anchor.section, change.anchor.key);
    }
    return places;
}

}  // namespace

std::string ChangeGroup::Text() const {
    std::string text;
    for (const OutcomeChange& c : changes) text += (text.empty() ? "" : "; ") + c.text;
    return text;
}

std::vector<OutcomeChange> CompareWithPictures(const BrandingOutcome& before, const std::vector<uint64_t>& pictureBefore,
                                               const BrandingOutcome& after, const std::vector<uint64_t>& pictureAfter) {
    std::vector<OutcomeChange> changes = CompareOutcomes(before, after);
    for (size_t i = 0; i < before.wallpapers.size() && i < after.wallpapers.size(); ++i) {
        const OutcomeWallpaper& b = before.wallpapers[i];
        const OutcomeWallpaper& a = after.wallpapers[i];
        if (i >= pictureBefore.size() || i >= pictureAfter.size()) break;
        if (b.source != a.source || b.target != a.target || pictureBefore[i] == 0 || pictureAfter[i] == 0 ||
            pictureBefore[i] == pictureAfter[i]) {
            continue;
        }
        OutcomeChange c;
        c.kind = ChangeKind::kWallpaper;
        c.text = "wallpaper " + a.target + ": another picture under the same name " + a.source;
        changes.push_back(c);
    }
    return changes;
}

bool CompareBranding(const CompareOptions& options, Comparison* result, std::string* error) {
    *result = Comparison();
    Side sides[2];
    const std::string* inis[2] = {&options.oldIni, &options.newIni};
    const std::string* images[2] = {&options.oldImage, &options.newImage};
    std::vector<std::string> sectionNames;
    std::vector<std::string> factoryRegions;
    for (int s = 0; s < 2; ++s) {
        MatrixOptions& o = sides[s].options;
        o = options.range;
        o.iniPath = *inis[s];
        o.imageDir = *images[s];
        o.wallpaperRoot = o.imageDir.empty() && !o.iniPath.empty() ? FolderOf(o.iniPath) : std::string();
        std::vector<std::string> sections;
        if (!Prepare(sides[s], &sections, &factoryRegions, error)) {
            *error = (s == 0 ? "old: " : "new: ") + *error;
            return false;
        }
        sectionNames.insert(sectionNames.end(), sections.begin(), sections.end());
    }
    // Both walks range over the same combinations: the languages either file names, and
    // the regions the factory files hold besides those asked for.
    result->languages = options.range.languages.empty() ? LanguagesNamedBySections(sectionNames) : options.range.languages;
    std::vector<std::string> regions = options.range.regions;
    if (!factoryRegions.empty()) {
        if (regions.empty()) {
            for (const EngineFacts::RegionRow& row : EngineQuery::Facts().regionTable) regions.push_back(row.region);
        }
        regions.insert(regions.end(), factoryRegions.begin(), factoryRegions.end());
    }
    for (Side& side : sides) side.options.regions = regions;

    std::vector<uint32_t> before;
    {
        EngineQuery q(*sides[0].image);
        WalkMatrix(q, sides[0].options, result->languages,
                   [&](const MatrixCombination& c) { before.push_back(InstallId(q, sides[0], c)); });
    }

    std::unordered_map<uint64_t, size_t> pairIndex;
    std::vector<OutcomePair>& pairs = result->pairs;
    std::map<std::string, size_t> groupIndex;
    std::vector<GroupBuild> groups;
    std::map<std::tuple<std::string, std::string, uint16_t>, size_t> cellIndex;
    std::vector<TextList> modelLists;  // each model group's models, by the walk's numbers
    size_t n = 0;
    bool misaligned = false;
    {
        EngineQuery q(*sides[1].image);
        WalkMatrix(q, sides[1].options, result->languages, [&](const MatrixCombination& c) {
            uint32_t after = InstallId(q, sides[1], c);
            if (modelLists.size() <= c.group) modelLists.resize(c.group + 1);
            if (!modelLists[c.group]) modelLists[c.group] = c.models;
            if (n >= before.size()) {
                misaligned = true;
                return;
            }
            uint64_t key = (static_cast<uint64_t>(before[n++]) << 32) | after;
            auto p = pairIndex.find(key);
            if (p == pairIndex.end()) {
                OutcomePair pair;
                pair.before = key >> 32;
                pair.after = after;
                std::vector<OutcomeChange> changes =
                    CompareWithPictures(sides[0].outcomes[pair.before], sides[0].pictures[pair.before],
                                        sides[1].outcomes[after], sides[1].pictures[after]);
                if (!changes.empty()) {
                    ChangeGroup g;
                    g.changes = std::move(changes);
                    auto [it, added] = groupIndex.emplace(g.Text(), groups.size());
                    if (added) {
                        groups.emplace_back();
                        groups.back().group = std::move(g);
                        groups.back().pair = pairs.size();
                    }
                    pair.group = static_cast<int>(it->second);
                }
                p = pairIndex.emplace(key, pairs.size()).first;
                pairs.push_back(pair);
            }
            const OutcomePair& pair = pairs[p->second];
            ++result->combinations;
            if (pair.group >= 0) {
                GroupBuild& g = groups[pair.group];
                ++g.group.count;
                ++result->changed;
                g.modelGroups.insert(c.group);
                g.regions.insert(c.region->region.code);
                g.languages.insert(c.language);
                (c.wide ? g.wide : g.normal) = true;
            }
            if (options.keepCells) {
                auto cell = cellIndex.emplace(std::make_tuple(c.brand->category, c.region->region.code, c.language),
                                              result->cells.size());
                if (cell.second) {
                    CompareCell added;
                    added.category = c.brand->category;
                    added.region = c.region->region.code;
                    added.language = c.language;
                    result->cells.push_back(std::move(added));
                }
                CompareCell& cc = result->cells[cell.first->second];
                ++cc.combinations;
                if (pair.group >= 0) ++cc.changed;
                if (std::find(cc.pairs.begin(), cc.pairs.end(), p->second) == cc.pairs.end()) cc.pairs.push_back(p->second);
            }
        });
    }
    if (misaligned || n != before.size()) {
        *error = "the two walks of the matrix met different combinations";
        return false;
    }

    CauseFinder causes;
    for (GroupBuild& g : groups) {
        const OutcomePair& pair = pairs[g.pair];
        for (const OutcomeChange& change : g.group.changes) {
            for (const auto& [section, key] :
                 CausePlaces(change, sides[0].outcomes[pair.before], sides[1].outcomes[pair.after])) {
                causes.Want(section, key);
            }
        }
    }
    for (int s = 0; s < 2; ++s) {
        EngineQuery q(*sides[s].image);
        causes.Look(q, s == 1);
    }

    for (GroupBuild& g : groups) {
        const OutcomePair& pair = pairs[g.pair];
        for (size_t m : g.modelGroups) {
            if (m < modelLists.size() && modelLists[m]) {
                g.group.models.insert(g.group.models.end(), modelLists[m]->begin(), modelLists[m]->end());
            }
        }
        g.group.regions.assign(g.regions.begin(), g.regions.end());
        g.group.languages.assign(g.languages.begin(), g.languages.end());
        if (g.wide) g.group.screens.push_back("wide");
        if (g.normal) g.group.screens.push_back("normal");
        std::set<std::pair<std::string, std::string>> named;
        for (const OutcomeChange& change : g.group.changes) {
            for (const auto& place : CausePlaces(change, sides[0].outcomes[pair.before], sides[1].outcomes[pair.after])) {
                EditCause cause;
                // A section added or removed is the cause; its keys are not named again.
                if (named.count({place.first, ""}) > 0 || !named.insert(place).second) continue;
                if (causes.Find(place.first, place.second, &cause)) {
                    g.group.causes.push_back(cause);
                } else {
                    named.erase(place);
                }
            }
        }
    }
    // Largest first; equal sizes in the order the walk met them.
    std::vector<size_t> order(groups.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return groups[a].group.count > groups[b].group.count; });
    std::vector<int> renumber(groups.size());
    for (size_t i = 0; i < order.size(); ++i) {
        renumber[order[i]] = static_cast<int>(i);
        result->groups.push_back(std::move(groups[order[i]].group));
    }
    for (OutcomePair& p : pairs) {
        if (p.group >= 0) p.group = renumber[p.group];
    }
    if (options.keepCells) {
        result->before = std::move(sides[0].outcomes);
        result->after = std::move(sides[1].outcomes);
    } else {
        result->pairs.clear();
    }
    return true;
}

}  // namespace author
