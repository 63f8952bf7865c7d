#pragma once
// The LUT files users bring, read by the reader their name's extension
// picks (LutFormats.h).

#include <cstdint>
#include <string>
#include <string_view>

#include "lut_engine/Lut3D.h"
#include "lut_engine/LutFormats.h"

namespace kv {

// Files larger than this are refused before they are read: the largest LUT
// that LUT text carries (129^3 nodes and 65536 1D entries) takes about
// 100 MB even at 48 characters a line.
inline constexpr uint64_t kMaxLutFileBytes = uint64_t{256} << 20;

// What a file held besides its LUT, for the log.
struct LutFileInfo {
    LutFileKind kind = LutFileKind::kCube;
    std::string correctionId;     // CDL files: the id of the correction taken
    int32_t correctionCount = 0;  // CDL files: how many corrections the file held
};

// Reads `text` with the reader of `fileName`'s format: .cube (3D tables up
// to the size LUT text carries), .3dl, or one of the process-list formats
// (CLF, ASC CDL, .spi1d, .spi3d), whose list becomes the LUT's steps. The
// readers' contract holds: false with a fixed message for bad input, never
// a read past the text.
bool ReadLutFile(std::string_view fileName, std::string_view text, Lut3D& lut, std::string* error = nullptr,
                 LutFileInfo* info = nullptr);

}  // namespace kv
