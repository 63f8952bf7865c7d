#pragma once
// Reads and writes a picture by its file name's extension: ".png" (where the
// build has libpng) or ".pam".

#include <string>

#include "image/Image.h"

namespace kvtool {

bool ReadImage(const std::string& path, Image& image, std::string* error);
bool WriteImage(const std::string& path, const Image& image, std::string* error);
bool PngSupported();

}  // namespace kvtool
