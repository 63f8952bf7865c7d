#pragma once
// What a .cube file picked with "Change LUT" gives besides its LUT: the name
// the match is shown by, and the match id the panel left in it.

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

// The file name without its folder (after the last backslash or slash) and
// without its last extension: "night.grade.cube" gives "night.grade", ".cube"
// gives "". Works on UTF-8 bytes; separators and dots are ASCII.
std::string LutNameFromPath(std::string_view path);

// The signed decimal number after the first "# Kromvale match " anywhere in
// the file, read like atoi (leading white space, a sign, digits up to the
// first non-digit; 0 without digits). 0 without the marker, and 0 for a
// number outside the 32-bit range rather than a wrapped or clamped id.
int32_t MatchIdFromCube(std::string_view bytes);

}  // namespace kv
