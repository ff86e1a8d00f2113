// The asset checks of the linter: every wallpaper that some machine would copy from a
// machine image must be there, be a readable JPEG and have the size its name gives.
#pragma once

#include <string>
#include <vector>

#include "author/finding.h"

namespace author {

// Pixel size of a JPEG held in memory; false when it is no readable JPEG.
bool ReadJpegSize(const std::string& bytes, int* width, int* height);

// Checks the wallpapers of the image in imageDir, appending findings about them (their
// file is the host path). False, with *error, when the image cannot be opened.
bool LintWallpapers(const std::string& imageDir, std::vector<Finding>* findings, std::string* error);

}  // namespace author
