#include "gpu/kernel/KromvaleLutTwin.h"

#include <cstring>

#include "gpu/kernel/HalfFloat.h"
#include "gpu/kernel/KromvaleLutTwinBody.h"

namespace kv::gpu {
namespace {

using twin::KvPixel;

// Loads and stores go through memcpy: src and dst may be the same frame.
KvPixel LoadPixel(const void* frame, std::int64_t i, int is16f) {
    float v[4];
    if (is16f != 0) {
        std::uint16_t h[4];
        std::memcpy(h, static_cast<const unsigned char*>(frame) + 8 * i, sizeof h);
        for (int c = 0; c < 4; ++c) {
            v[c] = HalfToFloat(h[c]);
        }
    } else {
        std::memcpy(v, static_cast<const unsigned char*>(frame) + 16 * i, sizeof v);
    }
    return KvPixel{v[0], v[1], v[2], v[3]};
}

void StorePixel(void* frame, std::int64_t i, int is16f, const KvPixel& p) {
    const float v[4] = {p.b, p.g, p.r, p.a};
    if (is16f != 0) {
        std::uint16_t h[4];
        for (int c = 0; c < 4; ++c) {
            h[c] = FloatToHalfRne(v[c]);
        }
        std::memcpy(static_cast<unsigned char*>(frame) + 8 * i, h, sizeof h);
    } else {
        std::memcpy(static_cast<unsigned char*>(frame) + 16 * i, v, sizeof v);
    }
}

}  // namespace

void KromvaleLutTwin(int x, int y, const void* src, int srcPitch, void* dst, int dstPitch,
                     int is16f, int width, int height, const float* lut, int size, float dminR,
                     float dminG, float dminB, float dmaxR, float dmaxG, float dmaxB,
                     float amount, int probe, int probeCols, int probeRows, int probeX0,
                     int probeY0, int probeX1, int probeY1) {
    if (x >= width || y >= height) {
        return;
    }
    KvPixel p;
    if (probe > 0) {
        p = twin::kvProbePixel(x, y, probe, probeCols, probeRows, probeX0, probeY0, probeX1,
                               probeY1);
    } else {
        p = LoadPixel(src, static_cast<std::int64_t>(y) * srcPitch + x, is16f);
        p = twin::kvLutPixel(p, lut, size, dminR, dminG, dminB, dmaxR, dmaxG, dmaxB, amount);
    }
    StorePixel(dst, static_cast<std::int64_t>(y) * dstPitch + x, is16f, p);
}

}  // namespace kv::gpu
