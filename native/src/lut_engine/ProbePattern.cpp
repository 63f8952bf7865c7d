#include "lut_engine/ProbePattern.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "lut_engine/ByteChannel.h"
#include "lut_engine/Code16Channel.h"

namespace kv {

namespace {

double Clamp01(double v) {
    return std::min(std::max(v, 0.0), 1.0);
}

// Round half away from zero. The argument lies within 0..extent, so the
// result fits in int32.
int32_t RoundToInt(double v) {
    return static_cast<int32_t>(std::round(v));
}

int64_t PatchCount(int32_t n) {
    const int64_t n64 = n;
    return n64 * n64 * n64;
}

// Colour of patch idx (0 <= idx < n^3). k is 1/(n-1), divided once so that
// every channel is an exact integer times the same float.
void PatchColour(int32_t n, int64_t idx, float k, float rgb[3]) {
    const int64_t n64 = n;
    rgb[0] = static_cast<float>(idx % n64) * k;
    rgb[1] = static_cast<float>((idx / n64) % n64) * k;
    rgb[2] = static_cast<float>(idx / (n64 * n64)) * k;
}

// Patch row of pixel row y, or -1 outside the area. Products are taken in 64
// bits: a tall frame times a large grid overflows 32.
int64_t PatchRow(const ProbeGeometry& g, int32_t y) {
    if (y < g.probeY0 || y >= g.probeY1) {
        return -1;
    }
    return (static_cast<int64_t>(y) - g.probeY0) * g.probeRows /
           (static_cast<int64_t>(g.probeY1) - g.probeY0);
}

int64_t PatchCol(const ProbeGeometry& g, int32_t x) {
    if (x < g.probeX0 || x >= g.probeX1) {
        return -1;
    }
    return (static_cast<int64_t>(x) - g.probeX0) * g.probeCols /
           (static_cast<int64_t>(g.probeX1) - g.probeX0);
}

// Colour at (row, col) of the grid; black outside the area or past the last
// patch. The patch index is kept in 64 bits so that an oversized explicit
// grid cannot wrap around into a valid patch.
void CellColour(int32_t n, const ProbeGeometry& g, int64_t row, int64_t col, float k,
                float rgb[3]) {
    if (row < 0 || col < 0) {
        rgb[0] = rgb[1] = rgb[2] = 0.0f;
        return;
    }
    const int64_t idx = row * g.probeCols + col;
    if (idx >= PatchCount(n)) {
        rgb[0] = rgb[1] = rgb[2] = 0.0f;
        return;
    }
    PatchColour(n, idx, k, rgb);
}

// A size below 2 has no patches (n^3 <= 1 cells would need 1/0); it draws
// black rather than NaN.
float NodeStep(int32_t n) {
    return n >= 2 ? 1.0f / static_cast<float>(n - 1) : 0.0f;
}

// Calls put(pixel index, rgb) for every pixel of rows [y0, y1).
template <class Put>
void DrawRows(const ProbeRowsParams& p, int32_t y0, int32_t y1, Put put) {
    const float k = NodeStep(p.n);
    for (int32_t y = y0; y < y1; ++y) {
        const int64_t row = PatchRow(p.geometry, y);
        unsigned char* line = RowPointer(p.dst, y);
        for (int32_t x = 0; x < p.dst.width; ++x) {
            float rgb[3];
            CellColour(p.n, p.geometry, row, PatchCol(p.geometry, x), k, rgb);
            put(line, static_cast<std::ptrdiff_t>(x), rgb);
        }
    }
}

}  // namespace

ProbeGeometry ProbeGeometryFor(const Lut3D& lut, int32_t width, int32_t height) {
    ProbeGeometry g;
    g.probeX0 = RoundToInt(Clamp01(lut.areaX0) * width);
    g.probeY0 = RoundToInt(Clamp01(lut.areaY0) * height);
    g.probeX1 = std::max(g.probeX0 + 1, RoundToInt(Clamp01(lut.areaX1) * width));
    g.probeY1 = std::max(g.probeY0 + 1, RoundToInt(Clamp01(lut.areaY1) * height));
    if (lut.probeCols > 0 && lut.probeRows > 0) {
        g.probeCols = lut.probeCols;
        g.probeRows = lut.probeRows;
        return g;
    }
    const int64_t patches = std::max<int64_t>(PatchCount(lut.probe), 1);
    const double aspect =
        static_cast<double>(g.probeX1 - g.probeX0) / static_cast<double>(g.probeY1 - g.probeY0);
    const int64_t cols =
        std::max<int64_t>(1, static_cast<int64_t>(std::ceil(std::sqrt(patches * aspect))));
    g.probeCols = static_cast<int32_t>(cols);
    g.probeRows = static_cast<int32_t>((patches + cols - 1) / cols);
    return g;
}

void probeColour(int32_t n, const ProbeGeometry& geometry, int32_t x, int32_t y, float rgb[3]) {
    CellColour(n, geometry, PatchRow(geometry, y), PatchCol(geometry, x), NodeStep(n), rgb);
}

void DrawProbeRows32f(const ProbeRowsParams& p, int32_t y0, int32_t y1) {
    const ChannelTable& d = p.dstChannels;
    DrawRows(p, y0, y1, [&d](unsigned char* line, std::ptrdiff_t x, const float rgb[3]) {
        unsigned char* px = line + 16 * x;
        StoreChannel(px, d.r, rgb[0]);
        StoreChannel(px, d.g, rgb[1]);
        StoreChannel(px, d.b, rgb[2]);
        StoreChannel(px, d.a, 1.0f);
    });
}

void DrawProbeRows8(const ProbeRowsParams& p, int32_t y0, int32_t y1) {
    const ChannelTable& d = p.dstChannels;
    DrawRows(p, y0, y1, [&d](unsigned char* line, std::ptrdiff_t x, const float rgb[3]) {
        unsigned char* px = line + 4 * x;
        px[d.r] = ByteFromUnit(rgb[0]);
        px[d.g] = ByteFromUnit(rgb[1]);
        px[d.b] = ByteFromUnit(rgb[2]);
        px[d.a] = 255;
    });
}

void DrawProbeRows16(const ProbeRowsParams& p, int32_t y0, int32_t y1) {
    const ChannelTable& d = p.dstChannels;
    DrawRows(p, y0, y1, [&d](unsigned char* line, std::ptrdiff_t x, const float rgb[3]) {
        unsigned char* px = line + 8 * x;
        StoreChannel(px, d.r, Code16FromUnit(rgb[0]));
        StoreChannel(px, d.g, Code16FromUnit(rgb[1]));
        StoreChannel(px, d.b, Code16FromUnit(rgb[2]));
        StoreChannel(px, d.a, static_cast<uint16_t>(kCode16Max));
    });
}

}  // namespace kv
