#pragma once
// The kernel body compiled as C++, in kv::gpu::twin (unfused, as the OpenCL
// text evaluates it) or, with KV_TWIN_FUSED defined first, in
// kv::gpu::twin_fused (fused, as the PTX evaluates it). Include it in one
// variant per translation unit. The steps entry's body comes with its step
// records in namespace kv, as the processor code has them, and the
// one-lane helpers that the kernels compile.

#include "gpu/kernel/KernelCompatCpp.h"
#include "lut_engine/process/PreparedSteps.h"

namespace kv::gpu::KV_TWIN_NAMESPACE {
#include "gpu/kernel/KromvaleLutBody.h"
#include "gpu/kernel/KromvaleLutStepsBody.h"
}  // namespace kv::gpu::KV_TWIN_NAMESPACE
