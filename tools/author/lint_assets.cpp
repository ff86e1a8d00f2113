#include "author/lint_assets.h"

#include <turbojpeg.h>

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

bool LintWallpapers(const std::string& /*imageDir*/, std::vector<Finding>* /*findings*/, std::string* /*error*/) {
    return true;
}

}  // namespace author
