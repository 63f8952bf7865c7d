#include "gpu/OpenClBackend.h"

#include <cstddef>
#include <vector>

#include "gpu/KernelSources.h"
#include "gpu/OpenClTable.h"
#include "panel_link/Log.h"

namespace kv::gpu {

namespace {

constexpr std::size_t kBuildLogBytes = 2048;

// The program's build log for `device`, cut to 2047 bytes. A runtime refuses
// to write a log into a buffer that is too small for all of it, so a long
// log is read whole first and then cut.
void ReadBuildLog(const OpenClTable& cl, ClProgram program, ClDevice device,
                  char (&text)[kBuildLogBytes]) {
    std::size_t needed = 0;
    if (cl.clGetProgramBuildInfo(program, device, kClProgramBuildLog, 0, nullptr, &needed) == 0 &&
        needed > kBuildLogBytes - 1) {
        std::vector<char> whole(needed + 1, '\0');
        if (cl.clGetProgramBuildInfo(program, device, kClProgramBuildLog, needed, whole.data(),
                                     nullptr) == 0) {
            for (std::size_t i = 0; i < kBuildLogBytes - 1; ++i) {
                text[i] = whole[i];
            }
        }
    } else {
        cl.clGetProgramBuildInfo(program, device, kClProgramBuildLog, kBuildLogBytes - 1, text,
                                 nullptr);
    }
    text[kBuildLogBytes - 1] = '\0';
}

class OpenClBackend final : public GpuBackend {
public:
    bool Prepare(const DeviceHandles& device) override;
    bool Upload(const DeviceHandles& device, const Lut3D& lut) override;
    bool Launch(const DeviceHandles& device, void* src, void* dst, const KernelParams& params,
                bool waitForStream) override;
    void Release(const DeviceHandles& device) override;

private:
    // Held until Release (the compositing host's device setdown); the
    // editing host's devices keep them for the life of the process.
    // Gives back every LUT buffer.
    void ReleaseBuffers();

    ClProgram program_ = nullptr;
    ClKernel kernel_ = nullptr;        // KromvaleLut
    ClKernel shapedKernel_ = nullptr;  // KromvaleLutShaped
    ClKernel stepsKernel_ = nullptr;   // KromvaleLutSteps
    // The cube and the 1D table of the uploaded LUT; null where it has none
    // (a null buffer argument is a null pointer in the kernel, never read).
    ClMem lut_ = nullptr;
    ClMem shaper_ = nullptr;
    ClMem steps_ = nullptr;   // a process list's step records
    ClMem tables_ = nullptr;  // and its tables
};

// The release functions are checked: a table a test installs may lack them.
void ReleaseBuffer(const OpenClTable& cl, ClMem& buffer) {
    if (buffer != nullptr && cl.clReleaseMemObject != nullptr) {
        cl.clReleaseMemObject(buffer);
    }
    buffer = nullptr;
}

void ReleaseKernel(const OpenClTable& cl, ClKernel& kernel) {
    if (kernel != nullptr && cl.clReleaseKernel != nullptr) {
        cl.clReleaseKernel(kernel);
    }
    kernel = nullptr;
}

void ReleaseProgram(const OpenClTable& cl, ClProgram& program) {
    if (program != nullptr && cl.clReleaseProgram != nullptr) {
        cl.clReleaseProgram(program);
    }
    program = nullptr;
}

void OpenClBackend::ReleaseBuffers() {
    const OpenClTable& cl = GetOpenClTable();
    ReleaseBuffer(cl, lut_);
    ReleaseBuffer(cl, shaper_);
    ReleaseBuffer(cl, steps_);
    ReleaseBuffer(cl, tables_);
}

// A read-only buffer holding `values` in `buffer` (null on entry), or none
// for no values, since the runtime refuses a 0-byte buffer. False, with the
// runtime's error code in `err`, where no buffer came back.
bool CopyToDevice(const OpenClTable& cl, ClContext context, const void* data, std::size_t bytes, ClMem& buffer,
                  ClInt& err) {
    err = 0;
    if (bytes == 0) {
        return true;
    }
    // The runtime copies the data at creation and never writes through the
    // pointer (read-only, copy-host-pointer).
    ClMem created = cl.clCreateBuffer(context, kClMemReadOnlyCopyHost, bytes, const_cast<void*>(data), &err);
    if (err != 0 || created == nullptr) {
        return false;
    }
    buffer = created;
    return true;
}

template <class T>
bool CopyToDevice(const OpenClTable& cl, ClContext context, const std::vector<T>& values, ClMem& buffer,
                  ClInt& err) {
    return CopyToDevice(cl, context, values.data(), values.size() * sizeof(T), buffer, err);
}

bool OpenClBackend::Prepare(const DeviceHandles& device) {
    const OpenClTable& cl = GetOpenClTable();
    if (!cl.usable) {
        LogPrintf("GPU: OpenCL.dll not usable");
        return false;
    }
    const ClDevice target = device.device;
    ClInt err = 0;
    const char* source = kKromvaleLutOpenCl;
    ClProgram program = cl.clCreateProgramWithSource(device.context, 1, &source, nullptr, &err);
    if (err != 0) {
        program = nullptr;  // nothing of ours to release
    }
    program_ = program;
    if (program != nullptr) {
        err = cl.clBuildProgram(program, 1, &target, "-cl-single-precision-constant", nullptr, nullptr);
        if (err == 0) {
            // What comes back with an error is not a kernel of ours.
            ClInt kernelErr = 0;
            kernel_ = cl.clCreateKernel(program, kKromvaleLutEntry, &kernelErr);
            if (kernelErr != 0) {
                kernel_ = nullptr;
            }
            if (kernel_ != nullptr) {
                shapedKernel_ = cl.clCreateKernel(program, kKromvaleLutShapedEntry, &kernelErr);
                if (kernelErr != 0) {
                    shapedKernel_ = nullptr;
                }
            }
            if (shapedKernel_ != nullptr) {
                stepsKernel_ = cl.clCreateKernel(program, kKromvaleLutStepsEntry, &kernelErr);
                if (kernelErr != 0) {
                    stepsKernel_ = nullptr;
                }
            }
            if (kernel_ == nullptr || shapedKernel_ == nullptr || stepsKernel_ == nullptr) {
                LogPrintf("GPU: OpenCL kernel failed (%d)", kernelErr);
                Release(device);
                return false;
            }
            return true;
        }
    }
    char buildLog[kBuildLogBytes] = {};
    if (program != nullptr) {
        ReadBuildLog(cl, program, target, buildLog);
    }
    LogPrintf("GPU: OpenCL build failed (%d): %s", err, buildLog);
    Release(device);
    return false;
}

bool OpenClBackend::Upload(const DeviceHandles& device, const Lut3D& lut) {
    const OpenClTable& cl = GetOpenClTable();
    // Kernels already queued may still read the old buffers.
    cl.clFinish(device.queue);
    ReleaseBuffers();
    ClInt err = 0;
    bool copied = CopyToDevice(cl, device.context, lut.data, lut_, err) &&
                  CopyToDevice(cl, device.context, lut.shaper, shaper_, err);
    if (copied && lut.steps != nullptr) {
        // A list without tables still binds a buffer, which the runtime
        // would refuse at 0 bytes.
        const float none = 0.0f;
        copied = CopyToDevice(cl, device.context, lut.steps->records, steps_, err) &&
                 (lut.steps->tables.empty() ? CopyToDevice(cl, device.context, &none, sizeof none, tables_, err)
                                            : CopyToDevice(cl, device.context, lut.steps->tables, tables_, err));
    }
    if (!copied) {
        LogPrintf("GPU: OpenCL LUT upload failed (%d)", err);
        ReleaseBuffers();
        return false;
    }
    return true;
}

bool OpenClBackend::Launch(const DeviceHandles& device, void* src, void* dst, const KernelParams& params,
                           bool) {
    const OpenClTable& cl = GetOpenClTable();
    const ClMem srcMem = src;
    const ClMem dstMem = dst;
    // Results are not checked: a bad argument surfaces as a launch failure.
    // The shaped entry takes the plain one's arguments at the same indices,
    // then the 1D stage's.
    // The steps entry takes the plain one's, then the step list's.
    const bool shaped = UsesShapedEntry(params);
    const bool steps = UsesStepsEntry(params);
    const ClKernel kernel = steps ? stepsKernel_ : shaped ? shapedKernel_ : kernel_;
    if (steps) {
        const auto args = StepsKernelArgPointers(&srcMem, &dstMem, &lut_, &steps_, &tables_, params);
        for (int i = 0; i < kStepsKernelArgCount; ++i) {
            cl.clSetKernelArg(kernel, static_cast<ClUint>(i), kStepsKernelArgBytes[i], args[i]);
        }
    } else {
        const auto args = ShapedKernelArgPointers(&srcMem, &dstMem, &lut_, &shaper_, params);
        const int count = shaped ? kShapedKernelArgCount : kKernelArgCount;
        for (int i = 0; i < count; ++i) {
            cl.clSetKernelArg(kernel, static_cast<ClUint>(i), kKernelArgBytes[i], args[i]);
        }
    }
    const std::size_t global[2] = {std::size_t{TilesFor(params.width)} * kLaunchTile,
                                   std::size_t{TilesFor(params.height)} * kLaunchTile};
    const std::size_t local[2] = {kLaunchTile, kLaunchTile};
    const ClInt err = cl.clEnqueueNDRangeKernel(device.queue, kernel, 2, nullptr, global, local,
                                                0, nullptr, nullptr);
    if (err != 0) {
        LogPrintf("GPU: OpenCL launch failed (%d)", err);
        return false;
    }
    return true;
}

void OpenClBackend::Release(const DeviceHandles&) {
    // The runtime keeps a released object until the work queued with it is
    // done, so nothing here waits for the queue.
    const OpenClTable& cl = GetOpenClTable();
    ReleaseKernel(cl, kernel_);
    ReleaseKernel(cl, shapedKernel_);
    ReleaseKernel(cl, stepsKernel_);
    ReleaseProgram(cl, program_);
    ReleaseBuffers();
}

}  // namespace

std::unique_ptr<GpuBackend> MakeOpenClBackend() { return std::make_unique<OpenClBackend>(); }

}  // namespace kv::gpu
