#pragma once
// Netpbm PAM pictures (the "P7" form with TUPLTYPE RGB_ALPHA or RGB, MAXVAL
// 255 or 65535): a header of text lines, then samples, 16-bit ones most
// significant byte first. The Windows build of the tools has no PNG library,
// so it reads and writes this form.

#include <cstdio>
#include <string>

#include "image/Image.h"

namespace kvtool {

bool ReadPam(const std::string& path, Image& image, std::string* error);
// Into a stream open for writing; the caller finishes the file.
bool WritePam(std::FILE* file, const Image& image, std::string* error);
// Creates, writes, syncs and closes `path`, checking every step.
bool WritePam(const std::string& path, const Image& image, std::string* error);

}  // namespace kvtool
