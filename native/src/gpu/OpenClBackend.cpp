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
    // Never released: they live as long as the process. The kernel keeps its
    // program alive, so the program is not kept here.
    ClKernel kernel_ = nullptr;
    ClMem lut_ = nullptr;
};

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
            if (kernelErr != 0 || kernel_ == nullptr) {
                kernel_ = nullptr;
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
    // Kernels already queued may still read the old buffer.
    cl.clFinish(device.outCommandQueueHandle);
    if (lut_ != nullptr) {
        cl.clReleaseMemObject(lut_);
        lut_ = nullptr;
    }
    ClInt err = 0;
    // The runtime copies the data at creation and never writes through the
    // pointer (read-only, copy-host-pointer).
    ClMem buffer = cl.clCreateBuffer(device.outContextHandle, kClMemReadOnlyCopyHost,
                                     lut.data.size() * sizeof(float), const_cast<float*>(lut.data.data()), &err);
    if (err != 0 || buffer == nullptr) {
        LogPrintf("GPU: OpenCL LUT upload failed (%d)", err);
        return false;
    }
    lut_ = buffer;
    return true;
}

bool OpenClBackend::Launch(const PrGPUDeviceInfo& device, void* src, void* dst, const KernelParams& params) {
    const OpenClTable& cl = GetOpenClTable();
    const ClMem srcMem = src;
    const ClMem dstMem = dst;
    // Results are not checked: a bad argument surfaces as a launch failure.
    const auto args = KernelArgPointers(&srcMem, &dstMem, &lut_, params);
    for (int i = 0; i < kKernelArgCount; ++i) {
        cl.clSetKernelArg(kernel_, static_cast<ClUint>(i), kKernelArgBytes[i], args[i]);
    }
    const std::size_t global[2] = {std::size_t{TilesFor(params.width)} * kLaunchTile,
                                   std::size_t{TilesFor(params.height)} * kLaunchTile};
    const std::size_t local[2] = {kLaunchTile, kLaunchTile};
    const ClInt err = cl.clEnqueueNDRangeKernel(device.outCommandQueueHandle, kernel_, 2, nullptr, global, local,
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
