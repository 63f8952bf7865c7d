#pragma once
// OpenEXR pictures through the OpenEXR library, as float RGBA.
//
// Reading takes the R, G, B and A channels of the first part whatever their
// pixel type (half, float or uint), or a lone Y channel as grey; a missing
// alpha reads as 1. The data window gives the picture's size. Writing makes
// a scan-line file of 32-bit float R, G, B and A with ZIP compression.

#include <cstdio>
#include <string>

#include "image/FloatImage.h"

namespace kvtool {

bool ReadExr(const std::string& path, FloatImage& image, std::string* error);
// Into a stream open for writing; the caller finishes the file.
bool WriteExr(std::FILE* file, const FloatImage& image, std::string* error);
// Creates, writes, syncs and closes `path`, checking every step.
bool WriteExr(const std::string& path, const FloatImage& image, std::string* error);

}  // namespace kvtool
