#pragma once
// The KromvaleLut kernel as a C++ function: one call does what one GPU thread
// does for pixel (x, y), with the kernel's 23 parameters in the kernel's
// order. src and dst hold four float32 (is16f 0) or four binary16 components
// per pixel in B, G, R, A order; pitches count pixels. Threads outside
// width x height write nothing, so tests can run a grid rounded up to 16.

#include <cstdint>

namespace kv::gpu {

void KromvaleLutTwin(int x, int y, const void* src, int srcPitch, void* dst, int dstPitch,
                     int is16f, int width, int height, const float* lut, int size, float dminR,
                     float dminG, float dminB, float dmaxR, float dmaxG, float dmaxB,
                     float amount, int probe, int probeCols, int probeRows, int probeX0,
                     int probeY0, int probeX1, int probeY1);

}  // namespace kv::gpu
