#include "smbios.h"

#include <cstring>

namespace {

constexpr size_t kRawHeaderSize = 8;     // RawSMBIOSData before the table
constexpr size_t kStructHeaderSize = 4;  // type, length, 16-bit handle

constexpr uint8_t kTypeSystem = 1;
constexpr uint8_t kTypeBaseboard = 2;
constexpr uint8_t kTypeEndOfTable = 127;

constexpr size_t kSystemProductName = 0x05;
constexpr size_t kSystemSkuNumber = 0x19;
constexpr size_t kBoardProduct = 0x05;

// A control byte is shown as a space, so it counts as a blank when trimming too.
bool IsBlank(uint8_t c) {
    return c == ' ' || c < 0x20;
}

// The one place a text enters a fixed buffer: blanks at the front are skipped before
// the cut, so padding never costs room, and the trailing ones are dropped after it,
// so a cut in the middle of a gap does not leave a blank at the end.
void CleanCopy(const uint8_t* src, size_t len, char* dst, size_t room) {
    size_t begin = 0;
    while (begin < len && IsBlank(src[begin])) ++begin;
    size_t used = 0;
    for (size_t i = begin; i < len && used + 1 < room; ++i) {
        dst[used++] = src[i] < 0x20 ? ' ' : static_cast<char>(src[i]);
    }
    while (used > 0 && dst[used - 1] == ' ') --used;
    dst[used] = '\0';
}

// One structure of the table: its formatted area and the bytes of its string set
// (without the set's closing NUL when the set is properly closed).
struct Structure {
    const uint8_t* fields;
    size_t length;
    const uint8_t* strings;
    size_t stringsSize;
};

// Copies the string that the byte at `offset` of the formatted area refers to; a field
// outside the structure, index 0, an index past the last string, or a string that the
// table's end cuts off all give the empty text.
void TakeString(const Structure& s, size_t offset, char* dst, size_t room) {
    dst[0] = '\0';
    if (offset >= s.length) return;
    unsigned index = s.fields[offset];
    if (index == 0) return;
    size_t pos = 0;
    for (unsigned n = 1;; ++n) {
        // An empty string can only be the set's terminator: the strings have run out.
        if (pos >= s.stringsSize || s.strings[pos] == 0) return;
        const void* nul = memchr(s.strings + pos, 0, s.stringsSize - pos);
        if (nul == nullptr) return;
        size_t len = static_cast<size_t>(static_cast<const uint8_t*>(nul) - (s.strings + pos));
        if (n == index) {
            CleanCopy(s.strings + pos, len, dst, room);
            return;
        }
        pos += len + 1;
    }
}

uint32_t ReadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

bool ParseSmbios(const uint8_t* data, size_t size, SmbiosInfo* out) {
    out->szProductName[0] = '\0';
    out->szSkuNumber[0] = '\0';
    out->szBoardProduct[0] = '\0';
    if (data == nullptr || size < kRawHeaderSize) return false;

    // The version bytes are not consulted: a structure's own length is what says which
    // fields it carries, whatever version the header claims.
    // A table length beyond what we were handed is believed only as far as the bytes go.
    const uint8_t* table = data + kRawHeaderSize;
    size_t tableSize = ReadLe32(data + 4);
    if (tableSize > size - kRawHeaderSize) tableSize = size - kRawHeaderSize;

    bool haveSystem = false;
    bool haveBoard = false;
    size_t pos = 0;
    // Each pass moves pos past at least the 4-byte header, so no table can loop us.
    while (tableSize - pos >= kStructHeaderSize) {
        uint8_t type = table[pos];
        size_t length = table[pos + 1];
        // Below the header size or past the end, the next structure cannot be found.
        if (length < kStructHeaderSize || length > tableSize - pos) break;

        Structure s;
        s.fields = table + pos;
        s.length = length;
        s.strings = table + pos + length;
        size_t setStart = pos + length;
        size_t end = setStart;
        while (end + 1 < tableSize && !(table[end] == 0 && table[end + 1] == 0)) ++end;
        bool closed = end + 1 < tableSize;
        // Unclosed, the set runs to the table's end; strings whose own NUL lies inside
        // still count, but where the next structure starts is anyone's guess.
        s.stringsSize = closed ? end + 1 - setStart : tableSize - setStart;

        if (type == kTypeEndOfTable) break;
        if (type == kTypeSystem && !haveSystem) {
            haveSystem = true;
            TakeString(s, kSystemProductName, out->szProductName, sizeof(out->szProductName));
            TakeString(s, kSystemSkuNumber, out->szSkuNumber, sizeof(out->szSkuNumber));
        } else if (type == kTypeBaseboard && !haveBoard) {
            haveBoard = true;
            TakeString(s, kBoardProduct, out->szBoardProduct, sizeof(out->szBoardProduct));
        }
        if (!closed) break;
        pos = end + 2;
    }
    return haveSystem;
}

void CopyModelName(const SmbiosInfo& info, char* dst) {
    const char* src = info.szProductName;
    CleanCopy(reinterpret_cast<const uint8_t*>(src), strnlen(src, sizeof(info.szProductName)), dst,
              kModelNameRoom);
}

void CopyMachineId(const SmbiosInfo& info, char* dst) {
    const char* src = info.szSkuNumber[0] != '\0' ? info.szSkuNumber : info.szBoardProduct;
    CleanCopy(reinterpret_cast<const uint8_t*>(src), strnlen(src, kModelNameRoom), dst,
              kMachineIdRoom);
}
