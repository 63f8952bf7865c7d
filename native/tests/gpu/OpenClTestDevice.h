#pragma once
// One OpenCL device for a whole test program, with a context and a queue as
// an editing host would own them and hand them to the GPU filter. Not usable
// (and `why` says so) where no OpenCL platform is installed.

#include <string>

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

}  // namespace kvtest
