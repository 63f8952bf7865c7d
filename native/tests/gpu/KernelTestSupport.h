#pragma once
// Shared pieces of the kernel tests: the kernel's arguments as one record,
// frames in the GPU layout, random LUTs, and the processor reference.

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "lut_engine/Lut3D.h"
#include "lut_engine/ProbePattern.h"

namespace kv::gpu::test {

// The 20 scalar arguments of KromvaleLut, in kernel order (pointers apart).
struct KernelScalars {
    int srcPitch = 0;
    int dstPitch = 0;
    int is16f = 0;
    int width = 0;
    int height = 0;
    int size = 0;
    float dmin[3] = {0.0f, 0.0f, 0.0f};
    float dmax[3] = {1.0f, 1.0f, 1.0f};
    float amount = 1.0f;
    int probe = 0;
    int probeCols = 1;
    int probeRows = 1;
    int probeX0 = 0;
    int probeY0 = 0;
    int probeX1 = 1;
    int probeY1 = 1;
};

// A frame of `pitch` x `rows` pixels, four components each (float32 or
// binary16 bits), B, G, R, A in memory.
struct GpuFrame {
    int is16f = 0;
    int pitch = 0;
    int rows = 0;
    std::vector<unsigned char> bytes;

    GpuFrame(int halves, int pitchPixels, int rowCount)
        : is16f(halves), pitch(pitchPixels), rows(rowCount),
          bytes(static_cast<size_t>(pitchPixels) * rowCount * PixelBytes()) {}
    size_t PixelBytes() const { return is16f != 0 ? 8 : 16; }
    unsigned char* At(int x, int y) { return bytes.data() + (static_cast<size_t>(y) * pitch + x) * PixelBytes(); }
    const unsigned char* At(int x, int y) const {
        return bytes.data() + (static_cast<size_t>(y) * pitch + x) * PixelBytes();
    }
    // Component values as floats (halves widened), B, G, R, A.
    void Get(int x, int y, float bgra[4]) const;
    void Set(int x, int y, const float bgra[4]);
};

// Uniform LUT of size N with node values in [lo, hi).
Lut3D RandomLut(std::mt19937& rng, int size, float lo, float hi);

// Copies the LUT's size, domain and (when a pattern is drawn) geometry into
// the scalar arguments.
void SetLut(KernelScalars& k, const Lut3D& lut);
void SetProbe(KernelScalars& k, int n, const ProbeGeometry& g);

// Runs the C++ twin over a grid rounded up to 16 x 16 blocks.
void RunTwin(const GpuFrame& src, GpuFrame& dst, const float* lut, const KernelScalars& k);
// Same, with src and dst the same frame.
void RunTwinInPlace(GpuFrame& frame, const float* lut, const KernelScalars& k);

// What the processor path gives for one pixel: kv::sampleTetra and the
// Amount blend, alpha copied. B, G, R, A.
void CpuPixel(const Lut3D& lut, float amount, const float inBgra[4], float outBgra[4]);

inline std::uint32_t Bits(float f) {
    std::uint32_t u = 0;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

}  // namespace kv::gpu::test
