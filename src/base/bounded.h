// Bounded copies, joins and formatting into fixed char buffers. Every helper takes the
// room from the array itself where it can and reports whether the text was cut, so no
// caller ever writes past a field, whatever the machine hands us.
#pragma once

#include <cstdarg>
#include <cstddef>

// Copies src into dst (room n, n > 0), cutting it to n - 1 characters.
// Returns true when the whole text fitted.
bool CopyTextN(char* dst, size_t n, const char* src);

// Appends src to the text in dst (room n). A cut append still leaves a terminated text.
bool AppendTextN(char* dst, size_t n, const char* src);

// printf-style formatting into dst (room n); returns true when nothing was cut.
bool FormatTextN(char* dst, size_t n, const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// The array forms: the room is the array's own size, and a pointer does not compile.
template <size_t N>
inline bool CopyText(char (&dst)[N], const char* src) {
    return CopyTextN(dst, N, src);
}

template <size_t N>
inline bool AppendText(char (&dst)[N], const char* src) {
    return AppendTextN(dst, N, src);
}

#define FormatText(dst, ...) FormatTextN((dst), sizeof(dst) + 0 * sizeof(ArrayRoomCheck(dst)), __VA_ARGS__)

// Only arrays bind to this, so FormatText on a pointer is a compile error.
template <size_t N>
char (&ArrayRoomCheck(char (&)[N]))[N];
