#pragma once
// The fixed messages that the LUT text and .cube readers hand to their
// callers, which log them. Callers and tests compare them byte for byte.

#include <string>
#include <string_view>

namespace kv::messages {

// How a reader fails: the message goes to the caller's error text, if given.
inline bool Fail(std::string* error, std::string_view message) {
    if (error != nullptr) error->assign(message);
    return false;
}

// LUT text
inline constexpr std::string_view kBadPatternSize = "bad calibration pattern size";
inline constexpr std::string_view kBadPatternArea = "bad calibration pattern area";
inline constexpr std::string_view kNotLut3 =
    "not a Kromvale LUT (expected KVLUT3 <id> <name> <size> <lo> <hi> <data>)";
inline constexpr std::string_view kNotLut2 = "not a Kromvale LUT (expected KVLUT2 <id> <size> <lo> <hi> <data>)";
inline constexpr std::string_view kLutSizeOutOfRange = "LUT size out of range";
inline constexpr std::string_view kLutDataTruncated = "LUT data is truncated";

// .cube files
inline constexpr std::string_view kCubeSizeOutOfRange = "LUT_3D_SIZE out of range";
inline constexpr std::string_view kCube1D = "1D LUTs are not supported";
inline constexpr std::string_view kCubeMalformedLine = "malformed data line";
inline constexpr std::string_view kCubeNoSize = "no LUT_3D_SIZE";
inline constexpr std::string_view kCubeWrongCount = "wrong number of values";
inline constexpr std::string_view kCubeBadDomain = "bad DOMAIN_MIN/MAX";

// .3dl files
inline constexpr std::string_view k3dlNotReadYet = ".3dl files are not read yet";

}  // namespace kv::messages
