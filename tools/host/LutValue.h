#pragma once
// The LUT text a host is given to store, made the way the panel makes it:
// from a LUT file (named as "Change LUT" names it, kv::LutNameFromPath, with
// the match id after a "# Kromvale match " comment) or as a pattern request.

#include <cstdint>
#include <string>
#include <string_view>

namespace kvtool {

bool LutTextFromCubeFile(const std::string& path, std::string& text, std::string& error);
std::string PatternRequestText(int gridSize);

// Helpers, exposed for the tests.
std::int32_t MatchIdFromCube(std::string_view bytes);

}  // namespace kvtool
