#include "author/region_names.h"

namespace author {

namespace {

struct RegionNameRow {
    const char* code;
    const char* name;
};

const RegionNameRow kRegionNames[] = {
    {"01", "United States"},
    {"02", "Canada, English"},
    {"03", "Canada, French"},
    {"04", "Mexico"},
    {"05", "Brazil"},
    {"06", "Latin America"},
    {"07", "Argentina"},
    {"08", "Chile"},
    {"UK", "United Kingdom"},
    {"10", "Ireland"},
    {"11", "France"},
    {"12", "Germany"},
    {"13", "Italy"},
    {"14", "Spain"},
    {"15", "Portugal"},
    {"16", "Netherlands"},
    {"17", "Belgium"},
    {"18", "Switzerland"},
    {"19", "Austria"},
    {"20", "Sweden"},
    {"21", "Norway"},
    {"22", "Denmark"},
    {"23", "Finland"},
    {"24", "Poland"},
    {"25", "Czech Republic"},
    {"26", "Hungary"},
    {"27", "Greece"},
    {"28", "Turkey"},
    {"29", "Russia"},
    {"30", "Middle East, Arabic"},
    {"31", "Israel"},
    {"32", "South Africa"},
    {"33", "Saudi Arabia"},
    {"JP", "Japan"},
    {"35", "China"},
    {"36", "Taiwan"},
    {"37", "Hong Kong"},
    {"38", "Korea"},
    {"39", "Australia"},
    {"40", "New Zealand"},
    {"41", "India"},
    {"42", "Singapore"},
    {"AP", "Asia Pacific, other"},
    {"XX", "no region: the fallback"},
};

}  // namespace

std::string RegionName(const std::string& code) {
    std::string upper = code;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    for (const RegionNameRow& row : kRegionNames) {
        if (upper == row.code) return row.name;
    }
    return std::string();
}

}  // namespace author
