#include "identify/edid.h"

#include <cstring>

#include "base/bounded.h"

namespace {

const char kDisplayEnum[] = "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY";

// Room for the base block and every extension block an EDID can announce (at most 255),
// so a monitor with more than one extension is read, not refused.
BYTE s_edid[128 * 256];

}  // namespace

bool DecodeEdidBlock(const BYTE* b, size_t size, int32_t* nRev, int32_t* nPass, DWORD* dwWidth, DWORD* dwHeight,
                     int32_t* nDisplayType) {
    if (b == nullptr || size < kEdidBytesUsed) return false;
    *dwWidth = b[0x38] + 256u * (b[0x3A] >> 4);
    *dwHeight = b[0x3B] + 256u * (b[0x3D] >> 4);
    if (!(b[0x14] & 0x80)) {
        *nDisplayType = kEdidCrt;
    } else {
        *nDisplayType = (b[0x14] & 0x01) ? kEdidFlatPanel : kEdidLcd;
    }
    *nPass = b[0x13];
    if (*nDisplayType == kEdidLcd) {
        *nRev = b[0x12];
    } else if (b[0x12] == 1 && b[0x13] == 3) {
        *nRev = 1;
    }
    return true;
}

LONG ReadRegistryValue(HKEY hRoot, const char* szSubKey, const char* szValueName, DWORD* pdwType, BYTE* pData,
                       DWORD* pcbData) {
    HKEY hKey = nullptr;
    LONG result = RegOpenKeyExA(hRoot, szSubKey, 0, KEY_READ, &hKey);
    if (result != ERROR_SUCCESS) return result;
    result = RegQueryValueExA(hKey, szValueName, nullptr, pdwType, pData, pcbData);
    RegCloseKey(hKey);
    return result;
}

void GetEDIDData(const char* pnpIDStr, int32_t* nRev, int32_t* nPass, DWORD* dwWidth, DWORD* dwHeight,
                 int32_t* nDisplayType) {
    GetEDIDDataEx(pnpIDStr, nRev, nPass, dwWidth, dwHeight, nDisplayType, nullptr);
}

void GetEDIDDataEx(const char* pnpIDStr, int32_t* nRev, int32_t* nPass, DWORD* dwWidth, DWORD* dwHeight,
                   int32_t* nDisplayType, char* szInstanceUsed) {
    char szModelKey[260];
    if (!FormatText(szModelKey, "%s\\%s", kDisplayEnum, pnpIDStr)) return;
    HKEY hModel = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, szModelKey, 0, KEY_READ, &hModel) != ERROR_SUCCESS) return;

    char szInstance[260] = "";
    char szPrevious[260] = "";
    for (DWORD index = 0;; ++index) {
        CopyText(szPrevious, szInstance);
        DWORD cchName = sizeof(szInstance);
        FILETIME ftLastWrite;
        LONG result = RegEnumKeyExA(hModel, index, szInstance, &cchName, nullptr, nullptr, nullptr, &ftLastWrite);
        // A failed call leaves the name as it was; that is how the end of the walk shows.
        if (lstrcmpA(szInstance, szPrevious) == 0) break;

        char szParams[260];
        if (FormatText(szParams, "%s\\%s\\%s\\Device Parameters", kDisplayEnum, pnpIDStr, szInstance)) {
            DWORD dwType = REG_BINARY;
            DWORD cbEdid = sizeof(s_edid);
            // Only bytes really read for this instance are decoded. A value shorter than
            // a whole block still holds every field up to 0x3D and is decoded from them; a
            // missing value, one too long for the buffer, or one that ends before 0x3D
            // leaves the values of the last instance that could be read.
            if (ReadRegistryValue(HKEY_LOCAL_MACHINE, szParams, "EDID", &dwType, s_edid, &cbEdid) == ERROR_SUCCESS &&
                cbEdid >= kEdidBytesUsed) {
                DecodeEdidBlock(s_edid, cbEdid, nRev, nPass, dwWidth, dwHeight, nDisplayType);
                if (szInstanceUsed != nullptr) CopyTextN(szInstanceUsed, 260, szInstance);
            }
        }
        if (result == ERROR_NO_MORE_ITEMS) break;
    }
    RegCloseKey(hModel);
}
