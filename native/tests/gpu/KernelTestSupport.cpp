#include "KernelTestSupport.h"

#include "gpu/kernel/KromvaleLutTwin.h"
#include "lut_engine/LutSampling.h"

namespace kv::gpu::test {

namespace {

void RunGrid(const void* src, void* dst, const float* lut, const float* shaper, const kv::gpu::KernelParams& k) {
    const int gridW = (k.width + 15) / 16 * 16;
    const int gridH = (k.height + 15) / 16 * 16;
    const bool shaped = kv::gpu::UsesShapedEntry(k);
    for (int y = 0; y < gridH; ++y) {
        for (int x = 0; x < gridW; ++x) {
            if (shaped) {
                KromvaleLutShapedTwin(x, y, src, dst, lut, shaper, k);
            } else {
                KromvaleLutTwin(x, y, src, dst, lut, k);
            }
        }
    }
}

}  // namespace

void RunTwin(const GpuFrame& src, GpuFrame& dst, const float* lut, const kv::gpu::KernelParams& k,
             const float* shaper) {
    RunGrid(src.bytes.data(), dst.bytes.data(), lut, shaper, k);
}

void RunTwinInPlace(GpuFrame& frame, const float* lut, const kv::gpu::KernelParams& k, const float* shaper) {
    RunGrid(frame.bytes.data(), frame.bytes.data(), lut, shaper, k);
}

void CpuPixel(const Lut3D& lut, float amount, const float inBgra[4], float outBgra[4]) {
    const float in[3] = {inBgra[2], inBgra[1], inBgra[0]};
    float sampled[3];
    SampleLut(lut, in, sampled);
    outBgra[2] = BlendAmount(sampled[0], in[0], amount);
    outBgra[1] = BlendAmount(sampled[1], in[1], amount);
    outBgra[0] = BlendAmount(sampled[2], in[2], amount);
    outBgra[3] = inBgra[3];
}

}  // namespace kv::gpu::test
