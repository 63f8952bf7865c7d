#pragma once
// The LUT files users bring: ".cube" and ".3dl", told apart by the name.

#include <string>
#include <string_view>

#include "lut_engine/Lut3D.h"

namespace kv {

// True when `fileName` ends in ".3dl" (any case).
bool Is3dlFileName(std::string_view fileName);

// Reads `text` with the .3dl reader when `fileName` names a .3dl file and
// with the .cube reader otherwise; the readers' contract holds.
bool ReadLutFile(std::string_view fileName, std::string_view text, Lut3D& lut, std::string* error = nullptr);

}  // namespace kv
