#pragma once
// One OpenCL device for a whole test program, with a context and a queue as
// an editing host would own them. Not usable (and `why` says so) where the
// device cannot be had; `skippable` tells a machine without any OpenCL
// platform, where tests skip, from a platform that is present but broken.

#include <string>
#include <vector>

#include "OpenClRuntime.h"

namespace kvtest {

struct OpenClTestDevice {
    kv::gpu::test::OpenClRuntime cl;
    void* platform = nullptr;
    void* device = nullptr;
    void* context = nullptr;
    void* queue = nullptr;
    std::string why;
    bool skippable = false;

    OpenClTestDevice() {
        if (!cl.Load(why)) {
            skippable = true;
            return;
        }
        kv::gpu::test::cl_uint count = 0;
        const auto rc = cl.clGetPlatformIDs(1, &platform, &count);
        if (rc != 0 || count == 0) {
            why = "no OpenCL platform (clGetPlatformIDs " + std::to_string(rc) + ")";
            skippable = rc == kv::gpu::test::kClPlatformNotFound || rc == 0;
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

    // A read-write buffer in the context holding a copy of `bytes`; null,
    // with `*err` set, on failure.
    void* CopyToDevice(std::vector<unsigned char>& bytes, kv::gpu::test::cl_int* err) {
        return cl.clCreateBuffer(context, kv::gpu::test::kClMemReadWrite | kv::gpu::test::kClMemCopyHostPtr,
                                 bytes.size(), bytes.data(), err);
    }
    // Waits for the queue and reads all of `buffer` back into `bytes`.
    kv::gpu::test::cl_int ReadBack(void* buffer, std::vector<unsigned char>& bytes) {
        return cl.clEnqueueReadBuffer(queue, buffer, 1, 0, bytes.size(), bytes.data(), 0, nullptr, nullptr);
    }

    static OpenClTestDevice& Get() {
        static OpenClTestDevice instance;
        return instance;
    }
};

}  // namespace kvtest
