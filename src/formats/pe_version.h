// The version resource of a PE file (32- or 64-bit), read from its bytes: the
// RT_VERSION resource, and the fixed file information inside a version block.
#pragma once

#include <cstddef>
#include <cstdint>

namespace formats {

// Where the first RT_VERSION resource lies in the file. False when the bytes are not a
// PE image or it has no such resource; every offset is checked against the file's size.
bool FindVersionResource(const uint8_t* data, size_t size, size_t* offset, size_t* length);

// Where the VS_FIXEDFILEINFO (52 bytes, signature 0xFEEF04BD) of a version block lies.
// The block's own length field, cut to `size`, bounds the search.
bool FindFixedFileInfo(const uint8_t* block, size_t size, size_t* offset);

// The four numbers of a PE file's file version (dwFileVersionMS high and low word, then
// dwFileVersionLS), read from the file's bytes. False when it has no version resource.
bool ReadFileVersion(const uint8_t* data, size_t size, uint16_t (&version)[4]);

}  // namespace formats
