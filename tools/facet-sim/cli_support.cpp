#include <cstdio>

#include "author/output.h"
#include "author/text.h"
#include "commands.h"

namespace cli {

std::unique_ptr<host::Image> OpenImage(const std::string& dir) {
    std::string error;
    std::unique_ptr<host::Image> image = host::Image::Open(dir, &error);
    if (!image) fprintf(stderr, "facet-sim: cannot read machine image: %s\n", author::Utf8FromHost(error).c_str());
    return image;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    std::string error;
    if (author::ReadInput(path, author::kBrandingLimit, bytes, &error)) return true;
    fprintf(stderr, "facet-sim: %s\n", author::Utf8FromHost(error).c_str());
    return false;
}

bool Write(const std::string& out, const std::string& bytes) {
    std::string error;
    if (author::WriteOutput(out, bytes, &error)) return true;
    fprintf(stderr, "facet-sim: %s\n", author::Utf8FromHost(error).c_str());
    return false;
}

bool WriteJson(const std::string& out, const nlohmann::ordered_json& doc) {
    std::string text;
    std::string error;
    if (!author::JsonText(doc, &text, &error)) {
        fprintf(stderr, "facet-sim: %s\n", error.c_str());
        return false;
    }
    return Write(out, text);
}

CLI::Option* AddFormat(CLI::App* cmd, std::string& format, std::initializer_list<std::string> forms,
                       const std::string& help) {
    return cmd->add_option("--format", format, help)->check(CLI::IsMember(std::vector<std::string>(forms)));
}

CLI::Option* AddOut(CLI::App* cmd, std::string& out) {
    return cmd->add_option("--out", out, "write here instead of standard output (replaced whole, never through a link)");
}

}  // namespace cli
