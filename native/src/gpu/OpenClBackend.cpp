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
    bool Prepare(const PrGPUDeviceInfo& device) override;
    bool Upload(const PrGPUDeviceInfo& device, const Lut3D& lut) override;
    bool Launch(const PrGPUDeviceInfo& device, void* src, void* dst, const KernelParams& params) override;

private:
    // Never released: they live as long as the process. The kernels keep
    // their program alive, so the program is not kept here.
    ClKernel kernel_ = nullptr;        // KromvaleLut
    ClKernel shapedKernel_ = nullptr;  // KromvaleLutShaped
    // The cube and the 1D table of the uploaded LUT; null where it has none
    // (a null buffer argument is a null pointer in the kernel, never read).
    ClMem lut_ = nullptr;
    ClMem shaper_ = nullptr;
};

void ReleaseBuffer(const OpenClTable& cl, ClMem& buffer) {
    if (buffer != nullptr) {
        cl.clReleaseMemObject(buffer);
        buffer = nullptr;
    }
}

// A read-only buffer holding `values` in `buffer` (null on entry), or none
// for no values, since the runtime refuses a 0-byte buffer. False, with the
// runtime's error code in `err`, where no buffer came back.
bool CopyToDevice(const OpenClTable& cl, ClContext context, const std::vector<float>& values, ClMem& buffer,
                  ClInt& err) {
    err = 0;
    if (values.empty()) {
        return true;
    }
    // The runtime copies the data at creation and never writes through the
    // pointer (read-only, copy-host-pointer).
    ClMem created = cl.clCreateBuffer(context, kClMemReadOnlyCopyHost, values.size() * sizeof(float),
                                      const_cast<float*>(values.data()), &err);
    if (err != 0 || created == nullptr) {
        return false;
    }
    buffer = created;
    return true;
}

bool OpenClBackend::Prepare(const PrGPUDeviceInfo& device) {
    const OpenClTable& cl = GetOpenClTable();
    if (!cl.usable) {
        LogPrintf("GPU: OpenCL.dll not usable");
        return false;
    }
    const ClDevice target = device.outDeviceHandle;
    ClInt err = 0;
    const char* source = kKromvaleLutOpenCl;
    ClProgram program = cl.clCreateProgramWithSource(device.outContextHandle, 1, &source, nullptr, &err);
    if (program != nullptr && err == 0) {
        err = cl.clBuildProgram(program, 1, &target, "-cl-single-precision-constant", nullptr, nullptr);
        if (err == 0) {
            ClInt kernelErr = 0;
            kernel_ = cl.clCreateKernel(program, kKromvaleLutEntry, &kernelErr);
            if (kernelErr == 0 && kernel_ != nullptr) {
                shapedKernel_ = cl.clCreateKernel(program, kKromvaleLutShapedEntry, &kernelErr);
            }
            if (kernelErr != 0 || kernel_ == nullptr || shapedKernel_ == nullptr) {
                kernel_ = nullptr;
                shapedKernel_ = nullptr;
                LogPrintf("GPU: OpenCL kernel failed (%d)", kernelErr);
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
    return false;
}

bool OpenClBackend::Upload(const PrGPUDeviceInfo& device, const Lut3D& lut) {
    const OpenClTable& cl = GetOpenClTable();
    // Kernels already queued may still read the old buffers.
    cl.clFinish(device.outCommandQueueHandle);
    ReleaseBuffer(cl, lut_);
    ReleaseBuffer(cl, shaper_);
    ClInt err = 0;
    if (!CopyToDevice(cl, device.outContextHandle, lut.data, lut_, err) ||
        !CopyToDevice(cl, device.outContextHandle, lut.shaper, shaper_, err)) {
        LogPrintf("GPU: OpenCL LUT upload failed (%d)", err);
        ReleaseBuffer(cl, lut_);
        return false;
    }
    return true;
}

bool OpenClBackend::Launch(const PrGPUDeviceInfo& device, void* src, void* dst, const KernelParams& params) {
    const OpenClTable& cl = GetOpenClTable();
    const ClMem srcMem = src;
    const ClMem dstMem = dst;
    // Results are not checked: a bad argument surfaces as a launch failure.
    // The shaped entry takes the plain one's arguments at the same indices,
    // then the 1D stage's.
    const bool shaped = UsesShapedEntry(params);
    const ClKernel kernel = shaped ? shapedKernel_ : kernel_;
    const auto args = ShapedKernelArgPointers(&srcMem, &dstMem, &lut_, &shaper_, params);
    const int count = shaped ? kShapedKernelArgCount : kKernelArgCount;
    for (int i = 0; i < count; ++i) {
        cl.clSetKernelArg(kernel, static_cast<ClUint>(i), kKernelArgBytes[i], args[i]);
    }
    const std::size_t global[2] = {std::size_t{TilesFor(params.width)} * kLaunchTile,
                                   std::size_t{TilesFor(params.height)} * kLaunchTile};
    const std::size_t local[2] = {kLaunchTile, kLaunchTile};
    const ClInt err = cl.clEnqueueNDRangeKernel(device.outCommandQueueHandle, kernel, 2, nullptr, global, local,
                                                0, nullptr, nullptr);
    if (err != 0) {
        LogPrintf("GPU: OpenCL launch failed (%d)", err);
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<GpuBackend> MakeOpenClBackend() { return std::make_unique<OpenClBackend>(); }

}  // namespace kv::gpu
