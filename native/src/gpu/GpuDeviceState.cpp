#include "gpu/GpuDeviceState.h"

#include <map>

namespace kv::gpu {

namespace {

struct DeviceRegistry {
    std::mutex mutex;
    std::map<std::uint32_t, std::unique_ptr<GpuDeviceState>> states;
};

DeviceRegistry& Registry() {
    static DeviceRegistry registry;
    return registry;
}

}  // namespace

GpuDeviceState& GetGpuDeviceState(std::uint32_t deviceIndex) {
    DeviceRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    std::unique_ptr<GpuDeviceState>& slot = registry.states[deviceIndex];
    if (!slot) {
        slot = std::make_unique<GpuDeviceState>();
    }
    return *slot;
}

void ResetGpuDeviceStatesForTesting() {
    DeviceRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.states.clear();
}

}  // namespace kv::gpu
