// A scratch machine image for the fuzz targets that go through the stand-ins: made once
// per process in a temporary folder, with the files and folders a target asks for.
#pragma once

#include <string>

namespace fuzz_image {

// The image folder (created on first use, with drive_c/ and an empty machine.ini).
const std::string& Dir();

// Writes a file of the image (path relative to the image folder, '/' separated).
void Put(const std::string& rel, const std::string& bytes);

// Reads a file of the image; empty when it cannot be read.
std::string Get(const std::string& rel);

// Opens the image for the stand-ins; aborts when it cannot, since every target needs it.
void Open();

}  // namespace fuzz_image
