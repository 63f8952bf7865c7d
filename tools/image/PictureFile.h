#pragma once
// Any picture file the tools read or write, as integer samples (PNG, PAM) or
// floats (OpenEXR). The file type is passed apart from the path, so a
// picture can be written under a temporary name and renamed afterwards.

#include <cstdio>
#include <string>

#include "image/FloatImage.h"
#include "image/Image.h"

namespace kvtool {

enum class PictureType { Unknown, Png, Pam, Exr };

// By the name's extension, in any letter case.
PictureType PictureTypeOf(const std::string& path);
// Whether this build reads and writes the type (PNG needs libpng, EXR
// OpenEXR; Debian has neither for mingw, so the Windows tools use PAM).
bool PictureTypeBuilt(PictureType type);
const char* PictureTypeName(PictureType type);

struct Picture {
    bool isFloat = false;
    Image samples;       // when !isFloat: 8 or 16 bits
    FloatImage floats;   // when isFloat

    int width() const { return isFloat ? floats.width : samples.width; }
    int height() const { return isFloat ? floats.height : samples.height; }
};

bool ReadPicture(const std::string& path, Picture& picture, std::string* error);

// Integer files take float pictures as 16-bit samples (clamped to 0..1); EXR
// takes integer pictures as their fractions of full scale.
// `file` is a stream open for writing, which the caller finishes
// (FinishFile); the path form creates, writes, syncs and closes the file,
// checking every step, and removes it when any fails.
bool WritePicture(std::FILE* file, PictureType type, const Picture& picture, std::string* error);
bool WritePicture(const std::string& path, PictureType type, const Picture& picture, std::string* error);

}  // namespace kvtool
