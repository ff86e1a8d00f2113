#include "author/suite_check.h"

#include <algorithm>
#include <filesystem>

#include "author/engine_query.h"
#include "author/lint.h"
#include "author/output.h"
#include "author/sarif.h"
#include "author/text.h"
#include "platform/host/image.h"

namespace author {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// The outcome of the image's run, and each change placed where its value is written:
// the branding file's line when the file today has it, else the machine's expect.json.
bool Outcome(const std::string& dir, const std::vector<std::string>& args, const SuiteCheckOptions& options,
             const BrandingOutcome* expected, BrandingOutcome* outcome, MachineCheck* check, std::string* error) {
    std::unique_ptr<host::Image> image = host::Image::Open(dir, error);
    if (!image) return false;
    EngineQuery q(*image);
    if (options.iniText != nullptr) {
        // The branding file goes where the engine looks for it, in memory over the image.
        if (!q.iniPathOk()) {
            *error = "the image has no place for a branding file (its program path is too long)";
            return false;
        }
        q.PutBrandingFile(*options.iniText);
    }
    bool identified = q.ReadImageFacts().library == "read";
    *outcome = OutcomeFromRun(q.DryRun(args), identified);
    if (expected == nullptr || check == nullptr) return true;
    check->changes = CompareOutcomes(*expected, *outcome);
    std::string iniFile = options.iniName;
    if (options.iniText == nullptr && !check->changes.empty()) {
        host::MappedPath mapped;
        if (q.iniPathOk() && image->MapPath(ImageFromUtf8(q.iniPath()).c_str(), &mapped) == 0 && mapped.exists) {
            iniFile = Utf8FromHost(mapped.host);
        }
    }
    for (const OutcomeChange& c : check->changes) {
        Finding f;
        f.file = check->expectFile;
        f.severity = Severity::kWarning;
        f.rule = ChangeKindName(c.kind);
        f.message = c.text;
        if (!c.anchor.inOld && !c.anchor.section.empty() && !iniFile.empty()) {
            auto find = [&q, &c] {
                return c.anchor.key.empty() ? q.SectionLine(c.anchor.section) : q.EntryLine(c.anchor.section, c.anchor.key);
            };
            int line = 0;
            if (options.iniText == nullptr) {
                line = find();
            } else {
                // The same file for every machine: read for its lines once.
                auto [at, added] = options.iniLines->try_emplace({c.anchor.section, c.anchor.key}, 0);
                if (added) at->second = find();
                line = at->second;
            }
            if (line > 0) {
                f.file = iniFile;
                f.line = line;
                f.column = 1;
            }
        }
        check->located.push_back(f);
    }
    return true;
}

const char* StatusName(MachineCheck::Status s) {
    switch (s) {
        case MachineCheck::Status::kUnchanged: return "unchanged";
        case MachineCheck::Status::kChanged: return "changed";
        case MachineCheck::Status::kWritten: return "written";
        case MachineCheck::Status::kError: return "error";
    }
    return "error";
}

// "FILE:LINE:COL: severity: message [rule]", or "FILE: severity: ..." for a whole file.
std::string Located(const Finding& f) {
    if (f.line > 0) return FormatFindingText(f);
    return f.file + ": " + SeverityName(f.severity) + ": " + f.message + " [" + f.rule + "]";
}

struct Counts {
    size_t changed = 0, unchanged = 0, written = 0, errors = 0;
};

Counts Count(const std::vector<MachineCheck>& checks) {
    Counts n;
    for (const MachineCheck& c : checks) {
        switch (c.status) {
            case MachineCheck::Status::kUnchanged: ++n.unchanged; break;
            case MachineCheck::Status::kChanged: ++n.changed; break;
            case MachineCheck::Status::kWritten: ++n.written; break;
            case MachineCheck::Status::kError: ++n.errors; break;
        }
    }
    return n;
}

std::string Xml(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default:
                // XML 1.0 has no form for most control characters.
                out += (c < 0x20 && c != '\t' && c != '\n' && c != '\r') ? '?' : static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

bool MachineOutcome(const std::string& dir, const std::vector<std::string>& args, const std::string* iniText,
                    BrandingOutcome* outcome, std::string* error) {
    SuiteCheckOptions options;
    options.iniText = iniText;
    return Outcome(dir, args, options, nullptr, outcome, nullptr, error);
}

MachineCheck CheckMachine(const SuiteMachine& m, const SuiteCheckOptions& options) {
    MachineCheck check;
    check.name = Utf8FromHost(m.name);
    std::string expectFile = m.dir + "/expect.json";
    check.expectFile = Utf8FromHost(expectFile);
    auto fail = [&check](const std::string& what) {
        check.status = MachineCheck::Status::kError;
        check.error = Utf8FromHost(what);
        return check;
    };
    std::vector<std::string> args;
    std::string error;
    if (!SuiteArgs(m, &args, &error)) return fail(error);
    BrandingOutcome outcome;
    if (options.update) {
        if (!Outcome(m.dir, args, options, nullptr, &outcome, nullptr, &error)) {
            return fail(m.dir + ": cannot read machine image: " + error);
        }
        std::string text;
        // Replaced whole, beside the image: a link there is replaced, never followed.
        if (!JsonText(OutcomeJson(outcome), &text, &error) || !WriteOutput(expectFile, text, &error)) return fail(error);
        check.status = MachineCheck::Status::kWritten;
        return check;
    }
    std::string bytes;
    bool missing = false;
    if (!ReadFolderFile(m.dir, "expect.json", kJsonLimit, &bytes, &missing, &error)) {
        return fail(missing ? m.name + ": no expectations (facet-sim check --update writes them)" : error);
    }
    nlohmann::json doc;
    BrandingOutcome expected;
    if (!ParseJsonInput(bytes, kJsonDepthLimit, &doc, &error) || !OutcomeFromJson(doc, &expected, &error)) {
        return fail(expectFile + ": " + error);
    }
    if (!Outcome(m.dir, args, options, &expected, &outcome, &check, &error)) {
        return fail(m.dir + ": cannot read machine image: " + error);
    }
    check.status = check.changes.empty() ? MachineCheck::Status::kUnchanged : MachineCheck::Status::kChanged;
    return check;
}

bool ListSuite(const std::string& suiteDir, std::vector<SuiteMachine>* machines, std::string* error) {
    machines->clear();
    std::error_code ec;
    fs::directory_iterator it(suiteDir, ec);
    if (ec) {
        *error = "cannot read the suite folder: " + suiteDir + ": " + ec.message();
        return false;
    }
    for (const fs::directory_entry& entry : it) {
        // An image is a folder of the suite itself; a link to one elsewhere is not followed.
        if (entry.is_symlink(ec) || !entry.is_directory(ec)) continue;
        machines->push_back({entry.path().filename().string(), entry.path().string()});
    }
    std::sort(machines->begin(), machines->end(),
              [](const SuiteMachine& a, const SuiteMachine& b) { return a.name < b.name; });
    return true;
}

bool SuiteArgs(const SuiteMachine& machine, std::vector<std::string>* args, std::string* error) {
    args->clear();
    std::string text;
    bool missing = false;
    if (!ReadFolderFile(machine.dir, "args.txt", kListLimit, &text, &missing, error)) return missing;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        if (!line.empty()) args->push_back(line);
    }
    return true;
}

std::string SuiteReportText(const std::vector<MachineCheck>& checks, bool quiet) {
    std::string out;
    for (const MachineCheck& c : checks) {
        if (c.status == MachineCheck::Status::kError) continue;  // said on standard error
        if (quiet && c.status != MachineCheck::Status::kChanged) continue;
        out += c.name + (c.status == MachineCheck::Status::kWritten ? ": expectations written\n"
                                                                    : std::string(": ") + StatusName(c.status) + "\n");
        for (const Finding& f : c.located) out += Located(f) + "\n";
    }
    Counts n = Count(checks);
    if (n.written > 0 || (n.changed == 0 && n.unchanged == 0 && n.errors == 0)) {
        out += std::to_string(n.written) + " of " + std::to_string(checks.size()) + " expectations written";
    } else {
        out += std::to_string(n.changed) + " of " + std::to_string(checks.size()) + " machines changed";
    }
    if (n.errors > 0) out += ", " + std::to_string(n.errors) + " could not be checked";
    return out + "\n";
}

Json SuiteReportJson(const std::vector<MachineCheck>& checks) {
    Json machines = Json::array();
    for (const MachineCheck& c : checks) {
        Json m{{"name", c.name}, {"expect", c.expectFile}, {"status", StatusName(c.status)}};
        if (c.status == MachineCheck::Status::kError) m["error"] = c.error;
        Json changes = Json::array();
        for (size_t i = 0; i < c.changes.size(); ++i) {
            const Finding& f = c.located[i];
            changes.push_back({{"kind", f.rule},
                               {"text", f.message},
                               {"file", f.file},
                               {"line", f.line > 0 ? Json(f.line) : Json(nullptr)}});
        }
        m["changes"] = changes;
        machines.push_back(m);
    }
    Counts n = Count(checks);
    return {{"machines", machines},
            {"summary",
             {{"machines", checks.size()},
              {"changed", n.changed},
              {"unchanged", n.unchanged},
              {"written", n.written},
              {"errors", n.errors}}}};
}

std::string SuiteReportJunit(const std::vector<MachineCheck>& checks) {
    Counts n = Count(checks);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    std::string counts = " tests=\"" + std::to_string(checks.size()) + "\" failures=\"" + std::to_string(n.changed) +
                         "\" errors=\"" + std::to_string(n.errors) + "\"";
    out += "<testsuites name=\"facet-sim check\"" + counts + ">\n";
    out += "  <testsuite name=\"recorded machines\"" + counts + ">\n";
    for (const MachineCheck& c : checks) {
        out += "    <testcase classname=\"facet-sim check\" name=\"" + Xml(c.name) + "\" file=\"" + Xml(c.expectFile) + "\"";
        if (c.status == MachineCheck::Status::kChanged) {
            std::string body;
            for (const Finding& f : c.located) body += Located(f) + "\n";
            out += ">\n      <failure message=\"" + std::to_string(c.changes.size()) +
                   " change(s)\" type=\"changed\">" + Xml(body) + "</failure>\n    </testcase>\n";
        } else if (c.status == MachineCheck::Status::kError) {
            out += ">\n      <error message=\"" + Xml(c.error) + "\" type=\"unreadable\"/>\n    </testcase>\n";
        } else {
            out += "/>\n";
        }
    }
    return out + "  </testsuite>\n</testsuites>\n";
}

Json SuiteReportSarif(const std::vector<MachineCheck>& checks, const std::string& version) {
    static const LintRule kRules[] = {
        {"section", Severity::kWarning, "The chosen section changed"},
        {"identified", Severity::kWarning, "The machine is identified, or no longer is"},
        {"stops", Severity::kWarning, "The run stops before its branding actions, or no longer does"},
        {"no-branding", Severity::kWarning, "The machine gets branding, or no longer does"},
        {"home-page", Severity::kWarning, "The start page changed"},
        {"search-page", Severity::kWarning, "The search page changed"},
        {"favorite-added", Severity::kWarning, "A favorite is added"},
        {"favorite-removed", Severity::kWarning, "A favorite is removed"},
        {"favorite-renamed", Severity::kWarning, "A favorite has another Name"},
        {"favorite-url", Severity::kWarning, "A favorite has another address"},
        {"favorite-moved", Severity::kWarning, "A favorite has another place in the list"},
        {"shortcut-made", Severity::kWarning, "A favorite's shortcut is now made"},
        {"shortcut-lost", Severity::kWarning, "A favorite's shortcut is no longer made"},
        {"favorite-outcome", Severity::kWarning, "A favorite is installed otherwise"},
        {"signup", Severity::kWarning, "Sign-up entries changed"},
        {"wallpaper", Severity::kWarning, "A wallpaper copy changed"},
        {"write-fails", Severity::kWarning, "The run's failed writes changed"},
        {"unreadable", Severity::kError, "A recorded machine or its expectations cannot be read"},
    };
    std::vector<Finding> findings;
    for (const MachineCheck& c : checks) {
        for (const Finding& f : c.located) {
            findings.push_back(f);
            findings.back().message = c.name + ": " + f.message;
        }
        if (c.status == MachineCheck::Status::kError) {
            Finding f;
            f.file = c.expectFile;
            f.severity = Severity::kError;
            f.rule = "unreadable";
            f.message = c.name + ": " + c.error;
            findings.push_back(f);
        }
    }
    return SarifLog("facet-sim check", version, kRules, sizeof(kRules) / sizeof(kRules[0]), findings);
}

}  // namespace author
