// The one code page of the images: Windows-1252, the ANSI code page of the machines we
// brand, and the Unicode forms text meets on its way in and out (UTF-16LE files, and
// UTF-8 for everything the tools write). Every conversion in the project is one of these.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace formats {

// The Unicode code point of one Windows-1252 byte. The five bytes the code page leaves
// undefined map to the control characters of the same number, as Windows maps them, so
// every byte has a character of its own and no two bytes share one.
uint32_t UnicodeFromAnsi(unsigned char byte);

// The Windows-1252 byte of a code point; false when the code page has none.
bool AnsiFromUnicode(uint32_t codePoint, char* byte);

// Windows-1252 text as UTF-8: lossless, so a changed byte is a changed character.
std::string AnsiToUtf8(std::string_view ansi);
// UTF-8 text in Windows-1252; a character without an ANSI form becomes '?', as the A
// functions of Windows show it.
std::string Utf8ToAnsi(std::string_view utf8);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string* out, uint32_t codePoint);
// The next code point of UTF-8 text at *i, advancing it; a malformed byte reads as
// U+FFFD and is stepped over, so text from elsewhere cannot derail the walk.
uint32_t NextUtf8(std::string_view text, size_t* i);
// True when the bytes are well-formed UTF-8.
bool IsUtf8(std::string_view text);

// A file that starts with the UTF-16LE byte-order mark FF FE.
bool IsUtf16LeFile(std::string_view bytes);
// The text of such a file as UTF-8, the mark left out. Unpaired surrogates pass through
// as their own three-byte forms, so nothing is lost either way; an odd last byte is no
// character.
std::string Utf16FileToUtf8(std::string_view bytes);
// UTF-8 text as a UTF-16LE file, with the mark.
std::string Utf8ToUtf16File(std::string_view text);

// UTF-16LE code units (no mark) to Windows-1252 and back, as the A functions of Windows
// convert; a unit without an ANSI form becomes '?'.
std::string Utf16LeToAnsi(std::string_view units);
std::string AnsiToUtf16Le(std::string_view ansi);

}  // namespace formats
