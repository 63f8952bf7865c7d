#pragma once
// The module's one GPU filter.

#include <memory>

#include "gpu/PrGPUFilterBase.h"

namespace kv::gpu {

// A new, not yet initialised filter instance with every field clear.
std::unique_ptr<PrGPUFilterBase> NewKromvaleGPU();

// Test seam: lets the "filter ready" line be logged again.
void ResetGpuFilterReadyForTesting();

}  // namespace kv::gpu
