// FormatMessageA with the texts of English Windows for the codes the stand-ins give.
#include <cstdlib>
#include <cstring>

#include "platform/win32.h"

namespace {

struct SystemText {
    DWORD code;
    const char* text;
};

const SystemText kTexts[] = {
    {0, "The operation completed successfully.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {80, "The file exists.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {126, "The specified module could not be found.\r\n"},
    {127, "The specified procedure could not be found.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {234, "More data is available.\r\n"},
    {259, "No more data is available.\r\n"},
    {1813, "The specified resource type cannot be found in the image file.\r\n"},
};

constexpr DWORD kMessageNotFound = 317;  // ERROR_MR_MID_NOT_FOUND

}  // namespace

// Supports what the engine asks: FORMAT_MESSAGE_FROM_SYSTEM with ALLOCATE_BUFFER (the
// text in a LocalAlloc'd block handed back through lpBuffer) or into a caller's buffer.
DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD, LPSTR lpBuffer, DWORD nSize, va_list*) {
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || lpBuffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const char* text = nullptr;
    for (const SystemText& entry : kTexts) {
        if (entry.code == dwMessageId) text = entry.text;
    }
    if (text == nullptr) {
        SetLastError(kMessageNotFound);
        return 0;
    }
    size_t len = strlen(text);
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        char* copy = static_cast<char*>(malloc(len + 1));
        if (copy == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        memcpy(copy, text, len + 1);
        *reinterpret_cast<char**>(lpBuffer) = copy;
    } else {
        if (nSize < len + 1) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        memcpy(lpBuffer, text, len + 1);
    }
    return static_cast<DWORD>(len);
}
