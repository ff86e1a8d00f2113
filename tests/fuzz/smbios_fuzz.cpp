// Any bytes as the firmware table: the reader must stay inside the blob, and what it
// hands the library's callers must be terminated within their rooms, cleaned and trimmed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "zmint/smbios.h"

namespace {

constexpr size_t kGuard = 16;

void CheckText(const char* text, size_t room) {
    size_t len = strnlen(text, room);
    if (len == room) abort();
    if (len > 0 && (text[0] == ' ' || text[len - 1] == ' ')) abort();
    for (size_t i = 0; i < len; ++i) {
        if (static_cast<unsigned char>(text[i]) < 0x20) abort();
    }
}

// Copies through one of the library's writers into a buffer with a guard band behind
// the room, which must come back untouched.
template <typename Writer>
void CheckCopy(Writer write, const SmbiosInfo& info, size_t room) {
    char buffer[kModelNameRoom + kGuard];
    memset(buffer, 0x5A, sizeof(buffer));
    write(info, buffer);
    CheckText(buffer, room);
    for (size_t i = room; i < room + kGuard; ++i) {
        if (buffer[i] != 0x5A) abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SmbiosInfo info;
    memset(&info, 0x5A, sizeof(info));
    bool found = ParseSmbios(data, size, &info);
    CheckText(info.szProductName, sizeof(info.szProductName));
    CheckText(info.szSkuNumber, sizeof(info.szSkuNumber));
    CheckText(info.szBoardProduct, sizeof(info.szBoardProduct));
    if (!found && (info.szProductName[0] != '\0' || info.szSkuNumber[0] != '\0')) abort();

    CheckCopy(CopyModelName, info, kModelNameRoom);
    CheckCopy(CopyMachineId, info, kMachineIdRoom);
    return 0;
}
