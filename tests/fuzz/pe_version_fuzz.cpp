// Feeds arbitrary bytes to the PE version-resource reader, as a whole file and as a
// version block: whatever it finds must lie inside the bytes it was given.
#include <cstdint>
#include <cstdlib>

#include "formats/pe_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t offset = 0;
    size_t length = 0;
    if (formats::FindVersionResource(data, size, &offset, &length)) {
        if (offset > size || length > size - offset) abort();
        size_t fixed = 0;
        if (formats::FindFixedFileInfo(data + offset, length, &fixed) && (fixed > length || length - fixed < 52)) abort();
    }
    size_t fixed = 0;
    if (formats::FindFixedFileInfo(data, size, &fixed) && (fixed > size || size - fixed < 52)) abort();
    return 0;
}
