#pragma once
// The compositing host's GPU render: the device records of the GPU device
// commands, the device information and the "PF GPU Device Suite". Natural
// alignment, like the rest of this SDK's records.

#include <cstddef>

#include "sdk/effect_sdk_params.h"
#include "sdk/effect_sdk_smart_render.h"
#include "sdk/effect_sdk_types.h"

// Framework numbers of this host (the editing host numbers CUDA 0).
typedef A_long PF_GPU_Framework;
constexpr PF_GPU_Framework PF_GPU_Framework_DIRECTX = 4;

constexpr PF_RenderOutputFlags PF_RenderOutputFlag_GPU_RENDER_POSSIBLE = 2;

// A GPU world's pixels: four 32-bit floats in the order blue, green, red,
// alpha. Bytes '@' 'C' 'D' 'A' in memory.
constexpr PF_PixelFormat PF_PixelFormat_GPU_BGRA128 = 0x41444340;

struct PF_GPUDeviceSetupInput {
    PF_GPU_Framework what_gpu;
    A_u_long device_index;
};

struct PF_GPUDeviceSetupOutput {
    void* gpu_data;  // the effect's own per-device pointer
};

struct PF_GPUDeviceSetupExtra {
    PF_GPUDeviceSetupInput* input;
    PF_GPUDeviceSetupOutput* output;
};

struct PF_GPUDeviceSetdownInput {
    void* gpu_data;  // what setup handed back; the effect frees it
    PF_GPU_Framework what_gpu;
    A_u_long device_index;
};

struct PF_GPUDeviceSetdownExtra {
    PF_GPUDeviceSetdownInput* input;  // a pointer, not an embedded record
};

struct PF_GPUDeviceInfo {
    PF_GPU_Framework device_framework;
    PF_Boolean compatibleB;
    void* platformPV;       // cl_platform_id
    void* devicePV;         // CUdevice or cl_device_id
    void* contextPV;        // CUcontext or cl_context
    void* command_queuePV;  // CUstream or cl_command_queue
    void* offscreen_opengl_contextPV;
    void* offscreen_opengl_devicePV;
};

struct PF_GPUDeviceSuite1 {
    PF_Err (*GetDeviceCount)(PF_ProgPtr effect_ref, A_u_long* device_count);
    PF_Err (*GetDeviceInfo)(PF_ProgPtr effect_ref, A_u_long device_index, PF_GPUDeviceInfo* info);
    PF_Err (*AcquireExclusiveDeviceAccess)(PF_ProgPtr effect_ref, A_u_long device_index);
    PF_Err (*ReleaseExclusiveDeviceAccess)(PF_ProgPtr effect_ref, A_u_long device_index);
    PF_Err (*AllocateDeviceMemory)(PF_ProgPtr effect_ref, A_u_long device_index, size_t bytes, void** memory);
    PF_Err (*FreeDeviceMemory)(PF_ProgPtr effect_ref, A_u_long device_index, void* memory);
    PF_Err (*PurgeDeviceMemory)(PF_ProgPtr effect_ref, A_u_long device_index, size_t bytes, size_t* purged);
    PF_Err (*AllocateHostMemory)(PF_ProgPtr effect_ref, A_u_long device_index, size_t bytes, void** memory);
    PF_Err (*FreeHostMemory)(PF_ProgPtr effect_ref, A_u_long device_index, void* memory);
    PF_Err (*PurgeHostMemory)(PF_ProgPtr effect_ref, A_u_long device_index, size_t bytes, size_t* purged);
    PF_Err (*CreateGPUWorld)(PF_ProgPtr effect_ref, A_u_long device_index, A_long width, A_long height,
                             PF_RationalScale pixel_aspect, PF_Field field, PF_PixelFormat pixel_format,
                             PF_Boolean clear, PF_EffectWorld** world);
    PF_Err (*DisposeGPUWorld)(PF_ProgPtr effect_ref, PF_EffectWorld* world);
    PF_Err (*GetGPUWorldData)(PF_ProgPtr effect_ref, PF_EffectWorld* world, void** data);
    PF_Err (*GetGPUWorldSize)(PF_ProgPtr effect_ref, PF_EffectWorld* world, size_t* bytes);
    PF_Err (*GetGPUWorldDeviceIndex)(PF_ProgPtr effect_ref, PF_EffectWorld* world, A_u_long* device_index);
};

#define kPFGPUDeviceSuite "PF GPU Device Suite"
constexpr int32 kPFGPUDeviceSuiteVersion1 = 1;

static_assert(sizeof(PF_GPUDeviceSetupInput) == 8 && alignof(PF_GPUDeviceSetupInput) == 4);
static_assert(sizeof(PF_GPUDeviceSetupOutput) == 8 && alignof(PF_GPUDeviceSetupOutput) == 8);
static_assert(sizeof(PF_GPUDeviceSetupExtra) == 16 && offsetof(PF_GPUDeviceSetupExtra, output) == 8);
static_assert(sizeof(PF_GPUDeviceSetdownInput) == 16 && offsetof(PF_GPUDeviceSetdownInput, what_gpu) == 8);
static_assert(offsetof(PF_GPUDeviceSetdownInput, device_index) == 12);
static_assert(sizeof(PF_GPUDeviceSetdownExtra) == 8);
static_assert(sizeof(PF_GPUDeviceInfo) == 56 && alignof(PF_GPUDeviceInfo) == 8);
static_assert(offsetof(PF_GPUDeviceInfo, compatibleB) == 4 && offsetof(PF_GPUDeviceInfo, platformPV) == 8);
static_assert(offsetof(PF_GPUDeviceInfo, devicePV) == 16 && offsetof(PF_GPUDeviceInfo, contextPV) == 24);
static_assert(offsetof(PF_GPUDeviceInfo, command_queuePV) == 32);
static_assert(offsetof(PF_GPUDeviceInfo, offscreen_opengl_devicePV) == 48);
static_assert(sizeof(PF_GPUDeviceSuite1) == 120 && alignof(PF_GPUDeviceSuite1) == 8);
static_assert(offsetof(PF_GPUDeviceSuite1, CreateGPUWorld) == 80);
static_assert(offsetof(PF_GPUDeviceSuite1, GetGPUWorldData) == 96);
