#pragma once
// Inputs shared by the benchmarks: a photo-like frame (smooth gradients with
// some texture) and a non-trivial grade (a warm S-curve with channel
// crosstalk), so that sampling visits many cells and all tetrahedra.

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "lut_engine/ByteChannel.h"
#include "lut_engine/Code16Channel.h"
#include "lut_engine/Lut3D.h"

namespace kvbench {

inline constexpr int32_t kFrameWidth = 1920;
inline constexpr int32_t kFrameHeight = 1080;
inline constexpr int64_t kFramePixels = int64_t{kFrameWidth} * kFrameHeight;

// R, G, B in 0..1 at pixel (x, y).
inline void photoPixel(int32_t x, int32_t y, float rgb[3]) {
    const float u = static_cast<float>(x) / kFrameWidth;
    const float v = static_cast<float>(y) / kFrameHeight;
    uint32_t h = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    const float grain = (static_cast<float>(h & 0xFFFF) / 65535.0f - 0.5f) * 0.06f;
    const float wave = 0.5f + 0.35f * std::sin(6.0f * u + 3.0f * v) * std::cos(4.0f * v);
    auto clamp = [](float c) { return c < 0.0f ? 0.0f : (c > 1.0f ? 1.0f : c); };
    rgb[0] = clamp(0.15f + 0.7f * u * (1.0f - 0.3f * v) + grain);
    rgb[1] = clamp(0.2f + 0.6f * v * wave + grain);
    rgb[2] = clamp(0.8f * wave * (1.0f - 0.5f * u) + grain);
}

// Float frame, channel order B, G, R, A.
inline std::vector<float> photoFrameBGRA32f() {
    std::vector<float> f(static_cast<size_t>(kFramePixels) * 4);
    for (int32_t y = 0; y < kFrameHeight; ++y) {
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            float rgb[3];
            photoPixel(x, y, rgb);
            float* p = &f[(static_cast<size_t>(y) * kFrameWidth + x) * 4];
            p[0] = rgb[2];
            p[1] = rgb[1];
            p[2] = rgb[0];
            p[3] = 1.0f;
        }
    }
    return f;
}

// Float frame, channel order R, G, B, A.
inline std::vector<float> photoFrameRGBA32f() {
    std::vector<float> f = photoFrameBGRA32f();
    for (size_t i = 0; i < f.size(); i += 4) {
        std::swap(f[i], f[i + 2]);
    }
    return f;
}

// Float frame, channel order A, R, G, B.
inline std::vector<float> photoFrameARGB32f() {
    std::vector<float> f = photoFrameBGRA32f();
    for (size_t i = 0; i < f.size(); i += 4) {
        std::swap(f[i], f[i + 3]);
        std::swap(f[i + 1], f[i + 2]);
    }
    return f;
}

// 16-bit frame (0..32768), channel order A, R, G, B.
inline std::vector<uint16_t> photoFrameARGB16() {
    std::vector<uint16_t> f(static_cast<size_t>(kFramePixels) * 4);
    for (int32_t y = 0; y < kFrameHeight; ++y) {
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            float rgb[3];
            photoPixel(x, y, rgb);
            uint16_t* p = &f[(static_cast<size_t>(y) * kFrameWidth + x) * 4];
            p[0] = static_cast<uint16_t>(kv::kCode16Max);
            for (int c = 0; c < 3; ++c) {
                p[1 + c] = kv::Code16FromUnit(rgb[c]);
            }
        }
    }
    return f;
}

// 8-bit frame with the alpha at byte `alphaAt` (0 for A, R, G, B; 3 for
// R, G, B, A) and the colours after it or before it in R, G, B order.
inline std::vector<uint8_t> photoFrame8(int alphaAt) {
    std::vector<uint8_t> f(static_cast<size_t>(kFramePixels) * 4);
    const int first = alphaAt == 0 ? 1 : 0;
    for (int32_t y = 0; y < kFrameHeight; ++y) {
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            float rgb[3];
            photoPixel(x, y, rgb);
            uint8_t* p = &f[(static_cast<size_t>(y) * kFrameWidth + x) * 4];
            p[alphaAt] = 255;
            for (int c = 0; c < 3; ++c) {
                p[first + c] = kv::ByteFromUnit(rgb[c]);
            }
        }
    }
    return f;
}

inline float sCurve(float v) {
    const float s = v * v * (3.0f - 2.0f * v);
    return 0.4f * v + 0.6f * s;
}

// Output of the grade at input (r, g, b).
inline void warmGrade(float r, float g, float b, float out[3]) {
    out[0] = 1.05f * sCurve(0.90f * r + 0.08f * g + 0.02f * b);
    out[1] = sCurve(0.05f * r + 0.90f * g + 0.05f * b);
    out[2] = 0.92f * sCurve(0.02f * r + 0.10f * g + 0.88f * b);
}

inline kv::Lut3D warmGradeLut(int32_t n) {
    kv::Lut3D lut;
    lut.size = n;
    lut.data.resize(static_cast<size_t>(n) * n * n * 3);
    const float step = 1.0f / static_cast<float>(n - 1);
    for (int32_t b = 0; b < n; ++b) {
        for (int32_t g = 0; g < n; ++g) {
            for (int32_t r = 0; r < n; ++r) {
                warmGrade(r * step, g * step, b * step,
                          &lut.data[3 * (static_cast<size_t>(r) + n * (g + static_cast<size_t>(n) * b))]);
            }
        }
    }
    return lut;
}

}  // namespace kvbench
