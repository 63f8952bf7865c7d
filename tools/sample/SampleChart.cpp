#include "sample/SampleChart.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kvtool {
namespace {

struct Rgb {
    float r, g, b;
};

// Display-referred patch colours; the first row are skin-like tones from pale
// to deep, the rest are familiar chart colours.
constexpr std::array<Rgb, 24> kPatches = {{
    {0.96f, 0.80f, 0.69f}, {0.89f, 0.69f, 0.56f}, {0.78f, 0.57f, 0.44f},
    {0.66f, 0.45f, 0.33f}, {0.52f, 0.34f, 0.24f}, {0.36f, 0.23f, 0.16f},
    {0.45f, 0.32f, 0.26f}, {0.77f, 0.59f, 0.51f}, {0.38f, 0.48f, 0.61f},
    {0.35f, 0.42f, 0.26f}, {0.51f, 0.50f, 0.69f}, {0.40f, 0.74f, 0.67f},
    {0.84f, 0.49f, 0.17f}, {0.31f, 0.36f, 0.65f}, {0.76f, 0.33f, 0.38f},
    {0.37f, 0.24f, 0.42f}, {0.62f, 0.74f, 0.25f}, {0.88f, 0.64f, 0.18f},
    {0.80f, 0.10f, 0.10f}, {0.10f, 0.65f, 0.20f}, {0.10f, 0.20f, 0.75f},
    {0.10f, 0.70f, 0.80f}, {0.80f, 0.15f, 0.65f}, {0.92f, 0.85f, 0.10f},
}};

Rgb HueSweep(float hue, float saturation, float value) {
    const float h = hue * 6.0f;
    const int sector = static_cast<int>(h) % 6;
    const float f = h - std::floor(h);
    const float p = value * (1.0f - saturation);
    const float q = value * (1.0f - saturation * f);
    const float t = value * (1.0f - saturation * (1.0f - f));
    switch (sector) {
        case 0: return {value, t, p};
        case 1: return {q, value, p};
        case 2: return {p, value, t};
        case 3: return {p, q, value};
        case 4: return {t, p, value};
        default: return {value, p, q};
    }
}

void Store(Image& image, int x, int y, Rgb c) {
    const float max = image.maxValue();
    std::uint16_t* px = image.at(x, y);
    const float v[3] = {c.r, c.g, c.b};
    for (int i = 0; i < 3; ++i) {
        px[i] = static_cast<std::uint16_t>(std::lround(std::clamp(v[i], 0.0f, 1.0f) * max));
    }
    px[3] = image.maxValue();
}

}  // namespace

Image MakeSampleChart(int width, int height, int bitDepth) {
    Image image(width, height, bitDepth);
    // Bands, top to bottom: four ramps (grey, red, green, blue) on 30% of the
    // height, the patch grid on 45%, the hue sweep on the rest.
    const int rampEnd = height * 30 / 100;
    const int gridEnd = height * 75 / 100;
    const int border = std::max(1, width / 160);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float u = width > 1 ? static_cast<float>(x) / static_cast<float>(width - 1) : 0.0f;
            Rgb c{0.18f, 0.18f, 0.18f};  // mid-grey surround
            if (y < rampEnd) {
                const int ramp = std::min(3, y * 4 / std::max(1, rampEnd));
                c = {ramp == 0 || ramp == 1 ? u : 0.0f, ramp == 0 || ramp == 2 ? u : 0.0f,
                     ramp == 0 || ramp == 3 ? u : 0.0f};
            } else if (y < gridEnd) {
                const int cellW = width / 6;
                const int cellH = std::max(1, (gridEnd - rampEnd) / 4);
                const int col = x / std::max(1, cellW);
                const int row = (y - rampEnd) / cellH;
                const int inX = x - col * cellW;
                const int inY = y - rampEnd - row * cellH;
                if (col < 6 && row < 4 && inX >= border && inX < cellW - border && inY >= border &&
                    inY < cellH - border) {
                    c = kPatches[static_cast<std::size_t>(row * 6 + col)];
                }
            } else {
                const float v = height - gridEnd > 1
                                    ? static_cast<float>(y - gridEnd) / static_cast<float>(height - gridEnd - 1)
                                    : 0.0f;
                // Full saturation at the top of the band fading to white at the bottom.
                c = HueSweep(std::min(u, 0.9999f), 1.0f - v, 1.0f);
            }
            Store(image, x, y, c);
        }
    }
    return image;
}

}  // namespace kvtool
