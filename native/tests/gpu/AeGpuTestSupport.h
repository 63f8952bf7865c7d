#pragma once
// The compositing host's GPU commands driven through EffectMain: device
// setup and setdown as the host sends them, and GPU worlds (no pixels in
// host memory, device memory through the fake GPU Device Suite).

#include <gtest/gtest.h>

#include "host_sim/FakeGpuDevices.h"
#include "host_sim/FakeHost.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace kvtest {

// What one GPU_DEVICE_SETUP answered.
struct SetupAnswer {
    PF_Err err = PF_Err_NONE;
    bool accepted = false;  // the GPU bit in out_flags2
    void* gpuData = nullptr;
};

// On records of the caller's own (a setup thread's copy), or the host's.
inline SetupAnswer SetUpDeviceWith(kvsim::FakeHost& host, PF_InData& in, PF_OutData& out, PF_GPU_Framework what,
                                   A_u_long index) {
    PF_GPUDeviceSetupInput input{what, index};
    PF_GPUDeviceSetupOutput output{reinterpret_cast<void*>(0x1)};  // the host's value is not trusted
    PF_GPUDeviceSetupExtra extra{&input, &output};
    out.out_flags2 = 0;
    SetupAnswer answer;
    answer.err = host.CallWith(in, out, PF_Cmd_GPU_DEVICE_SETUP, nullptr, nullptr, &extra);
    answer.accepted = (out.out_flags2 & PF_OutFlag2_SUPPORTS_GPU_RENDER_F32) != 0;
    answer.gpuData = output.gpu_data;
    return answer;
}

inline SetupAnswer SetUpDevice(kvsim::FakeHost& host, PF_GPU_Framework what, A_u_long index) {
    return SetUpDeviceWith(host, host.in(), host.out(), what, index);
}

inline PF_Err SetDownDevice(kvsim::FakeHost& host, void* gpuData, PF_GPU_Framework what, A_u_long index) {
    PF_GPUDeviceSetdownInput input{gpuData, what, index};
    PF_GPUDeviceSetdownExtra extra{&input};
    return host.Call(PF_Cmd_GPU_DEVICE_SETDOWN, nullptr, nullptr, &extra);
}

// A GPU world of width x height at (originX, originY) of its layer whose
// rows are `rowBytes` long, known to the fake suite with `deviceData`.
inline PF_LayerDef GpuWorld(int width, int height, int rowBytes, A_long originX = 0, A_long originY = 0) {
    PF_LayerDef world{};
    world.width = width;
    world.height = height;
    world.rowbytes = rowBytes;
    world.origin_x = originX;
    world.origin_y = originY;
    world.extent_hint.right = width;
    world.extent_hint.bottom = height;
    return world;
}

}  // namespace kvtest
