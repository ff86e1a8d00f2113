// Feeds arbitrary bytes to the .reg parser. What parses must write back to a file that
// parses to the same registry.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "formats/reg_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    formats::Registry reg;
    std::string error;
    if (!formats::ParseRegText(bytes, &reg, &error)) return 0;
    std::string once = formats::FormatRegText(reg);
    formats::Registry again;
    if (!formats::ParseRegText(once, &again, &error)) abort();
    if (formats::FormatRegText(again) != once) abort();
    return 0;
}
