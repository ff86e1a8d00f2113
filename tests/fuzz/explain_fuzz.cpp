// Explains machine images made from arbitrary bytes, in memory. The input is cut at each
// byte 0x1E into: machine.ini | Facet.INI | the sign-up file | the factory options file
// | registry.reg | the Favorites folder the registry names | files and folders, one a
// line ("PATH" a folder, "PATH|BYTES" a file) | the run's arguments, one a line. An
// empty or missing piece leaves that part as a freshly imaged machine has it. A
// machine.ini that does not begin with a header is read as keys of [ZMINT], so that the
// library loads unless the input says otherwise.
//
// Whatever the image holds, explain changes nothing in it, and its JSON and text are
// UTF-8: every byte of the image above 0x7F comes out as the character it stands for.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "author/engine_query.h"
#include "author/explain.h"
#include "author/output.h"
#include "author/text.h"
#include "formats/codepage.h"
#include "formats/reg_format.h"
#include "platform/host/image.h"

namespace {

std::vector<std::string_view> Split(std::string_view text, char at) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = std::min(text.find(at, start), text.size());
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string_view> piece = Split(std::string_view(reinterpret_cast<const char*>(data), size), '\x1E');
    piece.resize(8);
    std::string machineIni(piece[0]);
    if (machineIni.empty() || machineIni[0] != '[') machineIni = "[ZMINT]\r\n" + machineIni;
    std::unique_ptr<host::Image> image = host::Image::InMemory(machineIni);

    // A freshly imaged machine's folders, as the matrix has them.
    image->Put("C:\\Facet\\FacetVer.exe", std::string());
    for (const char* folder : {"C:\\Facet", "C:\\FACTORY\\Util", "C:\\Program Files\\Internet Explorer\\SIGNUP",
                               "C:\\Windows\\Web\\Wallpaper", "C:\\Users\\Facet\\Favorites"}) {
        image->PutFolder(folder);
    }
    {
        // The files go where the engine looks for them on this machine.
        author::EngineQuery where(*image);
        if (where.iniPathOk() && !piece[1].empty()) {
            where.PutBrandingFile(std::string(piece[1]));
        }
        if (!piece[2].empty()) image->Put(author::ImageFromUtf8(where.signupPath()), std::string(piece[2]));
    }
    if (!piece[3].empty()) image->Put(author::EngineQuery::Facts().factoryFile, std::string(piece[3]));
    formats::Registry registry;
    std::string error;
    if (formats::ParseRegText(piece[4], &registry, &error)) {
        image->registry() = std::move(registry);
    }
    std::string favorites = piece[5].empty() ? "C:\\Users\\Facet\\Favorites" : std::string(piece[5]);
    image->RegSetValue("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                       "Favorites", 1, favorites + '\0');
    if (!piece[6].empty()) {
        for (std::string_view line : Split(piece[6], '\n')) {
            size_t bar = line.find('|');
            if (bar == std::string_view::npos) {
                image->PutFolder(std::string(line));
            } else {
                image->Put(std::string(line.substr(0, bar)), std::string(line.substr(bar + 1)));
            }
        }
    }
    std::vector<std::string> args;
    if (!piece[7].empty()) {
        for (std::string_view line : Split(piece[7], '\n')) args.emplace_back(line);
    }
    image->TakeJournal();

    nlohmann::ordered_json doc = author::ExplainMachine(*image, "fuzz", args);
    if (!image->journal().empty()) abort();
    std::string text;
    if (!author::JsonText(doc, &text, &error) || !formats::IsUtf8(text)) abort();
    if (!formats::IsUtf8(author::FormatExplanationText(doc))) abort();
    author::ExplanationHasProblems(doc);
    return 0;
}
