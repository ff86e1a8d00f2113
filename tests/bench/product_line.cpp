#include "product_line.h"

#include <cstdio>

#include "author/engine_query.h"

namespace bench {

const char* const kModelStems[6] = {"Vellomar V", "Quintara Q", "Corvane QA-",
                                    "Corvane KJ-", "Corvane KL-", "Corvane KM-"};

namespace {
const char* const kCategories[] = {"VELLOMAR", "QUINTARA", "TABLET", "SMB", "COMMERCIAL", "WORKSTATION"};
}

std::string ProductLineBranding(int sections, const std::vector<uint16_t>& langs, bool edited) {
    std::string text = "[DEFAULT_SECTION]\r\nHome=H0\r\nSearch=S0\r\nFavorites=F0,F1\r\n";
    int n = 0;
    const auto& table = author::EngineQuery::Facts().regionTable;
    for (size_t l = 0; n < sections; ++l) {
        for (size_t r = 0; r < table.size() && n < sections; ++r) {
            for (const char* category : kCategories) {
                if (n >= sections) break;
                char name[48];
                std::snprintf(name, sizeof(name), "%s-%04X-%s", table[r].region.c_str(),
                              static_cast<unsigned>(langs[l % langs.size()]), category);
                int home = edited && n % 10 == 0 ? (n + 1) % 50 : n % 50;
                std::string a = "F" + std::to_string(n % 40), b = "F" + std::to_string((n + 1) % 40);
                if (!(edited && n % 50 == 0)) {
                    text += std::string("[") + name + "]\r\nHome=H" + std::to_string(home) + "\r\nSearch=S" +
                            std::to_string(n % 7) + "\r\nFavorites=" + (edited && n % 7 == 0 ? b + "," + a : a + "," + b) +
                            "\r\n";
                }
                if (edited && n % 100 == 0) {
                    text += std::string("[") + table[r].region + "-*-" + category + "]\r\nHome=H3\r\nSearch=S1\r\n";
                }
                ++n;
            }
        }
    }
    for (int i = 0; i < 50; ++i) {
        std::string k = std::to_string(i);
        text += "[H" + k + "]\r\nName=Home " + k + "\r\nPath=http://h" + k + ".example/\r\n[S" + k +
                "]\r\nName=Search\r\nPath=http://s.example/\r\n[F" + k + "]\r\nName=Fav " + k +
                "\r\nPath=http://f.example/\r\n";
    }
    return text;
}

std::vector<std::string> ProductLineModels(int count, int regionlessEvery) {
    const auto& table = author::EngineQuery::Facts().regionTable;
    std::vector<std::string> models;
    for (int i = 0; i < count; ++i) {
        std::string model = std::string(kModelStems[i % 6]) + std::to_string(1000 + i);
        if (i % regionlessEvery != 0) model += " #" + table[(i / 6) % table.size()].optionCode;
        models.push_back(model);
    }
    return models;
}

}  // namespace bench
