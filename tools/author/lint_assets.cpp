#include "author/lint_assets.h"

#include <cstdio>
#include <map>
#include <set>

#include <turbojpeg.h>

#include "actions/wallpapers.h"
#include "config/section.h"
#include "identify/brand.h"
#include "identify/language.h"
#include "platform/host/machine.h"
#include "run/run_state.h"

namespace author {

bool ReadJpegSize(const std::string& bytes, int* width, int* height) {
    tjhandle handle = tjInitDecompress();
    if (handle == nullptr) return false;
    int subsampling = 0, colorspace = 0;
    bool ok = tjDecompressHeader3(handle, reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<unsigned long>(bytes.size()), width, height, &subsampling,
                                  &colorspace) == 0;
    tjDestroy(handle);
    return ok && *width > 0 && *height > 0;
}

namespace {

// Every source path CopyWallPapers can take on this image, with its size file: the
// engine's own plan for each variant folder a model name gives, each language text and
// both screen shapes.
std::map<std::string, std::string> WallpaperSources() {
    std::set<std::string> folders;
    BrandDecision brand;
    for (const BrandRule& rule : kBrandRules) {
        DecideBrand(rule.szNeedle, &brand);
        folders.insert(brand.pszImageFolder);
    }
    DecideBrand("", &brand);
    folders.insert(brand.pszImageFolder);

    std::map<std::string, std::string> sources;  // Windows path -> size file
    ResetRunState();
    char szIniPath[260];
    DecideIniPath(g_run.szExeDir, szIniPath);
    for (const std::string& folder : folders) {
        std::set<std::string> seenLang;
        for (unsigned v = 0; v <= 0x3FF; ++v) {
            char lang[4];
            FormatOSLangString(static_cast<LANGID>(v), lang);
            if (!seenLang.insert(lang).second) continue;
            for (int wide = 0; wide <= 1; ++wide) {
                snprintf(g_run.szImageFolder, sizeof(g_run.szImageFolder), "%s", folder.c_str());
                snprintf(g_run.szOSLangString, sizeof(g_run.szOSLangString), "%s", lang);
                g_run.bWideScreen = wide;
                WallpaperPlan plan;
                DecideWallpapers(&plan);
                for (int i = 0; i < kWallpaperCopies / 2; ++i) sources[plan.copies[i].szSource] = plan.szSizeFile;
            }
        }
    }
    ResetRunState();
    return sources;
}

}  // namespace

bool LintWallpapers(const std::string& imageDir, std::vector<Finding>* findings, std::string* error) {
    std::unique_ptr<host::Image> image = host::Image::Open(imageDir, error);
    if (!image) {
        *error = "cannot read machine image: " + *error;
        return false;
    }
    host::ImageScope scope(*image);
    for (const auto& [source, sizeFile] : WallpaperSources()) {
        host::MappedPath path;
        if (host::MapPath(source.c_str(), &path) != 0 || !path.exists || path.folder) {
            findings->push_back({path.host.empty() ? source : path.host, 0, 0, Severity::kError, "asset-missing",
                                 "wallpaper " + source + " is missing: on a machine of this variant the copy fails and ends the wallpaper step"});
            continue;
        }
        std::string bytes;
        int width = 0, height = 0;
        if (image->ReadFile(path, &bytes) != 0 || !ReadJpegSize(bytes, &width, &height)) {
            findings->push_back({path.host, 0, 0, Severity::kError, "asset-format",
                                 "wallpaper " + source + " is not a readable JPEG"});
            continue;
        }
        unsigned nameW = 0, nameH = 0;
        if (sscanf(sizeFile.c_str(), "\\%ux%u", &nameW, &nameH) == 2 &&
            !((static_cast<unsigned>(width) == nameW && static_cast<unsigned>(height) == nameH) ||
              (static_cast<unsigned>(width) == nameH && static_cast<unsigned>(height) == nameW))) {
            findings->push_back({path.host, 0, 0, Severity::kWarning, "asset-size",
                                 "wallpaper " + source + " is " + std::to_string(width) + "x" +
                                     std::to_string(height) + " pixels, not " + std::to_string(nameW) + "x" +
                                     std::to_string(nameH) + " (or its transpose) as its name says"});
        }
    }
    return true;
}

}  // namespace author
