#pragma once
// The compositing host's GPU side: the "PF GPU Device Suite" the effect
// acquires through a FakeHost, the devices it reports and the GPU worlds
// whose device memory it hands out. One process-wide table, as the host has
// one; a test sets it up before its calls and clears it after.

#include <map>
#include <mutex>

#include "sdk/effect_sdk.h"

namespace kvsim {

class FakeGpuDevices {
public:
    static FakeGpuDevices& Get();

    // Forgets every device, world and failure, and zeroes the counters.
    void Clear();
    // What GetDeviceInfo reports for `index`; unknown indices answer an error.
    void SetDevice(A_u_long index, const PF_GPUDeviceInfo& info);
    // A GPU world: the world suite answers PF_PixelFormat_GPU_BGRA128 for it
    // and GetGPUWorldData gives `deviceData` (a CUDA address or a cl_mem).
    void AddWorld(const PF_LayerDef* world, void* deviceData);
    bool IsWorld(const PF_LayerDef* world) const;
    // The error the suite functions answer (0: they work).
    void FailDeviceInfo(PF_Err err);
    void FailWorldData(PF_Err err);

    int DeviceInfoCalls() const;
    int WorldDataCalls() const;

    const PF_GPUDeviceSuite1* Suite() const { return &suite_; }

private:
    FakeGpuDevices();
    static PF_Err GetDeviceInfoCb(PF_ProgPtr ref, A_u_long index, PF_GPUDeviceInfo* info);
    static PF_Err GetWorldDataCb(PF_ProgPtr ref, PF_EffectWorld* world, void** data);

    mutable std::mutex mutex_;
    PF_GPUDeviceSuite1 suite_{};
    std::map<A_u_long, PF_GPUDeviceInfo> devices_;
    std::map<const PF_LayerDef*, void*> worlds_;
    PF_Err deviceInfoError_ = PF_Err_NONE;
    PF_Err worldDataError_ = PF_Err_NONE;
    int deviceInfoCalls_ = 0;
    int worldDataCalls_ = 0;
};

}  // namespace kvsim
