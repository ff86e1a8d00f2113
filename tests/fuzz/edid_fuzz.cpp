// Feeds arbitrary bytes, of any length, to the EDID block decoder.
#include <cstdint>
#include <cstdlib>

#include "identify/edid.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int32_t nRev = -1;
    int32_t nPass = -1;
    DWORD dwWidth = 0xFFFFFFFF;
    DWORD dwHeight = 0xFFFFFFFF;
    int32_t nDisplayType = kEdidNone;
    bool decoded = DecodeEdidBlock(data, size, &nRev, &nPass, &dwWidth, &dwHeight, &nDisplayType);
    if (decoded != (size >= kEdidBytesUsed)) abort();
    if (!decoded) return 0;
    if (dwWidth > 4095 || dwHeight > 4095 || nPass < 0 || nPass > 255) abort();
    if (nDisplayType != kEdidLcd && nDisplayType != kEdidCrt && nDisplayType != kEdidFlatPanel) abort();
    if (nDisplayType == kEdidLcd && (nRev < 0 || nRev > 255)) abort();
    return 0;
}
