#include "author/contact_sheet.h"

#include <turbojpeg.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <tuple>

#include "author/text.h"

namespace author {

namespace {

namespace fs = std::filesystem;

// A picture is read whole only to draw its thumbnail, and only up to this size.
constexpr uint64_t kThumbnailSourceLimit = 64u << 20;

bool SameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y) return false;
    }
    return true;
}

struct TjFree {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjFree>;

// Decodes at the smallest libjpeg-turbo scaling factor that still gives at least
// thumbWidth pixels across (or the smallest it has), and re-encodes that small.
bool MakeThumbnail(const std::string& jpeg, int width, int height, int thumbWidth, std::string* uri) {
    int count = 0;
    tjscalingfactor* factors = tjGetScalingFactors(&count);
    tjscalingfactor best = {1, 1};
    for (int i = 0; i < count; ++i) {
        if (factors[i].num > factors[i].denom) continue;  // never enlarge
        int w = TJSCALED(width, factors[i]);
        if (w >= thumbWidth && w < TJSCALED(width, best)) best = factors[i];
    }
    int w = TJSCALED(width, best);
    int h = TJSCALED(height, best);
    if (w <= 0 || h <= 0) return false;
    TjHandle dec(tjInitDecompress());
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
    if (!dec || tjDecompress2(dec.get(), reinterpret_cast<const unsigned char*>(jpeg.data()),
                              static_cast<unsigned long>(jpeg.size()), pixels.data(), w, 0, h, TJPF_RGB, 0) != 0) {
        return false;
    }
    TjHandle enc(tjInitCompress());
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    if (!enc || tjCompress2(enc.get(), pixels.data(), w, 0, h, TJPF_RGB, &out, &outSize, TJSAMP_420, 70, 0) != 0) {
        tjFree(out);
        return false;
    }
    *uri = "data:image/jpeg;base64," + Base64(out, outSize);
    tjFree(out);
    return true;
}

}  // namespace

std::string Base64(const unsigned char* data, size_t size) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    for (size_t i = 0; i < size; i += 3) {
        unsigned v = static_cast<unsigned>(data[i]) << 16;
        if (i + 1 < size) v |= static_cast<unsigned>(data[i + 1]) << 8;
        if (i + 2 < size) v |= data[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < size ? kAlphabet[(v >> 6) & 63] : '=';
        out += i + 2 < size ? kAlphabet[v & 63] : '=';
    }
    return out;
}

bool FindPathNoCase(const std::string& root, const std::vector<std::string>& parts, std::string* found) {
    std::string path = root;
    bool ok = true;
    for (const std::string& part : parts) {
        std::string next = path + "/" + part;
        if (ok) {
            std::error_code ec;
            ok = false;
            for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
                std::string name = it->path().filename().string();
                if (SameNoCase(name, part)) {
                    next = path + "/" + name;
                    ok = true;
                    break;
                }
            }
        }
        path = next;
    }
    *found = path;
    return ok;
}

std::vector<WallpaperImage> BuildContactSheet(EngineQuery& query, int thumbWidth) {
    host::Image& image = query.image();
    std::vector<WallpaperSource> sources = query.WallpaperSources();
    // By picture, then variant, then size, as the sheet lays them out.
    std::stable_sort(sources.begin(), sources.end(), [](const WallpaperSource& a, const WallpaperSource& b) {
        return std::tie(a.stem, a.variant) < std::tie(b.stem, b.variant);
    });
    std::vector<WallpaperImage> sheet;
    for (const WallpaperSource& source : sources) {
        WallpaperImage img;
        img.wallpaper = source.stem;
        img.variant = source.variant.substr(source.variant.find_first_not_of('\\') == std::string::npos
                                                ? source.variant.size()
                                                : source.variant.find_first_not_of('\\'));
        img.sizeName = std::to_string(source.width) + "x" + std::to_string(source.height);
        host::MappedPath path;
        bool mapped = image.MapPath(ImageFromUtf8(source.winPath).c_str(), &path) == 0;
        img.hostPath = mapped && !path.inMemory && !image.dir().empty() ? Utf8FromHost(path.host) : source.winPath;
        img.exists = mapped && path.regular;
        std::string bytes;
        DWORD err = img.exists ? image.ReadFile(path, &bytes, kThumbnailSourceLimit) : 0;
        TjHandle dec(tjInitDecompress());
        int subsamp = 0;
        int colorspace = 0;
        img.readable = img.exists && err == 0 && dec &&
                       tjDecompressHeader3(dec.get(), reinterpret_cast<const unsigned char*>(bytes.data()),
                                           static_cast<unsigned long>(bytes.size()), &img.width, &img.height, &subsamp,
                                           &colorspace) == 0 &&
                       img.width > 0 && img.height > 0 &&
                       MakeThumbnail(bytes, img.width, img.height, thumbWidth, &img.thumbnail);
        int w = static_cast<int>(source.width), h = static_cast<int>(source.height);
        if (!img.exists) {
            img.problem = "missing";
        } else if (err != 0) {
            img.problem = "too large to show";
        } else if (!img.readable) {
            img.problem = "not a readable JPEG";
        } else if (!(img.width == w && img.height == h) && !(img.width == h && img.height == w)) {
            img.problem = std::to_string(img.width) + "x" + std::to_string(img.height) + ", not " + img.sizeName;
        }
        sheet.push_back(img);
    }
    return sheet;
}

}  // namespace author
