#include "author/engine_query.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <unordered_set>

#include "actions/favorites.h"
#include "actions/pages.h"
#include "actions/wallpapers.h"
#include "author/text.h"
#include "base/bounded.h"
#include "config/section.h"
#include "formats/ascii.h"
#include "formats/codepage.h"
#include "formats/profile_index.h"
#include "formats/profile_reader.h"
#include "identify/brand.h"
#include "identify/dash_region.h"
#include "identify/edid.h"
#include "identify/language.h"
#include "identify/machine_info.h"
#include "identify/screen.h"
#include "run/driver.h"
#include "run/run_state.h"
#include "run/version_file.h"

namespace author {
namespace {

using formats::AsciiSameText;

std::string U(const char* ansi) { return Utf8FromImage(ansi ? ansi : ""); }

// A text the tools hand in (UTF-8) as the engine's fixed field holds it.
template <size_t N>
void Field(char (&field)[N], const std::string& utf8) {
    CopyText(field, ImageFromUtf8(utf8).c_str());
}

const char* FolderResult(int n) {
    switch (n) {
        case kFavoritesFolderFound: return "found";
        case kFavoritesFolderEmpty: return "empty";
        case kFavoritesFolderTooLong: return "too-long";
    }
    return "unreadable";
}

// The fields of a run that the outcome of its installation is read against.
struct RunFields {
    char szIniPath[260] = "";
    char szSection[260] = "";
    char szSignupPath[260] = "";
    char szExeDir[260] = "";
    char szImageFolder[20] = "";
    char szOSLangString[4] = "";
    char szLogPath[260] = "";
    bool bWideScreen = false;
    bool bIniFound = false;
};

RunFields FieldsOfRun(const char* szImageFolder) {
    RunFields f;
    CopyText(f.szIniPath, g_run.szIniPath);
    CopyText(f.szSection, g_run.szSection);
    CopyText(f.szSignupPath, g_run.szSignupPath);
    CopyText(f.szExeDir, g_run.szExeDir);
    CopyText(f.szImageFolder, szImageFolder);
    CopyText(f.szOSLangString, g_run.szOSLangString);
    CopyText(f.szLogPath, g_run.szLogPath);
    f.bWideScreen = g_run.bWideScreen != 0;
    f.bIniFound = IniFileExists() != 0;
    return f;
}

std::vector<char*> Argv(std::vector<std::string>* owned) {
    static char program[] = "Facet.exe";
    std::vector<char*> argv{program};
    for (std::string& a : *owned) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

bool RunOutcome::NoBranding() const {
    if (!stops.empty()) return true;
    for (const FavoriteOutcome& f : favorites) {
        if (f.installed) return false;
    }
    return !(home.named && home.runs > 0 && home.reason.empty()) && !(search.named && search.reason.empty());
}

struct EngineQuery::State {
    char szExeDir[260] = "";
    char szIniPath[260] = "";
    char szSignupPath[260] = "";
    bool brandingLoaded = false;
    bool brandingRead = false;
    bool parsed = false;
    std::string brandingBytes;
    std::string brandingText;
    formats::ProfileParse parse;
    std::map<std::string, size_t> firstSection;  // lower-cased name -> index in parse.sections
};

EngineQuery::EngineQuery(host::Image& image) : image_(image), scope_(image), state_(std::make_unique<State>()) {
    ResetRunState();
    iniPathOk_ = DecideIniPath(state_->szExeDir, state_->szIniPath) == kIniPathOk;
    DecideSignupPath(state_->szSignupPath);
    exeDir_ = U(state_->szExeDir);
    iniPath_ = U(state_->szIniPath);
    signupPath_ = U(state_->szSignupPath);
}

EngineQuery::~EngineQuery() { ResetRunState(); }

// ---------------------------------------------------------------------------------------
// What the engine knows without a machine

const EngineFacts& EngineQuery::Facts() {
    static const EngineFacts facts = [] {
        EngineFacts f;
        for (const DashRegionRow& row : DashRegionTable) f.regionTable.push_back({row.szOptionCode, row.szRegionCode});
        f.noRegion = kNoDashRegion;
        std::set<std::string> langs;
        for (unsigned v = 0; v <= 0x3FF; ++v) {
            char sz[4];
            FormatOSLangString(static_cast<LANGID>(v), sz);
            if (langs.insert(sz).second) f.langStrings.push_back(sz);
        }
        auto add = [&f](const char* modelName) {
            BrandDecision d;
            DecideBrand(modelName, &d);
            if (std::find(f.categories.begin(), f.categories.end(), d.pszSubBrand) == f.categories.end()) {
                f.categories.push_back(d.pszSubBrand);
            }
            if (std::find(f.imageFolders.begin(), f.imageFolders.end(), d.pszImageFolder) == f.imageFolders.end()) {
                f.imageFolders.push_back(d.pszImageFolder);
            }
        };
        for (const BrandRule& rule : kBrandRules) add(rule.szNeedle);
        add("");  // a name that matches no rule
        f.defaultSection = kDefaultSection;
        f.listRoom = sizeof(FavoritesPlan::szFavoritesList) - 1;
        f.pageKeyRoom = sizeof(PageLink::szLinkSection) - 1;
        f.pageNameRoom = sizeof(PageLink::szLinkName) - 1;
        f.favoriteNameRoom = sizeof(FavoriteLink::szLinkName) - 1;
        f.pathRoom = sizeof(FavoriteLink::szLinkPath) - 1;
        f.probeRoom = kHomeProbeRoom - 1;
        f.factoryFile = kFactoryOptionsFile;
        return f;
    }();
    return facts;
}

BrandInfo EngineQuery::ClassifyModel(const std::string& modelName) {
    char szModel[260];
    Field(szModel, modelName);
    UpperCaseModelName(szModel);
    BrandDecision d;
    DecideBrand(szModel, &d);
    BrandInfo b;
    b.model = U(szModel);
    b.brand = d.pszBrand;
    b.category = d.pszSubBrand;
    b.imageFolder = d.pszImageFolder;
    b.matched = d.pszMatched != nullptr;
    b.matchedText = d.pszMatched ? d.pszMatched : "";
    b.offset = d.nMatchOffset;
    b.insideWord = d.bInsideWord;
    char szCode[4];
    int row = FindOptionCodeRow(szModel, szCode);
    b.hasOptionCode = row != -2;
    b.optionCode = b.hasOptionCode ? U(szCode) : "";
    // An empty model name skips the table, as the run does.
    if (row >= 0 && szModel[0] != '\0') {
        b.tableRow = row + 1;
        b.tableRegion = DashRegionTable[row].szRegionCode;
    }
    return b;
}

LanguageTexts EngineQuery::Languages(uint16_t userLanguage, uint16_t uiLanguage) {
    LanguageCodes c;
    DecideLanguageCodes(userLanguage, uiLanguage, &c);
    return {c.szUserLangID, c.szOSLangID, c.szOSLangString};
}

std::vector<std::string> EngineQuery::Candidates(const std::string& region, const std::string& osLangID,
                                                 const std::string& osLangString, const std::string& category) {
    SectionCandidates c;
    DecideSectionCandidates(ImageFromUtf8(region).c_str(), ImageFromUtf8(osLangID).c_str(),
                            ImageFromUtf8(osLangString).c_str(), ImageFromUtf8(category).c_str(), &c);
    std::vector<std::string> names;
    for (int i = 0; i < kSectionCandidates; ++i) names.push_back(U(SectionCandidateName(c, i)));
    return names;
}

bool EngineQuery::IsFileName(std::string_view name) { return IsPlainFileName(std::string(name).c_str()); }

std::vector<std::pair<size_t, size_t>> EngineQuery::FavoritePieces(std::string_view list) {
    std::string cut(list);
    std::vector<std::pair<size_t, size_t>> pieces;
    char* cursor = &cut[0];
    while (char* piece = NextFavoritePiece(&cursor)) pieces.emplace_back(piece - cut.data(), strlen(piece));
    return pieces;
}

EdidInfo EngineQuery::DecodeEdid(std::string_view bytes) {
    EdidInfo e;
    int32_t nRev = 0, nPass = 0, type = kEdidNone;
    DWORD w = 0, h = 0;
    e.decoded = DecodeEdidBlock(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), &nRev, &nPass, &w, &h,
                                &type);
    e.nRev = nRev;
    e.nPass = nPass;
    e.width = w;
    e.height = h;
    e.displayType = type == kEdidLcd ? "LCD" : type == kEdidCrt     ? "CRT"
                                           : type == kEdidFlatPanel ? "FLAT"
                                                                    : "none";
    return e;
}

size_t EngineQuery::EdidBytesUsed() { return kEdidBytesUsed; }

bool EngineQuery::IsHomePageSwitch(const std::string& arg) { return ::IsHomePageSwitch(arg.c_str()); }

std::string EngineQuery::SystemText(uint32_t error) {
    // The engine's own text for the log, kept apart from the state of a run.
    char saved[sizeof(g_run.szLastError)];
    CopyText(saved, g_run.szLastError);
    FormatLastError(error);
    std::string text = g_run.szLastError;
    CopyText(g_run.szLastError, saved);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return Utf8FromImage(text);
}

// ---------------------------------------------------------------------------------------
// The branding file

bool EngineQuery::iniExists() {
    CopyText(g_run.szIniPath, state_->szIniPath);
    bool exists = IniFileExists() != 0;
    ResetRunState();
    return exists;
}

bool EngineQuery::BrandingRead() {
    State& s = *state_;
    if (s.brandingLoaded) return s.brandingRead;
    s.brandingLoaded = true;
    host::MappedPath path;
    std::string bytes;
    if (s.szIniPath[0] == '\0' || image_.MapPath(s.szIniPath, &path) != 0 || !path.regular ||
        image_.ReadFile(path, &bytes) != 0) {
        return false;
    }
    // A UTF-16LE file is read as the engine reads it: as Unicode, seen in the code page.
    s.brandingText = formats::ProfileIsUtf16(bytes) ? formats::Utf8ToAnsi(formats::Utf16FileToUtf8(bytes)) : bytes;
    s.brandingBytes = std::move(bytes);
    s.brandingRead = true;
    return true;
}

// The file's lines, with their numbers and columns, are parsed only for a tool that
// shows them (lint, explain); the section questions ask the reader's own index.
const formats::ProfileParse& EngineQuery::Lines() {
    State& s = *state_;
    if (!s.parsed && BrandingRead()) {
        s.parsed = true;
        s.parse = formats::ParseProfile(s.brandingText);
        for (size_t i = 0; i < s.parse.sections.size(); ++i) {
            s.firstSection.emplace(formats::AsciiLowerText(s.parse.sections[i].header.name), i);
        }
    }
    return s.parse;
}

formats::ProfileIndex* EngineQuery::BrandingIndex() {
    host::MappedPath path;
    if (state_->szIniPath[0] == '\0' || image_.MapPath(state_->szIniPath, &path) != 0 || !path.regular) return nullptr;
    return image_.Profile(path);
}

void EngineQuery::PutBrandingFile(const std::string& bytes) {
    if (state_->szIniPath[0] == '\0') return;
    image_.Put(state_->szIniPath, bytes);
    state_->brandingLoaded = false;
    state_->brandingRead = false;
    state_->parsed = false;
    state_->firstSection.clear();
    state_->parse = formats::ProfileParse();
}

std::string_view EngineQuery::BrandingBytes() {
    BrandingRead();
    return state_->brandingBytes;
}

std::string_view EngineQuery::BrandingText() {
    BrandingRead();
    return state_->brandingText;
}

const formats::ProfileParse& EngineQuery::BrandingParse() { return Lines(); }

namespace {

const formats::ProfileSection* FindSection(const formats::ProfileParse& parse,
                                           const std::map<std::string, size_t>& first, const std::string& utf8) {
    std::string want = formats::AsciiLowerText(formats::ProfileRequestName(ImageFromUtf8(utf8)));
    auto it = first.find(want);
    return it == first.end() ? nullptr : &parse.sections[it->second];
}

}  // namespace

int EngineQuery::SectionLine(const std::string& section) {
    Lines();
    const formats::ProfileSection* s = FindSection(state_->parse, state_->firstSection, section);
    return s ? s->header.number : 0;
}

int EngineQuery::EntryLine(const std::string& section, const std::string& key) { return Entry(section, key, nullptr); }

int EngineQuery::Entry(const std::string& section, const std::string& key, std::string* value) {
    Lines();
    const formats::ProfileSection* s = FindSection(state_->parse, state_->firstSection, section);
    if (s == nullptr) return 0;
    std::string want(formats::ProfileRequestName(ImageFromUtf8(key)));
    for (const formats::ProfileLine& e : s->entries) {
        if (!AsciiSameText(e.key, want)) continue;
        if (value != nullptr) *value = Utf8FromImage(e.value);
        return e.number;
    }
    return 0;
}

bool EngineQuery::SectionSpan(const std::string& section, int* first, int* last) {
    Lines();
    const formats::ProfileSection* s = FindSection(state_->parse, state_->firstSection, section);
    if (s == nullptr) return false;
    size_t i = static_cast<size_t>(s - state_->parse.sections.data());
    *first = s->header.number;
    *last = i + 1 < state_->parse.sections.size() ? state_->parse.sections[i + 1].header.number - 1 : 1 << 30;
    return true;
}

int EngineQuery::FirstHeaderLine() {
    Lines();
    return state_->parse.sections.empty() ? 1 << 30 : state_->parse.sections[0].header.number;
}

std::vector<std::string> EngineQuery::BrandingSections() {
    std::vector<std::string> names;
    formats::ProfileIndex* index = BrandingIndex();
    if (index == nullptr) return names;
    // The names as the engine's reads see them (a UTF-16LE file's in the code page).
    auto shown = [index](std::string_view name) {
        return index->unicode ? Utf8FromImage(formats::Utf8ToAnsi(std::string(name))) : Utf8FromImage(name);
    };
    std::unordered_set<std::string_view, formats::ProfileNameHash, formats::ProfileNameEqual> seen;
    for (const formats::ProfileIndex::Section& section : index->sections) {
        if (!seen.insert(section.name).second) continue;  // a later section of a name is never read
        bool branding = AsciiSameText(section.name, kDefaultSection);
        formats::ProfileLines lines(index->text.substr(section.body));
        formats::ProfileLine line;
        while (!branding && lines.Next(&line) && line.kind != formats::ProfileLine::kHeader) {
            branding = line.kind == formats::ProfileLine::kEntry &&
                       (AsciiSameText(line.key, "Home") || AsciiSameText(line.key, "Search") ||
                        AsciiSameText(line.key, "Favorites"));
        }
        if (branding) names.push_back(shown(section.name));
    }
    return names;
}

// ---------------------------------------------------------------------------------------
// Identification and the section search

ImageFacts EngineQuery::ReadImageFacts() {
    ImageFacts out;
    char szMachineId[20];
    char szModel[260];
    int identity = ReadMachineIdentity(szMachineId, szModel);
    out.library = identity == kIdentityRead ? "read" : identity == kIdentityNoLibrary ? "not-loaded"
                                                                                      : "missing-export";
    out.machineId = U(szMachineId);
    out.facts.modelName = U(szModel);
    out.facts.userLanguage = GetUserDefaultLangID();
    out.facts.uiLanguage = GetSystemDefaultUILanguage();
    ScreenDecision s;
    DecideScreenType(&s);
    out.facts.wideScreen = s.bWideScreen != 0;
    ScreenInfo& i = out.screen;
    i.wide = s.bWideScreen != 0;
    i.fromEdid = s.bFromEdid;
    i.width = s.dwWidth;
    i.height = s.dwHeight;
    i.nRev = s.nRev;
    i.nPass = s.nPass;
    i.lcdFound = s.edid.bLcdFound;
    if (i.lcdFound) {
        i.adapter = s.edid.nAdapter;
        i.monitor = s.edid.nMonitor;
        i.adapterName = U(s.edid.szAdapterName);
        i.deviceId = U(s.edid.szDeviceID);
        i.pnpId = U(s.edid.pnpIDStr);
        i.instance = U(s.edid.szInstance);
    }
    i.modes = s.nModes;
    i.widthMode = s.nWidthMode;
    i.heightMode = s.nHeightMode;
    return out;
}

namespace {

RegionInfo RegionOf(const RegionDecision& d) {
    RegionInfo r;
    r.code = U(d.szDashRegion);
    r.source = d.source == kRegionFromOptionCode    ? "option-code"
               : d.source == kRegionFromFactoryFile ? "factory-file"
                                                    : "fallback";
    r.hasHash = d.bHasHash;
    r.optionCode = U(d.szOptionCode);
    r.tableRow = d.nTableRow >= 0 ? d.nTableRow + 1 : 0;
    r.factoryValueCut = d.bFactoryValueCut;
    return r;
}

}  // namespace

void EngineQuery::SetFactoryRegion(const std::string* value) {
    if (value == nullptr) {
        image_.Hide(kFactoryOptionsFile);
    } else {
        image_.Put(kFactoryOptionsFile, "[uia]\r\nDashRegion=" + ImageFromUtf8(*value) + "\r\n");
    }
}

RegionInfo EngineQuery::FactoryRegion() {
    RegionDecision d;
    DecideDashRegion("", &d);
    return RegionOf(d);
}

int EngineQuery::FactoryRegionLine() {
    host::MappedPath path;
    std::string bytes;
    if (image_.MapPath(kFactoryOptionsFile, &path) != 0 || !path.regular || image_.ReadFile(path, &bytes) != 0) return 0;
    std::string text = formats::ProfileIsUtf16(bytes) ? formats::Utf8ToAnsi(formats::Utf16FileToUtf8(bytes)) : bytes;
    formats::ProfileParse parse = formats::ParseProfile(text);
    for (const formats::ProfileSection& s : parse.sections) {
        if (!AsciiSameText(s.header.name, "uia")) continue;
        for (const formats::ProfileLine& e : s.entries) {
            if (AsciiSameText(e.key, "DashRegion")) return e.number;
        }
        return 0;  // only the first section of a name is read
    }
    return 0;
}

Decision EngineQuery::Search(const std::string& region, const LanguageTexts& language, const std::string& category) {
    Decision out;
    char szRegion[4], szOSLangID[8], szOSLangString[4], szCategory[12];
    Field(szRegion, region);
    Field(szOSLangID, language.osLangID);
    Field(szOSLangString, language.osLangString);
    Field(szCategory, category);
    SectionCandidates c;
    DecideSectionCandidates(szRegion, szOSLangID, szOSLangString, szCategory, &c);
    SectionProbe probe;
    ProbeIniSection(state_->szIniPath, c, &probe);
    out.found = probe.nFound;
    out.section = U(probe.szSection);
    out.language = language;
    out.region.code = region;
    out.brand.category = category;
    formats::ProfileIndex* index = BrandingIndex();
    for (int i = 0; i < kSectionCandidates; ++i) {
        Candidate cand;
        const char* name = SectionCandidateName(c, i);
        cand.name = U(name);
        if (i + 1 == probe.nFound) {
            cand.result = "found";
        } else if (i >= probe.nProbed) {
            cand.result = "not-probed";
        } else if (index && formats::ProfileIndexHasSection(*index, index->unicode ? formats::AnsiToUtf8(name) : name)) {
            cand.result = "no-home";
        } else {
            cand.result = "no-section";
        }
        out.candidates.push_back(cand);
    }
    return out;
}

Decision EngineQuery::Decide(const MachineFacts& facts) {
    BrandInfo brand = ClassifyModel(facts.modelName);
    LanguageTexts language = Languages(facts.userLanguage, facts.uiLanguage);
    char szModel[260];
    Field(szModel, brand.model);
    RegionDecision region;
    DecideDashRegion(szModel, &region);
    Decision out = Search(U(region.szDashRegion), language, brand.category);
    out.brand = brand;
    out.region = RegionOf(region);
    out.wideScreen = facts.wideScreen;
    return out;
}

// ---------------------------------------------------------------------------------------
// Runs

namespace {

std::string ErrorText(uint32_t error) { return EngineQuery::SystemText(error); }

WriteFailure FailureOf(const host::Journal::Failure& f) {
    return {Utf8FromImage(f.what), static_cast<uint32_t>(f.error), ErrorText(f.error)};
}

// The journal read against the plan of the run: what was written, what failed.
class JournalReader {
public:
    JournalReader(host::Image& image, const host::Journal& journal) : image_(image), journal_(journal) {}

    // The Windows path as the image spells it (what the journal's files hold).
    std::string Shown(const char* winPath) {
        host::MappedPath p;
        return image_.MapPath(winPath, &p) == 0 ? p.shown : std::string(winPath);
    }
    bool FileWritten(const char* winPath) { return journal_.FindFile(Shown(winPath)) != nullptr; }
    bool ProfileWritten(const char* file, const char* section, const char* key) {
        std::string shown = Shown(file);
        for (const host::Journal::ProfileEntry& e : journal_.profile) {
            if (AsciiSameText(e.file, shown) && AsciiSameText(e.section, section) && AsciiSameText(e.key, key)) {
                return true;
            }
        }
        return false;
    }
    bool RegistryWritten(const char* valueName) {
        for (const host::Journal::RegistryValue& v : journal_.registry) {
            if (AsciiSameText(v.name, valueName)) return true;
        }
        return false;
    }
    // Failures of writes to a file (any entry, or one section and key of a profile file).
    std::vector<WriteFailure> FileFailures(const char* winPath, const char* section = nullptr,
                                           const char* key = nullptr) {
        std::vector<WriteFailure> out;
        for (const host::Journal::Failure& f : journal_.failures) {
            if (!AsciiSameText(f.what, winPath)) continue;
            if (section && !(AsciiSameText(f.section, section) && AsciiSameText(f.key, key))) continue;
            out.push_back(FailureOf(f));
        }
        return out;
    }
    // Failures of registry values of that name.
    std::vector<WriteFailure> RegistryFailures(const char* valueName) {
        std::vector<WriteFailure> out;
        std::string suffix = std::string("\\") + valueName;
        for (const host::Journal::Failure& f : journal_.failures) {
            if (f.what.size() >= suffix.size() && f.section.empty() &&
                AsciiSameText(std::string_view(f.what).substr(f.what.size() - suffix.size()), suffix)) {
                out.push_back(FailureOf(f));
            }
        }
        return out;
    }

private:
    host::Image& image_;
    const host::Journal& journal_;
};

void Append(std::vector<WriteFailure>* to, std::vector<WriteFailure> more) {
    to->insert(to->end(), more.begin(), more.end());
}

}  // namespace

namespace {

int HomeRuns(const std::vector<std::string>& args) {
    int runs = 0;
    for (const std::string& a : args) runs += ::IsHomePageSwitch(a.c_str()) ? 1 : 0;
    return runs;
}

// A link of the Favorites list as the engine decided it: installed, or why not.
FavoriteOutcome LinkOutcome(const char* piece, const FavoriteLink& link) {
    FavoriteOutcome fo;
    fo.linkSection = U(piece);
    fo.name = link.bNameMissing ? "" : U(link.szLinkName);
    fo.url = link.bPathMissing ? "" : U(link.szLinkPath);
    fo.nameMissing = link.bNameMissing;
    fo.pathMissing = link.bPathMissing;
    fo.nameCut = link.bNameCut;
    fo.pathTooLong = link.bPathCut;
    if (link.bNameMissing || link.bPathMissing) {
        fo.reason = "missing-link";
    } else if (link.bPathCut) {
        fo.reason = "path-too-long";
    } else {
        fo.installed = true;
    }
    return fo;
}

PageOutcome PageOf(JournalReader& reader, const RunFields& f, const char* key, int runs,
                   std::initializer_list<const char*> values, const char* signupKey) {
    PageOutcome p;
    PageLink link;
    DecidePageLink(f.szIniPath, f.szSection, key, true, &link);
    p.named = link.szLinkSection[0] != '\0';
    if (!p.named) return p;
    p.linkSection = U(link.szLinkSection);
    p.name = link.bNameMissing ? "" : U(link.szLinkName);
    p.url = link.bPathMissing ? "" : U(link.szLinkPath);
    p.nameMissing = link.bNameMissing;
    p.pathMissing = link.bPathMissing;
    p.pathTooLong = link.bPathCut;
    p.sectionCut = link.bSectionCut;
    p.nameCut = link.bNameCut;
    p.runs = runs;
    if (p.nameMissing || p.pathMissing) {
        p.reason = "missing-link";
    } else if (p.pathTooLong) {
        p.reason = "path-too-long";
    } else if (runs > 0) {
        bool written = true;
        for (const char* value : values) {
            Append(&p.failures, reader.RegistryFailures(value));
            written = written && reader.RegistryWritten(value);
        }
        Append(&p.failures, reader.FileFailures(f.szSignupPath, "URL", signupKey));
        p.applied = written && p.failures.empty();
        if (!p.failures.empty()) p.reason = "write-fails";
    }
    return p;
}

// What the run did, read from its journal against the plan of its steps: the plan is the
// engine's own decide functions on the image as it was before the run (the dry run is
// over), the outcome of each write is what the journal says.
RunOutcome BuildOutcome(host::Image& image, const host::Journal& journal, const RunFields& f,
                        const std::vector<std::string>& args, int exitCode) {
    RunOutcome out;
    out.exitCode = exitCode;
    JournalReader reader(image, journal);
    for (const host::Journal::Failure& failure : journal.failures) out.failures.push_back(FailureOf(failure));
    out.section = U(f.szSection);
    out.logPath = U(f.szLogPath);
    out.signupPath = U(f.szSignupPath);
    if (const host::Journal::File* log = journal.FindFile(reader.Shown(f.szLogPath))) out.log = U(log->appended.c_str());
    std::string signupShown = reader.Shown(f.szSignupPath);
    for (const host::Journal::ProfileEntry& e : journal.profile) {
        if (AsciiSameText(e.file, signupShown)) out.signup.push_back({U(e.section.c_str()), U(e.key.c_str()), U(e.after.c_str())});
    }
    if (!f.bIniFound) return out;

    WallpaperPlan wp;
    ::DecideWallpapers(f.szExeDir, f.szImageFolder, f.szOSLangString, f.bWideScreen, &wp);
    out.variant = U(wp.szImageFolder);
    out.sizeFile = U(wp.szSizeFile);
    bool stopped = false;
    std::set<std::string> made;
    for (const WallpaperPlan::Copy& c : wp.copies) {
        WallpaperCopy copy;
        copy.source = U(c.szSource);
        copy.target = U(c.szTarget);
        copy.fits = c.bFits;
        host::MappedPath source;
        copy.sourceExists = c.bFits && ((image.MapPath(c.szSource, &source) == 0 && source.regular) ||
                                        made.count(formats::AsciiLowerText(reader.Shown(c.szSource))) != 0);
        if (stopped) {
            copy.result = "not-reached";
        } else if (!c.bFits) {
            copy.result = "failed";
            copy.reason = "path-too-long";
            stopped = true;
        } else if (reader.FileWritten(c.szTarget)) {
            copy.result = "copied";
            made.insert(formats::AsciiLowerText(reader.Shown(c.szTarget)));
        } else {
            copy.failures = reader.FileFailures(c.szTarget);
            copy.result = copy.failures.empty() ? "not-reached" : "failed";
            copy.reason = copy.failures.empty() ? ""
                          : !copy.sourceExists  ? "asset-missing"
                                                : "write-fails";
            stopped = true;
        }
        out.wallpapers.push_back(copy);
    }

    FavoritesPlan plan;
    DecideFavoritesPlan(f.szIniPath, f.szSection, f.szSignupPath, &plan, true);
    out.favoritesList = U(plan.szFavoritesList);
    out.favoritesListCut = plan.bListCut;
    if (plan.szFavoritesList[0] != '\0') {
        out.favoritesFolderResult = FolderResult(plan.nFolder);
        out.favoritesFolder = U(plan.szFavoritesDir);
        out.signupStart = plan.nFirstIndex;
    }
    int32_t index = plan.nFirstIndex;
    char szList[260];
    CopyText(szList, plan.szFavoritesList);
    char* cursor = szList;
    for (char* piece = NextFavoritePiece(&cursor); piece != nullptr; piece = NextFavoritePiece(&cursor)) {
        FavoriteLink link;
        DecideFavoriteLink(f.szIniPath, piece, plan, true, &link);
        FavoriteOutcome fo = LinkOutcome(piece, link);
        if (fo.installed) {
            fo.index = index;
            if (index < INT32_MAX) ++index;
            switch (link.nShortcut) {
                case kShortcutMade:
                    fo.shortcutFile = U(link.szShortcutFile);
                    fo.failures = reader.FileFailures(link.szShortcutFile);
                    fo.shortcut = reader.ProfileWritten(link.szShortcutFile, "InternetShortcut", "URL") ? "made"
                                  : fo.failures.empty()                                                 ? "not-reached"
                                                                                                        : "failed";
                    break;
                case kShortcutBadName: fo.shortcut = fo.reason = "no-shortcut"; break;
                case kShortcutTooLong: fo.shortcut = fo.reason = "shortcut-path-too-long"; break;
                default: fo.shortcut = fo.reason = "no-favorites-folder"; break;
            }
            for (const char* key : {"Title", "URL"}) {
                std::string k = key + std::to_string(fo.index);
                Append(&fo.failures, reader.FileFailures(f.szSignupPath, "FavoritesEx", k.c_str()));
            }
            if (!fo.failures.empty() && fo.reason.empty()) fo.reason = "write-fails";
        }
        out.favorites.push_back(fo);
    }
    out.home = PageOf(reader, f, "Home", HomeRuns(args), {"Start Page"}, "Home_page");
    out.search = PageOf(reader, f, "Search", 1, {"Search Bar", "Use Custom Search URL"}, "Search_Page");
    return out;
}

// The outcome of a dry run that is over, and why it stopped before its actions, if it did.
RunOutcome Finish(host::Image& image, const host::Journal& journal, const RunFields& fields,
                  const std::vector<std::string>& args, int code, int identity) {
    RunOutcome out = BuildOutcome(image, journal, fields, args, code);
    ResetRunState();
    if (identity != kIdentityRead) {
        out.stops = identity == kIdentityNoLibrary ? "ZMINT.DLL cannot be loaded: no branding file path"
                                                   : "ZMINT.DLL lacks an export: no branding file path";
    } else if (fields.szIniPath[0] == '\0') {
        out.stops = "the path of Facet.INI does not fit: no branding file path";
    } else if (!fields.bIniFound) {
        out.stops = "Facet.INI not found";
    }
    return out;
}

}  // namespace

SectionPlan EngineQuery::PlanSection(const std::string& section) {
    SectionPlan plan;
    RunFields f;
    CopyText(f.szIniPath, state_->szIniPath);
    Field(f.szSection, section);
    host::Journal none;
    JournalReader reader(image_, none);
    plan.home = PageOf(reader, f, "Home", 0, {}, "Home_page");
    plan.search = PageOf(reader, f, "Search", 0, {}, "Search_Page");
    // No Favorites folder and no sign-up file: the links are decided alone.
    FavoritesPlan fp;
    DecideFavoritesPlan(f.szIniPath, f.szSection, "", &fp, true);
    plan.favoritesList = U(fp.szFavoritesList);
    plan.favoritesListCut = fp.bListCut;
    fp.bWriteShortcuts = false;
    char szList[260];
    CopyText(szList, fp.szFavoritesList);
    char* cursor = szList;
    for (char* piece = NextFavoritePiece(&cursor); piece != nullptr; piece = NextFavoritePiece(&cursor)) {
        FavoriteLink link;
        DecideFavoriteLink(f.szIniPath, piece, fp, true, &link);
        FavoriteOutcome fo = LinkOutcome(piece, link);
        if (fo.installed && !IsPlainFileName(link.szLinkName)) fo.shortcut = fo.reason = "no-shortcut";
        plan.favorites.push_back(fo);
    }
    return plan;
}

RunOutcome EngineQuery::DryRun(const std::vector<std::string>& args) {
    host::Journal journal;
    RunFields fields;
    int code = 0;
    char szMachineId[20];
    char szModel[260];
    int identity = ReadMachineIdentity(szMachineId, szModel);
    char szBrandFolder[20] = "";
    {
        host::DryRun dry(image_);
        std::vector<std::string> owned = args;
        std::vector<char*> argv = Argv(&owned);
        StartRun();
        LoadMachineInfo();
        // The variant as identification left it, before the wallpaper step may change it.
        CopyText(szBrandFolder, g_run.szImageFolder);
        code = RunInstallation(static_cast<int>(argv.size()) - 1, argv.data());
        fields = FieldsOfRun(szBrandFolder);
        journal = dry.journal();
    }
    return Finish(image_, journal, fields, args, code, identity);
}

RunOutcome EngineQuery::DryRunInstallation(const Decision& d, const std::vector<std::string>& args) {
    host::Journal journal;
    RunFields fields;
    int code = 0;
    {
        host::DryRun dry(image_);
        std::vector<std::string> owned = args;
        std::vector<char*> argv = Argv(&owned);
        StartRun();
        // What the identification of a machine of these facts leaves in the run state.
        Field(g_run.szModelName, d.brand.model);
        Field(g_run.szBrand, d.brand.brand);
        Field(g_run.szSubBrand, d.brand.category);
        Field(g_run.szImageFolder, d.brand.imageFolder);
        Field(g_run.szDashRegion, d.region.code);
        Field(g_run.szUserLangID, d.language.userLangID);
        Field(g_run.szOSLangID, d.language.osLangID);
        Field(g_run.szOSLangString, d.language.osLangString);
        CopyText(g_run.szExeDir, state_->szExeDir);
        CopyText(g_run.szIniPath, state_->szIniPath);
        if (d.candidates.size() == kSectionCandidates) {
            Field(g_run.szSecRegionLangID, d.candidates[0].name);
            Field(g_run.szSecRegionLang, d.candidates[1].name);
            Field(g_run.szSecAnyRegionLang, d.candidates[2].name);
            Field(g_run.szSecRegionAnyLang, d.candidates[3].name);
        }
        Field(g_run.szSection, d.section);
        CopyText(g_run.szSignupPath, state_->szSignupPath);
        g_run.bWideScreen = d.wideScreen ? 1 : 0;
        code = RunInstallation(static_cast<int>(argv.size()) - 1, argv.data());
        char szBrandFolder[20];
        Field(szBrandFolder, d.brand.imageFolder);
        fields = FieldsOfRun(szBrandFolder);
        journal = dry.journal();
    }
    return Finish(image_, journal, fields, args, code, kIdentityRead);
}

RunOutcome EngineQuery::Run(const std::vector<std::string>& args) {
    std::vector<std::string> owned = args;
    std::vector<char*> argv = Argv(&owned);
    int code = RunFacet(static_cast<int>(argv.size()) - 1, argv.data());
    RunOutcome out;
    out.exitCode = code;
    out.logPath = U(g_run.szLogPath);
    out.signupPath = U(g_run.szSignupPath);
    return out;
}

std::vector<WallpaperSource> EngineQuery::WallpaperSources() {
    std::vector<WallpaperSource> out;
    std::set<std::string> seen;
    for (const std::string& folder : Facts().imageFolders) {
        for (const std::string& lang : Facts().langStrings) {
            for (bool wide : {true, false}) {
                WallpaperPlan plan;
                ::DecideWallpapers(state_->szExeDir, folder.c_str(), lang.c_str(), wide, &plan);
                for (int i = 0; i < kWallpaperCopies / 2; ++i) {
                    const WallpaperPlan::Copy& c = plan.copies[i];
                    if (!c.bFits || !seen.insert(c.szSource).second) continue;
                    WallpaperSource s;
                    s.winPath = U(c.szSource);
                    s.variant = U(plan.szImageFolder);
                    // The picture's stem is the folder the plan names under Wallpapers.
                    std::string source = c.szSource;
                    size_t at = source.find("\\Wallpapers\\");
                    if (at != std::string::npos) {
                        size_t from = at + strlen("\\Wallpapers\\");
                        s.stem = source.substr(from, source.find('\\', from) - from);
                    }
                    sscanf(plan.szSizeFile, "\\%ux%u", &s.width, &s.height);
                    out.push_back(s);
                }
            }
        }
    }
    return out;
}

}  // namespace author
