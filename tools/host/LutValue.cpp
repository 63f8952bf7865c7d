#include "host/LutValue.h"

#include <fstream>
#include <iterator>

#include "lut_engine/CubeFile.h"
#include "lut_engine/LutText.h"

namespace kvtool {

std::string LutNameFromPath(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    return std::string(name);
}

std::int32_t MatchIdFromCube(std::string_view bytes) {
    constexpr std::string_view kMarker = "# Kromvale match ";
    const std::size_t found = bytes.find(kMarker);
    if (found == std::string_view::npos) return 0;
    std::size_t at = found + kMarker.size();
    while (at < bytes.size() && (bytes[at] == ' ' || (bytes[at] >= '\t' && bytes[at] <= '\r'))) ++at;
    bool negative = false;
    if (at < bytes.size() && (bytes[at] == '+' || bytes[at] == '-')) negative = bytes[at++] == '-';
    // Accumulate in 64 bits and wrap to 32 like a 32-bit atoi would on the
    // hosts' platform; digits beyond any sane id only need to stay defined.
    std::int64_t value = 0;
    while (at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9') {
        value = (value * 10 + (bytes[at++] - '0')) & 0xFFFFFFFFLL;
    }
    const auto bits = static_cast<std::uint32_t>(negative ? (0 - static_cast<std::uint64_t>(value)) : value);
    return static_cast<std::int32_t>(bits);
}

bool LutTextFromCubeFile(const std::string& path, std::string& text, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    kv::Lut3D lut;
    std::string reason;
    if (!kv::ReadCubeFile(bytes, lut, &reason)) {
        error = path + ": " + reason;
        return false;
    }
    for (int c = 0; c < 3; ++c) {
        if (lut.domainMin[c] != 0.0f || lut.domainMax[c] != 1.0f) {
            error = path + ": the effect takes only LUTs with a 0..1 domain";
            return false;
        }
    }
    text = kv::FormatLutText(lut, MatchIdFromCube(bytes), LutNameFromPath(path));
    return true;
}

std::string PatternRequestText(int gridSize) { return "KVLUTP " + std::to_string(gridSize); }

}  // namespace kvtool
