#pragma once
// The OpenCL half of the GPU filter: program build, LUT buffer and launch on
// the host's context, device and queue. Every call is made with the device's
// mutex held, so one render's kernel arguments cannot mix with another's.

#include "gpu/GpuDeviceState.h"
#include "gpu/KernelParams.h"
#include "gpu/OpenClTable.h"
#include "lut_engine/Lut3D.h"

// Builds the embedded OpenCL source for the host's device and creates
// KromvaleLut. Logs and returns false on failure.
bool PrepareOpenClKernel(GpuDeviceState& state, ClContext context, ClDevice device);

// Replaces the device's LUT buffer with a read-only copy of `lut`'s float
// data, after the host's queue has drained.
bool UploadOpenClLut(GpuDeviceState& state, ClContext context, ClQueue queue, const kv::Lut3D& lut);

// Sets all 23 kernel arguments in index order. Results are not checked: a bad
// argument surfaces as a launch failure.
void SetKernelArgs(const OpenClTable& table, ClKernel kernel, ClMem src, ClMem dst, ClMem lut,
                   const KernelParams& params);

// Sets the arguments and enqueues the kernel with 16 x 16 work-groups over
// the frame rounded up to multiples of 16; does not wait for it.
bool LaunchOpenClKernel(GpuDeviceState& state, ClQueue queue, ClMem src, ClMem dst,
                        const KernelParams& params);
