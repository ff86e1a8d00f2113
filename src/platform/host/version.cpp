// The version functions over real PE files in the image: the block handed out is the
// file's RT_VERSION resource as it stands, and "\" finds its fixed file information.
#include <cstring>
#include <string>

#include "platform/host/machine.h"
#include "formats/pe_version.h"
#include "platform/win32.h"

namespace {

constexpr DWORD kResourceTypeNotFound = 1813;  // ERROR_RESOURCE_TYPE_NOT_FOUND

// The version resource of the file at a Windows path, or an error code.
DWORD LoadVersionResource(LPCSTR lptstrFilename, std::string* resource) {
    host::MappedPath path;
    if (DWORD err = host::MapPath(lptstrFilename, &path)) return err;
    if (!path.exists) return path.parentFolder ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    std::string bytes;
    if (host::CurrentImage()->ReadFile(path, &bytes) != 0) return ERROR_ACCESS_DENIED;
    size_t offset = 0;
    size_t length = 0;
    if (!formats::FindVersionResource(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &offset, &length)) {
        return kResourceTypeNotFound;
    }
    resource->assign(bytes, offset, length);
    return 0;
}

}  // namespace

DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle) {
    if (lpdwHandle) *lpdwHandle = 0;
    std::string resource;
    if (DWORD err = LoadVersionResource(lptstrFilename, &resource)) {
        SetLastError(err);
        return 0;
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(resource.size());
}

BOOL WINAPI GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD, DWORD dwLen, LPVOID lpData) {
    std::string resource;
    if (lpData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (DWORD err = LoadVersionResource(lptstrFilename, &resource)) {
        SetLastError(err);
        return FALSE;
    }
    memcpy(lpData, resource.data(), resource.size() < dwLen ? resource.size() : dwLen);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

// Only the root block "\" is offered: the engine asks for nothing else.
BOOL WINAPI VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen) {
    if (pBlock == nullptr || lpSubBlock == nullptr || lplpBuffer == nullptr || strcmp(lpSubBlock, "\\") != 0) {
        return FALSE;
    }
    const uint8_t* block = static_cast<const uint8_t*>(pBlock);
    size_t total = block[0] | (block[1] << 8);  // the block's own length bounds the search
    size_t offset = 0;
    if (!formats::FindFixedFileInfo(block, total, &offset)) return FALSE;
    *lplpBuffer = const_cast<uint8_t*>(block + offset);
    if (puLen) *puLen = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}
