#pragma once
// A picture as the tools pass it around: interleaved red, green, blue, alpha,
// each an unsigned sample of 8 or 16 bits held in 16 bits.

#include <cstdint>
#include <vector>

namespace kvtool {

struct Image {
    int width = 0;
    int height = 0;
    int bitDepth = 8;                  // 8: samples 0..255; 16: samples 0..65535
    std::vector<std::uint16_t> rgba;   // width * height * 4 samples, rows top to bottom

    Image() = default;
    Image(int w, int h, int depth) : width(w), height(h), bitDepth(depth), rgba(static_cast<std::size_t>(w) * h * 4) {}

    std::uint16_t maxValue() const { return bitDepth == 16 ? 65535 : 255; }
    std::uint16_t* at(int x, int y) { return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
    const std::uint16_t* at(int x, int y) const {
        return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    }
};

// The same picture at another depth: 8 to 16 multiplies by 257 (exact), 16 to
// 8 rounds to nearest.
Image ConvertDepth(const Image& image, int bitDepth);

}  // namespace kvtool
