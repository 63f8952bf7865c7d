#pragma once
// Reader for 3D LUT files in the ".3dl" text format.

#include <string>
#include <string_view>

#include "lut_engine/Lut3D.h"

namespace kv {

// Fills `lut` from the bytes of a .3dl file: the cube in .cube node order
// (red fastest), scaled to 0..1 from the file's integer codes, and a 1D stage
// when the input-positions line is not evenly spaced. Returns false for bad
// input and, when `error` is given, assigns one of the fixed messages of
// ReaderMessages.h to it; `lut` must then be discarded. Never throws for bad
// input and reads nothing beyond text.size().
bool Read3dlFile(std::string_view text, Lut3D& lut, std::string* error = nullptr);

}  // namespace kv
