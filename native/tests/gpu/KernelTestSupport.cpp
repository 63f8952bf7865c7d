#include "KernelTestSupport.h"

#include "gpu/kernel/HalfFloat.h"
#include "gpu/kernel/KromvaleLutTwin.h"
#include "lut_engine/LutSampling.h"

namespace kv::gpu::test {

void GpuFrame::Get(int x, int y, float bgra[4]) const {
    if (is16f != 0) {
        std::uint16_t h[4];
        std::memcpy(h, At(x, y), sizeof h);
        for (int c = 0; c < 4; ++c) {
            bgra[c] = HalfToFloat(h[c]);
        }
    } else {
        std::memcpy(bgra, At(x, y), 16);
    }
}

void GpuFrame::Set(int x, int y, const float bgra[4]) {
    if (is16f != 0) {
        std::uint16_t h[4];
        for (int c = 0; c < 4; ++c) {
            h[c] = FloatToHalfRne(bgra[c]);
        }
        std::memcpy(At(x, y), h, sizeof h);
    } else {
        std::memcpy(At(x, y), bgra, 16);
    }
}

Lut3D RandomLut(std::mt19937& rng, int size, float lo, float hi) {
    std::uniform_real_distribution<float> value(lo, hi);
    Lut3D lut;
    lut.size = size;
    lut.data.resize(static_cast<size_t>(size) * size * size * 3);
    for (float& v : lut.data) {
        v = value(rng);
    }
    return lut;
}

void SetLut(KernelScalars& k, const Lut3D& lut) {
    k.size = lut.size;
    for (int c = 0; c < 3; ++c) {
        k.dmin[c] = lut.domainMin[c];
        k.dmax[c] = lut.domainMax[c];
    }
}

void SetProbe(KernelScalars& k, int n, const ProbeGeometry& g) {
    k.probe = n;
    k.probeCols = g.probeCols;
    k.probeRows = g.probeRows;
    k.probeX0 = g.probeX0;
    k.probeY0 = g.probeY0;
    k.probeX1 = g.probeX1;
    k.probeY1 = g.probeY1;
}

namespace {

void RunGrid(const void* src, void* dst, const float* lut, const KernelScalars& k) {
    const int gridW = (k.width + 15) / 16 * 16;
    const int gridH = (k.height + 15) / 16 * 16;
    for (int y = 0; y < gridH; ++y) {
        for (int x = 0; x < gridW; ++x) {
            KromvaleLutTwin(x, y, src, k.srcPitch, dst, k.dstPitch, k.is16f, k.width, k.height,
                            lut, k.size, k.dmin[0], k.dmin[1], k.dmin[2], k.dmax[0], k.dmax[1],
                            k.dmax[2], k.amount, k.probe, k.probeCols, k.probeRows, k.probeX0,
                            k.probeY0, k.probeX1, k.probeY1);
        }
    }
}

}  // namespace

void RunTwin(const GpuFrame& src, GpuFrame& dst, const float* lut, const KernelScalars& k) {
    RunGrid(src.bytes.data(), dst.bytes.data(), lut, k);
}

void RunTwinInPlace(GpuFrame& frame, const float* lut, const KernelScalars& k) {
    RunGrid(frame.bytes.data(), frame.bytes.data(), lut, k);
}

void CpuPixel(const Lut3D& lut, float amount, const float inBgra[4], float outBgra[4]) {
    const float in[3] = {inBgra[2], inBgra[1], inBgra[0]};
    float sampled[3];
    sampleTetra(lut, in, sampled);
    outBgra[2] = blendAmount(sampled[0], in[0], amount);
    outBgra[1] = blendAmount(sampled[1], in[1], amount);
    outBgra[0] = blendAmount(sampled[2], in[2], amount);
    outBgra[3] = inBgra[3];
}

}  // namespace kv::gpu::test
