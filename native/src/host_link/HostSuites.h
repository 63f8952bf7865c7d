#pragma once
// Every call the effect makes into a host suite, each bracketed by the
// basic suite's acquire and release.
//
// Hosts fill their basic suite and suite tables as they see fit, so every
// function pointer is checked here, in one place: a missing basic suite, a
// basic suite without AcquireSuite or ReleaseSuite, a refused or null suite,
// or a suite without the function wanted all read as "the host cannot be
// asked", and nothing missing is ever called. A suite is released exactly
// when it was acquired, whatever its pointer turned out to be.

#include <span>

#include "sdk/effect_sdk.h"

namespace kv {

// The editing host's pixel format of `world`. False, with `format` left as
// it was, when the pixel format suite or its GetPixelFormat cannot be had;
// the function's own result is not looked at, as the host may leave the
// format as it was.
bool EditingHostPixelFormat(const PF_InData* in_data, PF_EffectWorld* world, PrPixelFormat& format);

// The editing host's list of formats the effect takes: cleared, then `formats`
// added in order. False when the suite or either function cannot be had;
// the host's answers to the calls themselves are not looked at.
bool DeclareEditingHostPixelFormats(const PF_InData* in_data, std::span<const PrPixelFormat> formats);

// What the compositing host's World Suite says of `world`. False when the
// suite or its PF_GetPixelFormat cannot be had or the host answers an error.
bool WorldSuitePixelFormat(const PF_InData* in_data, const PF_EffectWorld& world, PF_PixelFormat& format);

// PF_UpdateParamUI of the Param Utils Suite for parameter `index`, its answer
// in `result`. False, with `result` untouched, when it cannot be called.
bool UpdateParamUI(const PF_InData* in_data, PF_ParamIndex index, const PF_ParamDef& def, PF_Err& result);

// What the compositing host's GPU Device Suite says for one GPU render: the
// device's information and the device memory of both worlds. `step` names
// the call that failed ("suite", "GetDeviceInfo", "GetGPUWorldData") and
// `result` holds the host's answer to it (0 where the call could not be
// made). The information record is zeroed first.
struct GpuRenderBuffers {
    PF_GPUDeviceInfo device{};
    void* input = nullptr;
    void* output = nullptr;
};
bool ReadGpuRenderBuffers(const PF_InData* in_data, A_u_long deviceIndex, PF_EffectWorld* input,
                          PF_EffectWorld* output, GpuRenderBuffers& buffers, const char*& step, PF_Err& result);

// GetDeviceInfo alone, for device setup; `step` and `result` as above.
bool ReadGpuDeviceInfo(const PF_InData* in_data, A_u_long deviceIndex, PF_GPUDeviceInfo& info, const char*& step,
                       PF_Err& result);

}  // namespace kv
