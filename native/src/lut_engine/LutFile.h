#pragma once
// The LUT files users bring: ".cube" and ".3dl", told apart by the name.

#include <cstdint>
#include <string>
#include <string_view>

#include "lut_engine/Lut3D.h"

namespace kv {

// True when `fileName` ends in ".3dl" (any case).
bool Is3dlFileName(std::string_view fileName);

// Files larger than this are refused before they are read: the largest LUT
// that LUT text carries (129^3 nodes and 65536 1D entries) takes about
// 100 MB even at 48 characters a line.
inline constexpr uint64_t kMaxLutFileBytes = uint64_t{256} << 20;

// Reads `text` with the .3dl reader when `fileName` names a .3dl file and
// with the .cube reader otherwise, taking 3D tables only up to the size LUT
// text carries; the readers' contract holds.
bool ReadLutFile(std::string_view fileName, std::string_view text, Lut3D& lut, std::string* error = nullptr);

}  // namespace kv
