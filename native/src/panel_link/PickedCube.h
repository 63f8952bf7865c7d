#pragma once
// What a LUT file picked with "Change LUT" gives besides its LUT: the name
// the match is shown by, the match id the panel left in it, whether its
// input ranges can be used, and how its tables are named to the user.

#include <cstdint>
#include <string>
#include <string_view>

#include "lut_engine/Lut3D.h"
#include "lut_engine/LutFormats.h"

namespace kv {

// The signed decimal number after the first "# Kromvale match " anywhere in
// the file, read like atoi (leading white space, a sign, digits up to the
// first non-digit; 0 without digits). 0 without the marker, and 0 for a
// number outside the 32-bit range rather than a wrapped or clamped id.
int32_t MatchIdFromCube(std::string_view bytes);

// True when every table that `lut` has maps its input range with finite
// arithmetic: both bounds finite, min below max, and max - min itself finite
// in float (a wider range would put every input on the first entry). Any
// such range is taken as it is; nothing is rescaled.
bool HasUsableRanges(const Lut3D& lut);

// The tables as the log and the button name them: "33^3" for a cube alone,
// "4096 + 33^3" for a 1D stage before a cube, "4096" for a 1D stage alone,
// the kind and its step count for a process list ("CLF, 4 steps");
// video-range maps add ", video-range input", ", video-range output" or
// ", video range in and out".
std::string LutTablesText(const Lut3D& lut);

}  // namespace kv
