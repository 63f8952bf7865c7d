#pragma once
// PNG pictures through libpng: 8- or 16-bit grey, grey+alpha, RGB, RGBA or
// palette in; RGBA of the image's depth out.

#include <cstdio>
#include <string>

#include "image/Image.h"

namespace kvtool {

bool ReadPng(const std::string& path, Image& image, std::string* error);
// Into a stream open for writing; the caller finishes the file.
bool WritePng(std::FILE* file, const Image& image, std::string* error);
// Creates, writes, syncs and closes `path`, checking every step.
bool WritePng(const std::string& path, const Image& image, std::string* error);

}  // namespace kvtool
