#pragma once
// Reader for LUT files in the common ".cube" text format: a 3D table, a 1D
// table, or a 1D table applied before a 3D one.

#include <string>
#include <string_view>

#include "lut_engine/Lut3D.h"

namespace kv {

// Fills `lut` (the cube's size, data in file order and domain; the 1D
// stage's size, entries and input range) from the bytes of a .cube file. Returns false for bad input and, when `error` is given, assigns one
// of the fixed messages of ReaderMessages.h to it; `lut` must then be
// discarded. Never throws for bad input and reads nothing beyond text.size().
bool ReadCubeFile(std::string_view text, Lut3D& lut, std::string* error = nullptr);

}  // namespace kv
