#pragma once
// Reader for 3D LUT files in the common ".cube" text format.

#include <string>
#include <string_view>

#include "lut_engine/Lut3D.h"

namespace kv {

// Fills `lut` (size, data in file order, domain) from the bytes of a .cube
// file. Returns false for bad input and, when `error` is given, assigns one
// of the fixed messages of ReaderMessages.h to it; `lut` must then be
// discarded. Never throws for bad input and reads nothing beyond text.size().
bool ReadCubeFile(std::string_view text, Lut3D& lut, std::string* error = nullptr);

}  // namespace kv
