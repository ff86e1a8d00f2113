#include <cstdio>

#include "author/output.h"
#include "author/text.h"
#include "commands.h"

namespace cli {
namespace {

std::string& CurrentCommand() {
    static std::string name;
    return name;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return std::string(s);
}

// "a, b or c"
std::string Choices(const std::vector<std::string>& forms) {
    std::string text;
    for (size_t i = 0; i < forms.size(); ++i) {
        if (i > 0) text += i + 1 == forms.size() ? " or " : ", ";
        text += forms[i];
    }
    return text;
}

// "{a,b,c}", as the help lists the forms.
std::string Braced(const std::vector<std::string>& forms) {
    std::string text = "{";
    for (const std::string& form : forms) text += (text.size() > 1 ? "," : "") + form;
    return text + "}";
}

const std::string* Find(const std::vector<std::string>& forms, std::string_view word) {
    for (const std::string& form : forms) {
        if (SameWord(form, word)) return &form;
    }
    return nullptr;
}

}  // namespace

const std::string& CommandName() { return CurrentCommand(); }
void SetCommandName(const std::string& name) { CurrentCommand() = name; }

void Fail(const std::string& what, const std::string& subject) {
    std::string line = "facet-sim";
    if (!CommandName().empty()) line += " " + CommandName();
    line += ": " + what;
    if (!subject.empty()) line += ": " + subject;
    fprintf(stderr, "%s\n", line.c_str());
}

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

CLI::Validator OneOf(std::vector<std::string> forms) {
    std::string choices = Choices(forms);
    return CLI::Validator(
        [forms, choices](std::string& value) -> std::string {
            const std::string* form = Find(forms, Trimmed(value));
            if (form == nullptr) return "is not " + choices + ": " + value;
            value = *form;
            return "";
        },
        Braced(forms));
}

CLI::Validator EachOf(std::vector<std::string> forms) {
    std::string choices = Choices(forms);
    return CLI::Validator(
        [forms, choices](std::string& value) -> std::string {
            std::string canonical;
            size_t start = 0;
            for (;;) {
                size_t comma = value.find(',', start);
                std::string item = Trimmed(std::string_view(value).substr(start, comma - start));
                const std::string* form = Find(forms, item);
                if (form == nullptr) return "holds a word that is not " + choices + ": " + item;
                canonical += (canonical.empty() ? "" : ",") + *form;
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
            value = canonical;
            return "";
        },
        Braced(forms) + ",...");
}

bool EngineArgs(CLI::App* cmd, const std::vector<std::string>& words, std::vector<std::string>* args) {
    *args = words;
    bool ended = false;  // by "--": every word after it is the engine's
    for (const std::string& extra : cmd->remaining()) {
        if (!ended && extra == "--") {
            ended = true;
            continue;
        }
        if (!ended && extra.compare(0, 2, "--") == 0) {
            Fail("not an option of this command (an engine argument that starts with -- follows --)", extra);
            return false;
        }
        args->push_back(extra);
    }
    return true;
}

std::unique_ptr<host::Image> OpenImage(const std::string& dir) {
    std::string error;
    std::unique_ptr<host::Image> image = host::Image::Open(dir, &error);
    if (!image) Fail("cannot read the machine image", author::Utf8FromHost(error));
    return image;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    std::string error;
    if (author::ReadInput(path, author::kBrandingLimit, bytes, &error)) return true;
    Fail(author::Utf8FromHost(error));
    return false;
}

bool Write(const std::string& out, const std::string& bytes) {
    std::string error;
    if (author::WriteOutput(out, bytes, &error)) return true;
    Fail(author::Utf8FromHost(error));
    return false;
}

bool WriteJson(const std::string& out, const nlohmann::ordered_json& doc) {
    std::string text;
    std::string error;
    if (!author::JsonText(doc, &text, &error)) {
        Fail(error);
        return false;
    }
    return Write(out, text);
}

CLI::Option* AddFormat(CLI::App* cmd, std::string& format, std::initializer_list<std::string> forms,
                       const std::string& help) {
    return cmd->add_option("--format", format, help)->transform(OneOf(forms));
}

CLI::Option* AddOut(CLI::App* cmd, std::string& out) {
    return cmd->add_option("--out", out, "write here instead of standard output (replaced whole, never through a link)");
}

}  // namespace cli
