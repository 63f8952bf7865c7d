#pragma once
// Reads the LUT parameter of a GPU filter instance through the editing host's
// own parameter access (not the effect API).

#include <memory>

#include "gpu/PrGPUFilterBase.h"
#include "lut_engine/Lut3D.h"

namespace kv::gpu {

// What an instance knows of its LUT.
struct InstanceLut {
    bool fetched = false;                   // the parameter has been read
    std::shared_ptr<const Lut3D> lut;   // empty: no usable LUT
};

// Marks `target` fetched first, so a failing read is not repeated, then
// replaces its LUT with the one the parameter holds at `time`. A parameter of
// an unexpected type leaves the LUT as it was.
void FetchLutParam(const PrGPUFilterBase& filter, PrTime time, InstanceLut& target);

// Test seam: resets the process-wide count of unexpected parameter types.
void ResetLutParamWarningsForTesting();

}  // namespace kv::gpu
