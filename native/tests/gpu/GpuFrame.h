#pragma once
// A frame in the host's GPU layout, held in host memory: rows of `pitch`
// pixels, four components each (float32, or binary16 when is16f), B, G, R, A
// in memory. The GPU tests read and write every GPU frame through these
// accessors.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gpu/kernel/HalfFloat.h"

namespace kv::gpu::test {

struct GpuFrame {
    int is16f = 0;
    int pitch = 0;  // pixels per row, padding included
    int rows = 0;
    std::vector<unsigned char> bytes;

    GpuFrame(int halves, int pitchPixels, int rowCount)
        : is16f(halves), pitch(pitchPixels), rows(rowCount),
          bytes(static_cast<std::size_t>(pitchPixels) * rowCount * PixelBytes()) {}

    std::size_t PixelBytes() const { return is16f != 0 ? 8 : 16; }
    int RowBytes() const { return pitch * static_cast<int>(PixelBytes()); }

    unsigned char* At(int x, int y) {
        return bytes.data() + (static_cast<std::size_t>(y) * pitch + x) * PixelBytes();
    }
    const unsigned char* At(int x, int y) const {
        return bytes.data() + (static_cast<std::size_t>(y) * pitch + x) * PixelBytes();
    }

    // Component c (0 B, 1 G, 2 R, 3 A) of pixel (x, y) as a float, halves
    // widened; Set rounds to the nearest half, ties to even.
    float Get(int x, int y, int c) const {
        if (is16f != 0) {
            std::uint16_t h;
            std::memcpy(&h, At(x, y) + 2 * c, sizeof h);
            return HalfToFloat(h);
        }
        float f;
        std::memcpy(&f, At(x, y) + 4 * c, sizeof f);
        return f;
    }
    void Set(int x, int y, int c, float v) {
        if (is16f != 0) {
            const std::uint16_t h = FloatToHalfRne(v);
            std::memcpy(At(x, y) + 2 * c, &h, sizeof h);
        } else {
            std::memcpy(At(x, y) + 4 * c, &v, sizeof v);
        }
    }

    // All four components, B, G, R, A.
    void Get(int x, int y, float bgra[4]) const {
        for (int c = 0; c < 4; ++c) {
            bgra[c] = Get(x, y, c);
        }
    }
    void Set(int x, int y, const float bgra[4]) {
        for (int c = 0; c < 4; ++c) {
            Set(x, y, c, bgra[c]);
        }
    }
};

}  // namespace kv::gpu::test
