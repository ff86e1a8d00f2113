// The one text boundary of the tools. Text inside a machine image is Windows-1252 (a
// UTF-16LE file is decoded as the engine decodes it); everything the tools write for
// people or programs is UTF-8, made by the one lossless conversion below, so a changed
// byte is a changed character in every format.
#pragma once

#include <string>
#include <string_view>

namespace author {

// Text from an image (Windows-1252) as UTF-8.
std::string Utf8FromImage(std::string_view ansi);

// Text a person gave a tool (UTF-8) in the image's code page, as the engine would see it
// typed on the machine; a character without a Windows-1252 form becomes '?'. Bytes that
// are not UTF-8 are taken as Windows-1252 already.
std::string ImageFromUtf8(std::string_view text);

// A host path (a file name on this machine), or a text a person gave, as UTF-8: kept
// where it is UTF-8, each other byte taken as Windows-1252 (the engine names files in
// that code page, and a list exported from a machine is in it).
std::string Utf8FromHost(std::string_view path);

// UTF-8 text in double quotes for a text line, with control characters escaped (\t, \r,
// \n, \xNN), so that one line stays one line and what it holds can be seen.
std::string Quoted(std::string_view utf8);

}  // namespace author
