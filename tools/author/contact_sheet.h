// The wallpaper contact sheet: every picture the engine may copy (First, Second, Third,
// in each variant folder and both sizes), with its pixel size, a small thumbnail made
// with libjpeg-turbo, and what is wrong with it.
#pragma once

#include <string>
#include <vector>

#include "author/engine_query.h"

namespace author {

struct WallpaperImage {
    std::string wallpaper;  // "First", "Second", "Third"
    std::string variant;    // "standard", "portrait", "Arabic"
    std::string sizeName;   // "1920x1200", "1024x768"
    std::string hostPath;   // where it was found (UTF-8), or the Windows path that was looked for
    bool exists = false;
    bool readable = false;  // a JPEG whose header and pixels decode
    int width = 0;
    int height = 0;
    std::string thumbnail;  // "data:image/jpeg;base64,...", or empty
    std::string problem;    // "missing", "not a readable JPEG", "1600x900, not 1920x1200", or empty
};

// Every picture the wallpaper step can copy from the image `query` is over, read through
// the image (nothing outside it), by picture, variant and size.
std::vector<WallpaperImage> BuildContactSheet(EngineQuery& query, int thumbWidth = 160);

// Finds root/parts[0]/parts[1]/... matching each name without regard to ASCII case;
// false when some part is missing. *found is the path as far as it exists, then as named.
bool FindPathNoCase(const std::string& root, const std::vector<std::string>& parts, std::string* found);

// Base64 of bytes, for data: URIs.
std::string Base64(const unsigned char* data, size_t size);

}  // namespace author
