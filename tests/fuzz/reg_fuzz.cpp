// Feeds arbitrary bytes to the .reg parser. What parses must write back to a file that
// parses to the same registry.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/host/registry_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    host::Registry reg;
    std::string error;
    if (!host::ParseRegText(bytes, &reg, &error)) return 0;
    std::string once = host::FormatRegText(reg);
    host::Registry again;
    if (!host::ParseRegText(once, &again, &error)) abort();
    if (host::FormatRegText(again) != once) abort();
    return 0;
}
