// The calibration pattern drawn run by run: along a row the colour changes
// only at the area's edges and where the patch column steps, so each run's
// colour comes from probeColour once and the run is filled with 256-bit
// stores. The pixel bytes or floats are built the way the scalar routine
// builds them, so the output is the same.

#include "lut_engine/simd/LutRowsAvx2.h"

#include <immintrin.h>

#include <cstddef>
#include <cstring>

#include "lut_engine/ByteChannel.h"
#include "lut_engine/Code16Channel.h"
#include "lut_engine/FrameView.h"
#include "lut_engine/simd/RowSimdSupport.h"

namespace kv {

namespace {

// The run arithmetic divides by the grid and the area, which the scalar code
// alone defines when they are empty.
bool GeometryHasCells(const ProbeGeometry& g) {
    return g.probeCols > 0 && g.probeRows > 0 && g.probeX1 > g.probeX0 && g.probeY1 > g.probeY0;
}

// End (exclusive, at most `width`) of the run of equal colour starting at
// column x. Inside the area, patch column col = (x - x0) * cols / w covers
// the columns x0 + ceil(col * w / cols) up to x0 + ceil((col + 1) * w / cols).
// col < cols keeps (col + 1) * w below 2^63.
int32_t RunEnd(const ProbeGeometry& g, bool rowInArea, int32_t x, int32_t width) {
    int64_t end = width;
    if (x < g.probeX0) {
        end = g.probeX0;
    } else if (rowInArea && x < g.probeX1) {
        const int64_t w = static_cast<int64_t>(g.probeX1) - g.probeX0;
        const int64_t cols = g.probeCols;
        const int64_t col = (static_cast<int64_t>(x) - g.probeX0) * cols / w;
        end = g.probeX0 + ((col + 1) * w + cols - 1) / cols;
        if (end > g.probeX1) {
            end = g.probeX1;
        }
    }
    return end < width ? static_cast<int32_t>(end) : width;
}

KV_AVX2 void Fill8(unsigned char* dst, int32_t count, const unsigned char pixel[4]) {
    uint32_t bits;
    std::memcpy(&bits, pixel, 4);
    const __m256i v = _mm256_set1_epi32(static_cast<int32_t>(bits));
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * static_cast<std::ptrdiff_t>(i)), v);
    }
    for (; i < count; ++i) {
        std::memcpy(dst + 4 * static_cast<std::ptrdiff_t>(i), pixel, 4);
    }
}

KV_AVX2 void Fill16(unsigned char* dst, int32_t count, const uint16_t pixel[4]) {
    uint64_t bits;
    std::memcpy(&bits, pixel, 8);
    const __m256i v = _mm256_set1_epi64x(static_cast<int64_t>(bits));
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 8 * static_cast<std::ptrdiff_t>(i)), v);
    }
    for (; i < count; ++i) {
        std::memcpy(dst + 8 * static_cast<std::ptrdiff_t>(i), pixel, 8);
    }
}

KV_AVX2 void Fill32f(unsigned char* dst, int32_t count, const float pixel[4]) {
    const __m128 one = _mm_loadu_ps(pixel);
    const __m256 two = _mm256_insertf128_ps(_mm256_castps128_ps256(one), one, 1);
    int32_t i = 0;
    for (; i + 2 <= count; i += 2) {
        _mm256_storeu_ps(reinterpret_cast<float*>(dst + 16 * static_cast<std::ptrdiff_t>(i)), two);
    }
    if (i < count) {
        _mm_storeu_ps(reinterpret_cast<float*>(dst + 16 * static_cast<std::ptrdiff_t>(i)), one);
    }
}

// Calls fill(line + x * pixel size, run length, rgb) for each run of rows
// [y0, y1).
template <class Fill>
void DrawRuns(const ProbeRowsParams& p, int32_t y0, int32_t y1, Fill fill) {
    const ProbeGeometry& g = p.geometry;
    const int32_t width = p.dst.width;
    for (int32_t y = y0; y < y1; ++y) {
        unsigned char* line = RowPointer(p.dst, y);
        const bool rowInArea = y >= g.probeY0 && y < g.probeY1;
        int32_t x = 0;
        while (x < width) {
            const int32_t end = RunEnd(g, rowInArea, x, width);
            float rgb[3];
            probeColour(p.n, g, x, y, rgb);
            fill(line, x, end - x, rgb);
            x = end;
        }
    }
}

}  // namespace

void DrawProbeRows32fAvx2(const ProbeRowsParams& p, int32_t y0, int32_t y1) {
    const ChannelTable& d = p.dstChannels;
    if (!IsChannelPermutation(d) || !GeometryHasCells(p.geometry)) {
        DrawProbeRows32f(p, y0, y1);
        return;
    }
    DrawRuns(p, y0, y1, [&d](unsigned char* line, int32_t x, int32_t count, const float rgb[3]) {
        float pixel[4] = {};
        pixel[d.r] = rgb[0];
        pixel[d.g] = rgb[1];
        pixel[d.b] = rgb[2];
        pixel[d.a] = 1.0f;
        Fill32f(line + 16 * static_cast<std::ptrdiff_t>(x), count, pixel);
    });
}

void DrawProbeRows8Avx2(const ProbeRowsParams& p, int32_t y0, int32_t y1) {
    const ChannelTable& d = p.dstChannels;
    if (!IsChannelPermutation(d) || !GeometryHasCells(p.geometry)) {
        DrawProbeRows8(p, y0, y1);
        return;
    }
    DrawRuns(p, y0, y1, [&d](unsigned char* line, int32_t x, int32_t count, const float rgb[3]) {
        unsigned char pixel[4] = {};
        pixel[d.r] = ByteFromUnit(rgb[0]);
        pixel[d.g] = ByteFromUnit(rgb[1]);
        pixel[d.b] = ByteFromUnit(rgb[2]);
        pixel[d.a] = 255;
        Fill8(line + 4 * static_cast<std::ptrdiff_t>(x), count, pixel);
    });
}

void DrawProbeRows16Avx2(const ProbeRowsParams& p, int32_t y0, int32_t y1) {
    const ChannelTable& d = p.dstChannels;
    if (!IsChannelPermutation(d) || !GeometryHasCells(p.geometry)) {
        DrawProbeRows16(p, y0, y1);
        return;
    }
    DrawRuns(p, y0, y1, [&d](unsigned char* line, int32_t x, int32_t count, const float rgb[3]) {
        uint16_t pixel[4] = {};
        pixel[d.r] = Code16FromUnit(rgb[0]);
        pixel[d.g] = Code16FromUnit(rgb[1]);
        pixel[d.b] = Code16FromUnit(rgb[2]);
        pixel[d.a] = static_cast<uint16_t>(kCode16Max);
        Fill16(line + 8 * static_cast<std::ptrdiff_t>(x), count, pixel);
    });
}

}  // namespace kv
