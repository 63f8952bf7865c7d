#include "host/LutValue.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "lut_engine/LutFile.h"
#include "lut_engine/LutFormats.h"
#include "lut_engine/ReaderMessages.h"
#include "lut_engine/LutText.h"

namespace kvtool {

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
    // As "Change LUT": a file larger than any LUT we take is not read.
    std::error_code sizeError;
    if (const auto size = std::filesystem::file_size(path, sizeError); !sizeError && size > kv::kMaxLutFileBytes) {
        error = path + ": " + std::string(kv::messages::kLutFileTooLarge);
        return false;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    kv::Lut3D lut;
    std::string reason;
    // .3dl or .cube by the name, as the effect's "Change LUT" reads them.
    if (!kv::ReadLutFile(path, bytes, lut, &reason)) {
        error = path + ": " + reason;
        return false;
    }
    if (lut.size > kv::kMaxLutTextSize || lut.shaperSize > kv::kMaxLutText1DSize) {
        error = path + ": the LUT is larger than the effect can store";
        return false;
    }
    // Any finite range is stored as it is; the effect could not map one that
    // is not.
    const auto usable = [](const float* lo, const float* hi) {
        for (int c = 0; c < 3; ++c) {
            if (!std::isfinite(lo[c]) || !std::isfinite(hi[c]) || !(lo[c] < hi[c]) || !std::isfinite(hi[c] - lo[c])) {
                return false;
            }
        }
        return true;
    };
    if ((lut.size != 0 && !usable(lut.domainMin, lut.domainMax)) ||
        (lut.shaperSize != 0 && !usable(lut.shaperMin, lut.shaperMax))) {
        error = path + ": the LUT's input range is not finite";
        return false;
    }
    text = kv::FormatLutText(lut, MatchIdFromCube(bytes), kv::LutNameFromPath(path));
    return true;
}

std::string PatternRequestText(int gridSize) { return "KVLUTP " + std::to_string(gridSize); }

}  // namespace kvtool
