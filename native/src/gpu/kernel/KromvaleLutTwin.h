#pragma once
// The KromvaleLut kernel as a C++ function: one call does what one GPU thread
// does for pixel (x, y), with the kernel's arguments as a launch passes them
// (the three buffers, then KernelParams). src and dst hold four float32
// (is16f 0) or four binary16 components per pixel in B, G, R, A order;
// pitches count pixels. Threads outside width x height write nothing, so
// tests can run a grid rounded up to 16.

#include "gpu/KernelParams.h"

namespace kv::gpu {

void KromvaleLutTwin(int x, int y, const void* src, void* dst, const float* lut, const KernelParams& k);

}  // namespace kv::gpu
