#pragma once
// A fixture for the GPU filter on the system's OpenCL library, registered
// with device 0 being the test program's OpenCL device. Skips, saying why,
// where that device is not usable.

#include "GpuFilterTestSupport.h"
#include "OpenClTestDevice.h"

namespace kvtest {

class OpenClFilterTest : public GpuFilterTest {
protected:
    void SetUp() override {
        OpenClTestDevice& d = OpenClTestDevice::Get();
        if (!d.usable()) {
            GTEST_SKIP() << "SKIPPED LOUDLY: the GPU filter was not run on OpenCL: " << d.why;
        }
        ResetProcessState(nullptr, nullptr);
        kv::gpu::ResetOpenClTableForTesting();  // the system's OpenCL library
        RegisterFilter();
        PrGPUDeviceInfo& device = host_.Device(0);
        device.outDeviceFramework = PrGPUDeviceFramework_OpenCL;
        device.outMeetsMinimumRequirementsForAcceleration = 1;
        device.outPlatformHandle = d.platform;
        device.outDeviceHandle = d.device;
        device.outContextHandle = d.context;
        device.outCommandQueueHandle = d.queue;
    }
};

}  // namespace kvtest
