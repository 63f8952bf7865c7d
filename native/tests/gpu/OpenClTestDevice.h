#pragma once
// One OpenCL device for a whole test program, with a context and a queue as
// an editing host would own them and hand them to the GPU filter, and a
// fixture whose filter is registered on it. Not usable (and `why` says so)
// where no OpenCL platform is installed; the fixture then skips.

#include <string>

#include "GpuFilterTestSupport.h"
#include "OpenClRuntime.h"

namespace kvtest {

struct OpenClTestDevice {
    kv::gpu::test::OpenClRuntime cl;
    void* platform = nullptr;
    void* device = nullptr;
    void* context = nullptr;
    void* queue = nullptr;
    std::string why;

    OpenClTestDevice() {
        if (!cl.Load(why)) {
            return;
        }
        kv::gpu::test::cl_uint count = 0;
        const auto rc = cl.clGetPlatformIDs(1, &platform, &count);
        if (rc != 0 || count == 0) {
            why = "no OpenCL platform (clGetPlatformIDs " + std::to_string(rc) + ")";
            platform = nullptr;
            return;
        }
        if (cl.clGetDeviceIDs(platform, kv::gpu::test::kClDeviceTypeAll, 1, &device, &count) != 0 ||
            count == 0) {
            why = "no OpenCL device";
            return;
        }
        kv::gpu::test::cl_int err = 0;
        context = cl.clCreateContext(nullptr, 1, &device, nullptr, nullptr, &err);
        queue = context ? cl.clCreateCommandQueue(context, device, 0, &err) : nullptr;
        if (queue == nullptr) {
            why = "no OpenCL queue (" + std::to_string(err) + ")";
        }
    }
    bool usable() const { return queue != nullptr; }

    static OpenClTestDevice& Get() {
        static OpenClTestDevice instance;
        return instance;
    }
};

// The GPU filter registered with device 0 being the OpenCL device, through
// the system's OpenCL library.
class OpenClFilterTest : public GpuFilterTest {
protected:
    void SetUp() override {
        OpenClTestDevice& d = OpenClTestDevice::Get();
        if (!d.usable()) {
            GTEST_SKIP() << "SKIPPED LOUDLY: the GPU filter was not run on OpenCL: " << d.why;
        }
        ResetProcessState(nullptr, nullptr);
        ResetOpenClTableForTesting();  // the system's OpenCL library
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
