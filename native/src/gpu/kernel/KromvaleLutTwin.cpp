#include "gpu/kernel/KromvaleLutTwin.h"

#include <cstdint>
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

// What every entry does around its colour change, as KV_EACH_PIXEL
// (KromvaleLutEntry.h) does it on the GPU: nothing outside the frame, the
// pattern when k.probe > 0, otherwise the pixel loaded, changed and stored.
template <class Change>
void EachPixel(int x, int y, const void* src, void* dst, const KernelParams& k, Change&& change) {
    if (x >= k.width || y >= k.height) {
        return;
    }
    KvPixel p;
    if (k.probe > 0) {
        const kv::ProbeGeometry& g = k.pattern;
        p = twin::kvProbePixel(x, y, k.probe, g.probeCols, g.probeRows, g.probeX0, g.probeY0, g.probeX1,
                               g.probeY1);
    } else {
        p = change(LoadPixel(src, static_cast<std::int64_t>(y) * k.srcPitch + x, k.is16f));
    }
    StorePixel(dst, static_cast<std::int64_t>(y) * k.dstPitch + x, k.is16f, p);
}

}  // namespace

void KromvaleLutTwin(int x, int y, const void* src, void* dst, const float* lut, const KernelParams& k) {
    EachPixel(x, y, src, dst, k, [&](const KvPixel& p) {
        return twin::kvLutPixel(p, lut, k.size, k.dminR, k.dminG, k.dminB, k.dmaxR, k.dmaxG, k.dmaxB, k.amount);
    });
}

void KromvaleLutShapedTwin(int x, int y, const void* src, void* dst, const float* lut, const float* shaper,
                           const KernelParams& k) {
    EachPixel(x, y, src, dst, k, [&](const KvPixel& p) {
        return twin::kvShapedLutPixel(p, lut, k.size, k.dminR, k.dminG, k.dminB, k.dmaxR, k.dmaxG, k.dmaxB,
                                      k.amount, shaper, k.shaperSize, k.sminR, k.sminG, k.sminB, k.smaxR,
                                      k.smaxG, k.smaxB);
    });
}

void KromvaleLutStepsTwin(int x, int y, const void* src, void* dst, const KvStep* steps, const float* tables,
                          const KernelParams& k) {
    EachPixel(x, y, src, dst, k, [&](const KvPixel& p) {
        return twin::kvStepsPixel(p, steps, k.stepCount, tables, k.amount);
    });
}

}  // namespace kv::gpu
