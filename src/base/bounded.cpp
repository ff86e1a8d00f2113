#include "base/bounded.h"

#include <cstdio>
#include <cstring>

bool CopyTextN(char* dst, size_t n, const char* src) {
    if (n == 0) return false;
    size_t len = strlen(src);
    bool fits = len < n;
    if (!fits) len = n - 1;
    memmove(dst, src, len);
    dst[len] = '\0';
    return fits;
}

bool AppendTextN(char* dst, size_t n, const char* src) {
    if (n == 0) return false;
    size_t used = strnlen(dst, n);
    if (used >= n) {  // not terminated within its room: terminate it rather than run on
        dst[n - 1] = '\0';
        return false;
    }
    return CopyTextN(dst + used, n - used, src);
}

bool FormatTextN(char* dst, size_t n, const char* fmt, ...) {
    if (n == 0) return false;
    va_list args;
    va_start(args, fmt);
    int written = vsnprintf(dst, n, fmt, args);
    va_end(args);
    if (written < 0) {
        dst[0] = '\0';
        return false;
    }
    return static_cast<size_t>(written) < n;
}
