#pragma once
// The CUDA half of the GPU filter: kernel preparation, LUT upload and launch
// on the host's context and stream. Every call is made with the device's
// mutex held and inside a push/pop of the host's context.

#include <cstdint>

#include "gpu/CudaDriverTable.h"
#include "gpu/GpuDeviceState.h"
#include "gpu/KernelParams.h"
#include "lut_engine/Lut3D.h"

// Loads the embedded PTX into the host's context and finds KromvaleLut.
// Logs and returns false on failure.
bool PrepareCudaKernel(GpuDeviceState& state, CuContext context);

// Replaces the device's LUT buffer with `lut`'s float data, after earlier work
// on the host's stream (which may still read the old buffer) has finished.
bool UploadCudaLut(GpuDeviceState& state, CuContext context, CuStream stream, const kv::Lut3D& lut);

// Enqueues the kernel on the host's stream over a 16 x 16 block grid that
// covers params.width x params.height; does not wait for it.
bool LaunchCudaKernel(GpuDeviceState& state, CuContext context, CuStream stream, CuDevicePtr src,
                      CuDevicePtr dst, const KernelParams& params);
