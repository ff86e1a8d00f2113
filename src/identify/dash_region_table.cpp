// Option codes of the factory order system and the region codes that branding sections
// are named with. Keep option codes and region codes unique, and never use "XX" (it
// means "no region"). `facet-sim regions` prints this table for branding authors.
#include "identify/dash_region.h"

const DashRegionRow DashRegionTable[43] = {
    {"A10", "01"},  // United States
    {"A11", "02"},  // Canada, English
    {"A12", "03"},  // Canada, French
    {"A13", "04"},  // Mexico
    {"A14", "05"},  // Brazil
    {"A15", "06"},  // Latin America
    {"A16", "07"},  // Argentina
    {"A17", "08"},  // Chile
    {"E20", "UK"},  // United Kingdom
    {"E21", "10"},  // Ireland
    {"E22", "11"},  // France
    {"E23", "12"},  // Germany
    {"E24", "13"},  // Italy
    {"E25", "14"},  // Spain
    {"E26", "15"},  // Portugal
    {"E27", "16"},  // Netherlands
    {"E28", "17"},  // Belgium
    {"E29", "18"},  // Switzerland
    {"E30", "19"},  // Austria
    {"E31", "20"},  // Sweden
    {"E32", "21"},  // Norway
    {"E33", "22"},  // Denmark
    {"E34", "23"},  // Finland
    {"E35", "24"},  // Poland
    {"E36", "25"},  // Czech Republic
    {"E37", "26"},  // Hungary
    {"E38", "27"},  // Greece
    {"E39", "28"},  // Turkey
    {"E40", "29"},  // Russia
    {"M50", "30"},  // Middle East, Arabic
    {"M51", "31"},  // Israel
    {"M52", "32"},  // South Africa
    {"M53", "33"},  // Saudi Arabia
    {"P60", "JP"},  // Japan
    {"P61", "35"},  // China
    {"P62", "36"},  // Taiwan
    {"P63", "37"},  // Hong Kong
    {"P64", "38"},  // Korea
    {"P65", "39"},  // Australia
    {"P66", "40"},  // New Zealand
    {"P67", "41"},  // India
    {"P68", "42"},  // Singapore
    {"P69", "AP"},  // Asia Pacific, other
};
