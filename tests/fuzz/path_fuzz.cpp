// Feeds arbitrary Windows paths to the path mapper. Whatever the path holds (.., dots,
// spaces, separators of both kinds, drive letters, device-like names), a path that maps
// must land inside the image's drive_c folder, with no component that climbs or stays.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_image.h"
#include "platform/host/machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        fuzz_image::Put("drive_c/Windows/System32/x.dll", "");
        fuzz_image::Put("drive_c/Program Files/Corvane/Facet/Facet.log", "");
        fuzz_image::Open();
        return true;
    }();
    (void)ready;
    std::string path(reinterpret_cast<const char*>(data), size);
    path = path.substr(0, path.find('\0'));
    host::MappedPath mapped;
    DWORD err = host::MapPath(path.c_str(), &mapped);
    if (err != 0) {
        if (err != ERROR_PATH_NOT_FOUND && err != ERROR_INVALID_NAME && err != ERROR_FILENAME_EXCED_RANGE) abort();
        return 0;
    }
    const std::string root = fuzz_image::Dir() + "/drive_c";
    if (mapped.host.compare(0, root.size(), root) != 0) abort();
    std::string rest = mapped.host.substr(root.size());
    if (!rest.empty() && rest[0] != '/') abort();
    // Every component below drive_c is a real name: never empty, ".", ".." or holding a
    // backslash that the host would take as part of a name.
    size_t at = 0;
    while (at < rest.size()) {
        size_t next = rest.find('/', at + 1);
        std::string part = rest.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
        if (part.empty() || part == "." || part == ".." || part.find('\\') != std::string::npos) abort();
        at = next == std::string::npos ? rest.size() : next;
    }
    if (mapped.normalized.compare(0, 3, "c:\\") != 0) abort();
    return 0;
}
