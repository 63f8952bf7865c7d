#include "host_sim/FakeGpuDevices.h"

namespace kvsim {

FakeGpuDevices& FakeGpuDevices::Get() {
    static FakeGpuDevices devices;
    return devices;
}

FakeGpuDevices::FakeGpuDevices() {
    suite_.GetDeviceInfo = GetDeviceInfoCb;
    suite_.GetGPUWorldData = GetWorldDataCb;
}

void FakeGpuDevices::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    devices_.clear();
    worlds_.clear();
    deviceInfoError_ = PF_Err_NONE;
    worldDataError_ = PF_Err_NONE;
    deviceInfoCalls_ = 0;
    worldDataCalls_ = 0;
}

void FakeGpuDevices::SetDevice(A_u_long index, const PF_GPUDeviceInfo& info) {
    std::lock_guard<std::mutex> lock(mutex_);
    devices_[index] = info;
}

void FakeGpuDevices::AddWorld(const PF_LayerDef* world, void* deviceData) {
    std::lock_guard<std::mutex> lock(mutex_);
    worlds_[world] = deviceData;
}

bool FakeGpuDevices::IsWorld(const PF_LayerDef* world) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return worlds_.count(world) != 0;
}

void FakeGpuDevices::FailDeviceInfo(PF_Err err) {
    std::lock_guard<std::mutex> lock(mutex_);
    deviceInfoError_ = err;
}

void FakeGpuDevices::FailWorldData(PF_Err err) {
    std::lock_guard<std::mutex> lock(mutex_);
    worldDataError_ = err;
}

int FakeGpuDevices::DeviceInfoCalls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return deviceInfoCalls_;
}

int FakeGpuDevices::WorldDataCalls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return worldDataCalls_;
}

PF_Err FakeGpuDevices::GetDeviceInfoCb(PF_ProgPtr, A_u_long index, PF_GPUDeviceInfo* info) {
    FakeGpuDevices& d = Get();
    std::lock_guard<std::mutex> lock(d.mutex_);
    ++d.deviceInfoCalls_;
    const auto found = d.devices_.find(index);
    if (info == nullptr || found == d.devices_.end()) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (d.deviceInfoError_ != PF_Err_NONE) {
        return d.deviceInfoError_;
    }
    *info = found->second;
    return PF_Err_NONE;
}

PF_Err FakeGpuDevices::GetWorldDataCb(PF_ProgPtr, PF_EffectWorld* world, void** data) {
    FakeGpuDevices& d = Get();
    std::lock_guard<std::mutex> lock(d.mutex_);
    ++d.worldDataCalls_;
    const auto found = d.worlds_.find(world);
    if (data == nullptr || found == d.worlds_.end()) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (d.worldDataError_ != PF_Err_NONE) {
        *data = nullptr;
        return d.worldDataError_;
    }
    *data = found->second;
    return PF_Err_NONE;
}

}  // namespace kvsim
