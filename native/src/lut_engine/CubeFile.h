#pragma once
// Reader for LUT files in the common ".cube" text format: a 3D table, a 1D
// table, or a 1D table applied before a 3D one.

#include <cstdint>
#include <string>
#include <string_view>

#include "lut_engine/Lut3D.h"

namespace kv {

// The most nodes per axis a .cube file's 3D table may have.
inline constexpr int32_t kMaxCubeFileSize = 256;

// Fills `lut` (the cube's size, data in file order and domain; the 1D
// stage's size, entries and input range) from the bytes of a .cube file. Returns false for bad input and, when `error` is given, assigns one
// of the fixed messages of ReaderMessages.h to it; `lut` must then be
// discarded. Never throws for bad input and reads nothing beyond text.size().
// `maxSize` (2..kMaxCubeFileSize) is the largest 3D table taken; reading
// stops once there are more values than such a table and the largest 1D
// table hold together. Video-range keywords are left in lut.videoRange.
bool ReadCubeFile(std::string_view text, Lut3D& lut, std::string* error = nullptr,
                  int32_t maxSize = kMaxCubeFileSize);

}  // namespace kv
