#include "formats/pe_version.h"

namespace formats {
namespace {

// Little-endian reads that refuse to go past the end.
class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool U16(size_t at, uint32_t* v) const {
        if (at > size_ || size_ - at < 2) return false;
        *v = data_[at] | (data_[at + 1] << 8);
        return true;
    }
    bool U32(size_t at, uint32_t* v) const {
        if (at > size_ || size_ - at < 4) return false;
        *v = data_[at] | (data_[at + 1] << 8) | (data_[at + 2] << 16) | (static_cast<uint32_t>(data_[at + 3]) << 24);
        return true;
    }
    size_t size() const { return size_; }

private:
    const uint8_t* data_;
    size_t size_;
};

constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr size_t kFixedSize = 52;

struct Section {
    uint32_t virtualAddress;
    uint32_t virtualSize;
    uint32_t rawSize;
    uint32_t rawPointer;
};

// File offset of an RVA, through the section that holds it.
bool RvaToOffset(const Bytes& file, size_t sectionTable, uint32_t sections, uint32_t rva, size_t* offset) {
    for (uint32_t i = 0; i < sections; ++i) {
        size_t at = sectionTable + 40 * static_cast<size_t>(i);
        Section s;
        if (!file.U32(at + 8, &s.virtualSize) || !file.U32(at + 12, &s.virtualAddress) ||
            !file.U32(at + 16, &s.rawSize) || !file.U32(at + 20, &s.rawPointer)) {
            return false;
        }
        uint32_t extent = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva - s.virtualAddress < extent) {
            uint64_t off = static_cast<uint64_t>(s.rawPointer) + (rva - s.virtualAddress);
            if (off >= file.size()) return false;
            *offset = static_cast<size_t>(off);
            return true;
        }
    }
    return false;
}

// The entry of a resource directory (at `dir`, relative to the resource section start
// `base`) with the wanted ID, or the first entry when `id` is 0. Its OffsetToData.
bool DirectoryEntry(const Bytes& file, size_t base, size_t dir, uint32_t id, uint32_t* target) {
    uint32_t named = 0;
    uint32_t ids = 0;
    if (!file.U16(base + dir + 12, &named) || !file.U16(base + dir + 14, &ids)) return false;
    uint32_t count = named + ids;
    for (uint32_t i = 0; i < count; ++i) {
        size_t entry = base + dir + 16 + 8 * static_cast<size_t>(i);
        uint32_t name = 0;
        if (!file.U32(entry, &name) || !file.U32(entry + 4, target)) return false;
        if (id == 0 || name == id) return true;
    }
    return false;
}

}  // namespace

bool FindVersionResource(const uint8_t* data, size_t size, size_t* offset, size_t* length) {
    Bytes file(data, size);
    uint32_t mz = 0;
    uint32_t peAt = 0;
    uint32_t pe = 0;
    if (!file.U16(0, &mz) || mz != 0x5A4D || !file.U32(0x3C, &peAt) || !file.U32(peAt, &pe) || pe != 0x00004550) {
        return false;
    }
    size_t coff = static_cast<size_t>(peAt) + 4;
    uint32_t sections = 0;
    uint32_t optionalSize = 0;
    uint32_t magic = 0;
    if (!file.U16(coff + 2, &sections) || !file.U16(coff + 16, &optionalSize) || !file.U16(coff + 20, &magic)) {
        return false;
    }
    size_t optional = coff + 20;
    size_t dirs = 0;
    uint32_t dirCount = 0;
    if (magic == 0x10B) {
        dirs = optional + 96;
        if (!file.U32(optional + 92, &dirCount)) return false;
    } else if (magic == 0x20B) {
        dirs = optional + 112;
        if (!file.U32(optional + 108, &dirCount)) return false;
    } else {
        return false;
    }
    uint32_t resourceRva = 0;
    if (dirCount < 3 || !file.U32(dirs + 2 * 8, &resourceRva) || resourceRva == 0) return false;
    size_t sectionTable = optional + optionalSize;
    size_t base = 0;
    if (!RvaToOffset(file, sectionTable, sections, resourceRva, &base)) return false;

    // Type, then name, then language: three levels, each a subdirectory but the last.
    uint32_t target = 0;
    if (!DirectoryEntry(file, base, 0, kRtVersion, &target) || !(target & 0x80000000u)) return false;
    if (!DirectoryEntry(file, base, target & 0x7FFFFFFFu, 0, &target) || !(target & 0x80000000u)) return false;
    if (!DirectoryEntry(file, base, target & 0x7FFFFFFFu, 0, &target) || (target & 0x80000000u)) return false;
    uint32_t dataRva = 0;
    uint32_t dataSize = 0;
    if (!file.U32(base + target, &dataRva) || !file.U32(base + target + 4, &dataSize)) return false;
    size_t at = 0;
    if (!RvaToOffset(file, sectionTable, sections, dataRva, &at) || dataSize == 0 || dataSize > size - at) {
        return false;
    }
    *offset = at;
    *length = dataSize;
    return true;
}

bool FindFixedFileInfo(const uint8_t* block, size_t size, size_t* offset) {
    Bytes bytes(block, size);
    uint32_t total = 0;
    uint32_t valueLength = 0;
    if (!bytes.U16(0, &total) || !bytes.U16(2, &valueLength)) return false;
    Bytes bounded(block, total < size ? total : size);
    // The key "VS_VERSION_INFO" in UTF-16 and its NUL, then padding to 32 bits.
    size_t at = 6;
    uint32_t unit = 1;
    while (unit != 0) {
        if (!bounded.U16(at, &unit)) return false;
        at += 2;
    }
    at = (at + 3) & ~static_cast<size_t>(3);
    uint32_t signature = 0;
    if (valueLength < kFixedSize || !bounded.U32(at, &signature) || signature != kFixedSignature ||
        bounded.size() - at < kFixedSize) {
        return false;
    }
    *offset = at;
    return true;
}

bool ReadFileVersion(const uint8_t* data, size_t size, uint16_t (&version)[4]) {
    size_t offset = 0;
    size_t length = 0;
    size_t fixed = 0;
    if (!FindVersionResource(data, size, &offset, &length) || !FindFixedFileInfo(data + offset, length, &fixed)) {
        return false;
    }
    // dwSignature, dwStrucVersion, then dwFileVersionMS and dwFileVersionLS, little-endian.
    const uint8_t* info = data + offset + fixed;
    uint32_t ms = info[8] | (info[9] << 8) | (info[10] << 16) | (static_cast<uint32_t>(info[11]) << 24);
    uint32_t ls = info[12] | (info[13] << 8) | (info[14] << 16) | (static_cast<uint32_t>(info[15]) << 24);
    version[0] = static_cast<uint16_t>(ms >> 16);
    version[1] = static_cast<uint16_t>(ms & 0xFFFF);
    version[2] = static_cast<uint16_t>(ls >> 16);
    version[3] = static_cast<uint16_t>(ls & 0xFFFF);
    return true;
}

}  // namespace formats
