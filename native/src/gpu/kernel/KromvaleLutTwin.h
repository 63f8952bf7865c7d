#pragma once
// The kernel's entries as C++ functions: one call does what one GPU thread
// does for pixel (x, y), with the kernel's arguments as a launch passes them
// (the three buffers, then KernelParams). src and dst hold four float32
// (is16f 0) or four binary16 components per pixel in B, G, R, A order;
// pitches count pixels. Threads outside width x height write nothing, so
// tests can run a grid rounded up to 16.

#include "gpu/KernelParams.h"

namespace kv::gpu {

void KromvaleLutTwin(int x, int y, const void* src, void* dst, const float* lut, const KernelParams& k);

// The KromvaleLutShaped kernel the same way: `shaper` is the 1D table
// (k.shaperSize entries of R, G, B), `lut` the cube (unread when k.size is 0).
void KromvaleLutShapedTwin(int x, int y, const void* src, void* dst, const float* lut, const float* shaper,
                           const KernelParams& k);

// The KromvaleLutSteps kernel the same way: k.stepCount records at `steps`
// and their `tables`, as kv::PrepareSteps builds them.
void KromvaleLutStepsTwin(int x, int y, const void* src, void* dst, const KvStep* steps, const float* tables,
                          const KernelParams& k);

}  // namespace kv::gpu
