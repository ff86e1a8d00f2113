// The two language identifiers, from the image's [Locale] (hex; 0409 when absent).
#include <cstdlib>
#include <string>

#include "platform/host/machine.h"
#include "platform/win32.h"

namespace {
LANGID LangFromImage(const char* key) {
    std::string value;
    if (!host::MachineValue("Locale", key, &value) || value.empty()) return 0x0409;
    return static_cast<LANGID>(strtoul(value.c_str(), nullptr, 16) & 0xFFFFu);
}
}  // namespace

LANGID WINAPI GetUserDefaultLangID(void) { return LangFromImage("UserDefaultLangID"); }

LANGID WINAPI GetSystemDefaultUILanguage(void) { return LangFromImage("SystemDefaultUILanguage"); }
