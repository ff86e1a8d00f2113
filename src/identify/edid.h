// EDID blocks of a monitor model from the registry, and the decoding of one block:
// display class, version and revision, and the active size of the first detailed timing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

enum EdidDisplayType : int32_t {
    kEdidNone = 0,
    kEdidLcd = 1,
    kEdidCrt = 2,
    kEdidFlatPanel = 3
};

// The bytes of a block that the decoding reads reach offset 0x3D.
constexpr size_t kEdidBytesUsed = 0x3E;

// Decodes one block of `size` bytes (at least kEdidBytesUsed) into the five values, by the
// same rules GetEDIDData uses: nPass, dwWidth, dwHeight and nDisplayType always; nRev
// for an LCD, and for another class only when version 1 revision 3 (else left as it was).
// False, with nothing written, when the block is too short.
bool DecodeEdidBlock(const BYTE* pBlock, size_t size, int32_t* nRev, int32_t* nPass, DWORD* dwWidth,
                     DWORD* dwHeight, int32_t* nDisplayType);

// The EDID of every instance of the monitor model pnpIDStr, decoded in turn; the values
// describe the last instance that could be read. Nothing is written when the model is
// not in the registry or no instance has a readable block.
void GetEDIDData(const char* pnpIDStr, int32_t* nRev, int32_t* nPass, DWORD* dwWidth, DWORD* dwHeight,
                 int32_t* nDisplayType);

// GetEDIDData that also names the instance (a subkey of the model's key, 260 bytes) whose
// block the values describe; szInstance is left as it was when none was decoded.
void GetEDIDDataEx(const char* pnpIDStr, int32_t* nRev, int32_t* nPass, DWORD* dwWidth, DWORD* dwHeight,
                   int32_t* nDisplayType, char* szInstanceUsed);

// Opens hRoot\szSubKey, reads one value, closes the key. 0 or the Win32 error code.
LONG ReadRegistryValue(HKEY hRoot, const char* szSubKey, const char* szValueName, DWORD* pdwType, BYTE* pData,
                       DWORD* pcbData);
