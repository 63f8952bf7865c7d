#pragma once
// The kernel body compiled as C++, in kv::gpu::twin (unfused, as the OpenCL
// text evaluates it) or, with KV_TWIN_FUSED defined first, in
// kv::gpu::twin_fused (fused, as the PTX evaluates it). Include it in one
// variant per translation unit.

#include "gpu/kernel/KernelCompatCpp.h"

namespace kv::gpu::KV_TWIN_NAMESPACE {
#include "gpu/kernel/KromvaleLutBody.h"
}  // namespace kv::gpu::KV_TWIN_NAMESPACE
