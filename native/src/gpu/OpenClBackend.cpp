#include "gpu/OpenClBackend.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gpu/KernelSources.h"
#include "panel_link/Log.h"

namespace {

constexpr std::size_t kBuildLogBytes = 2048;

// Work items across: the extent rounded up to a multiple of 16 (0 stays 0,
// and a negative extent counts as 0).
std::size_t RoundUp16(std::int32_t extent) {
    return extent > 0 ? (static_cast<std::size_t>(extent) + 15) / 16 * 16 : 0;
}

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

}  // namespace

bool PrepareOpenClKernel(GpuDeviceState& state, ClContext context, ClDevice device) {
    const OpenClTable& cl = GetOpenClTable();
    if (!cl.usable) {
        LogPrintf("GPU: OpenCL.dll not usable");
        return false;
    }
    ClInt err = 0;
    const char* source = kKromvaleLutOpenCl;
    ClProgram program = cl.clCreateProgramWithSource(context, 1, &source, nullptr, &err);
    if (program != nullptr && err == 0) {
        err = cl.clBuildProgram(program, 1, &device, "-cl-single-precision-constant", nullptr, nullptr);
        if (err == 0) {
            ClInt kernelErr = 0;
            state.clKernel = cl.clCreateKernel(program, "KromvaleLut", &kernelErr);
            if (kernelErr != 0 || state.clKernel == nullptr) {
                state.clKernel = nullptr;
                LogPrintf("GPU: OpenCL kernel failed (%d)", kernelErr);
                return false;
            }
            // The kernel keeps its program alive; the program is not kept here.
            return true;
        }
    }
    char buildLog[kBuildLogBytes] = {};
    if (program != nullptr) {
        ReadBuildLog(cl, program, device, buildLog);
    }
    LogPrintf("GPU: OpenCL build failed (%d): %s", err, buildLog);
    return false;
}

bool UploadOpenClLut(GpuDeviceState& state, ClContext context, ClQueue queue, const kv::Lut3D& lut) {
    const OpenClTable& cl = GetOpenClTable();
    // Kernels already queued may still read the old buffer.
    cl.clFinish(queue);
    if (state.clLut != nullptr) {
        cl.clReleaseMemObject(state.clLut);
        state.clLut = nullptr;
    }
    ClInt err = 0;
    // The runtime copies the data at creation and never writes through the
    // pointer (read-only, copy-host-pointer).
    ClMem buffer = cl.clCreateBuffer(context, kClMemReadOnlyCopyHost, lut.data.size() * sizeof(float),
                                     const_cast<float*>(lut.data.data()), &err);
    if (err != 0 || buffer == nullptr) {
        LogPrintf("GPU: OpenCL LUT upload failed (%d)", err);
        return false;
    }
    state.clLut = buffer;
    return true;
}

void SetKernelArgs(const OpenClTable& table, ClKernel kernel, ClMem src, ClMem dst, ClMem lut,
                   const KernelParams& params) {
    const KernelArgList args = MakeKernelArgList(&src, &dst, &lut, params);
    for (int i = 0; i < kKernelArgCount; ++i) {
        table.clSetKernelArg(kernel, static_cast<ClUint>(i), args.sizes[i], args.values[i]);
    }
}

bool LaunchOpenClKernel(GpuDeviceState& state, ClQueue queue, ClMem src, ClMem dst,
                        const KernelParams& params) {
    const OpenClTable& cl = GetOpenClTable();
    SetKernelArgs(cl, state.clKernel, src, dst, state.clLut, params);
    const std::size_t global[2] = {RoundUp16(params.width), RoundUp16(params.height)};
    const std::size_t local[2] = {16, 16};
    const ClInt err =
        cl.clEnqueueNDRangeKernel(queue, state.clKernel, 2, nullptr, global, local, 0, nullptr, nullptr);
    if (err != 0) {
        LogPrintf("GPU: OpenCL launch failed (%d)", err);
        return false;
    }
    return true;
}
