#include "author/engine_query.h"

#include <cstring>

#include "base/bounded.h"
#include "identify/machine_info.h"
#include "platform/host/machine.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "formats/profile_writer.h"
#include "run/driver.h"
#include "run/run_state.h"

namespace author {

const char* CandidateResultName(CandidateResult result) {
    switch (result) {
        case CandidateResult::kFound: return "found";
        case CandidateResult::kNoSuchSection: return "no-section";
        case CandidateResult::kNoHome: return "no-home";
        case CandidateResult::kNotProbed: return "not-probed";
    }
    return "not-probed";
}

EngineQuery::EngineQuery() {
    ResetRunState();
    iniPathStatus_ = DecideIniPath(g_run.szExeDir, g_run.szIniPath);
    DecideSignupPath(g_run.szSignupPath);
    exeDir_ = g_run.szExeDir;
    iniPath_ = g_run.szIniPath;
    signupPath_ = g_run.szSignupPath;
    iniExists_ = IniFileExists() != 0;
}

void EngineQuery::ReadImageFacts(ImageFacts* out) {
    char szModel[260];
    out->identity = ReadMachineIdentity(out->szMachineId, szModel);
    out->facts = MachineFacts();
    out->facts.modelName = szModel;
    out->facts.userLanguage = GetUserDefaultLangID();
    out->facts.uiLanguage = GetSystemDefaultUILanguage();
    DecideScreenType(&out->screen);
    out->facts.wideScreen = out->screen.bWideScreen != 0;
}

void EngineQuery::Decide(const MachineFacts& facts, Decision* d) {
    CopyText(g_run.szModelName, facts.modelName.c_str());
    UpperCaseModelName(g_run.szModelName);
    d->modelName = g_run.szModelName;
    DecideBrand(g_run.szModelName, &d->brand);
    DecideLanguageCodes(facts.userLanguage, facts.uiLanguage, &d->language);
    d->regionGiven = !facts.dashRegion.empty();
    if (d->regionGiven) {
        memset(&d->region, 0, sizeof(d->region));
        CopyText(d->region.szDashRegion, facts.dashRegion.c_str());
        d->region.nTableRow = -1;
        d->region.source = kRegionFallback;
    } else {
        DecideDashRegion(g_run.szModelName, &d->region);
    }
    DecideSectionCandidates(d->region.szDashRegion, d->language.szOSLangID, d->language.szOSLangString,
                            d->brand.pszSubBrand, &d->candidates);
    ProbeIniSection(g_run.szIniPath, d->candidates, &d->probe);
}

void EngineQuery::CandidateResults(const Decision& d, CandidateResult (&results)[kSectionCandidates]) {
    std::string text;
    host::MappedPath path;
    bool read = !iniPath_.empty() && host::MapPath(iniPath_.c_str(), &path) == 0 && path.exists &&
                host::CurrentImage()->ReadFile(path, &text) == 0;
    for (int i = 0; i < kSectionCandidates; ++i) {
        if (i + 1 == d.probe.nFound) {
            results[i] = CandidateResult::kFound;
        } else if (i >= d.probe.nProbed) {
            results[i] = CandidateResult::kNotProbed;
        } else if (read && formats::ProfileHasSection(text, SectionCandidateName(d.candidates, i))) {
            results[i] = CandidateResult::kNoHome;
        } else {
            results[i] = CandidateResult::kNoSuchSection;
        }
    }
}

void EngineQuery::UseSection(const Decision& d) { CopyText(g_run.szSection, d.probe.szSection); }

void EngineQuery::DecideFavorites(const Decision& d, FavoritesPlan* plan, std::vector<FavoriteItem>* items) {
    UseSection(d);
    items->clear();
    DecideFavoritesPlan(plan, true);
    if (plan->szFavoritesList[0] == '\0') return;
    char szList[260];
    CopyText(szList, plan->szFavoritesList);
    int32_t index = plan->nFirstIndex;
    char* cursor = szList;
    for (char* piece = NextFavoritePiece(&cursor); piece != nullptr; piece = NextFavoritePiece(&cursor)) {
        FavoriteItem item;
        item.linkSection = piece;
        DecideFavoriteLink(piece, *plan, true, &item.link);
        item.index = 0;
        if (!item.link.bSkipped) {
            item.index = index;
            if (index < INT32_MAX) ++index;
        }
        items->push_back(item);
    }
}

void EngineQuery::DecidePage(const Decision& d, const char* key, PageLink* link) {
    UseSection(d);
    DecidePageLink(key, true, link);
}

void EngineQuery::DecideWallpapers(const Decision& d, const MachineFacts& facts, WallpaperPlan* plan) {
    CopyText(g_run.szImageFolder, d.brand.pszImageFolder);
    CopyText(g_run.szOSLangString, d.language.szOSLangString);
    g_run.bWideScreen = facts.wideScreen ? 1 : 0;
    ::DecideWallpapers(plan);
}

}  // namespace author
