// The branding report: one self-contained HTML page (styles, data and thumbnails inline,
// nothing fetched) with the summary and lint findings at the top, a grid per category
// (regions down, languages across, each cell coloured by the candidate that chose its
// section, its full explanation on hover or click), and the wallpaper contact sheet.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "author/contact_sheet.h"
#include "author/finding.h"
#include "author/matrix.h"

namespace author {

struct ReportInput {
    std::string iniPath;
    std::string wallpaperRoot;
    const std::vector<MatrixRow>* rows = nullptr;
    const MatrixSummary* summary = nullptr;
    std::vector<Finding> findings;
    std::string lintError;  // why the linter could not read the file, or empty
    std::vector<WallpaperImage> sheet;
};

void WriteHtmlReport(std::ostream& out, const ReportInput& input);

// The report's stylesheet, which the compare view shares.
const char* ReportStyle();

// Text made safe for HTML element content and attribute values.
std::string HtmlEscape(const std::string& text);

}  // namespace author
