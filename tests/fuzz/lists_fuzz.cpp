// Feeds arbitrary bytes to the parsers of the matrix's lists: the models file, the
// --languages, --regions and --screens lists, and the languages a branding file's
// section names give (one name a line of the input). None may crash or throw, and the
// languages come out sorted without repeats, as the matrix ranges over them.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "author/matrix_input.h"

namespace {

bool SortedUnique(const std::vector<uint16_t>& v) {
    return std::adjacent_find(v.begin(), v.end(), std::greater_equal<uint16_t>()) == v.end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;

    for (const std::string& model : author::ParseModelsFile(text)) {
        if (model.find('\n') != std::string::npos) abort();
    }

    std::vector<uint16_t> languages;
    if (author::ParseLanguages(text, &languages, &error) && !SortedUnique(languages)) abort();

    std::vector<std::string> regions;
    author::ParseRegions(text, &regions, &error);
    bool wide = false, normal = false;
    author::ParseScreens(text, &wide, &normal, &error);

    std::vector<std::string> names;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = std::min(text.find('\n', start), text.size());
        names.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::vector<uint16_t> named = author::LanguagesNamedBySections(names);
    if (!SortedUnique(named) || !std::binary_search(named.begin(), named.end(), uint16_t{0x0409})) abort();
    return 0;
}
