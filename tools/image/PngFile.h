#pragma once
// PNG pictures through libpng: 8- or 16-bit grey, grey+alpha, RGB, RGBA or
// palette in; RGBA of the image's depth out.

#include <string>

#include "image/Image.h"

namespace kvtool {

bool ReadPng(const std::string& path, Image& image, std::string* error);
bool WritePng(const std::string& path, const Image& image, std::string* error);

}  // namespace kvtool
