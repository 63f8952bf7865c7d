#pragma once
// The few OpenCL 1.2 entry points the kernel test needs, loaded at run time
// from the system's OpenCL library ("OpenCL.dll" on Windows, which Wine
// bridges to the host's runtime). Declared here rather than taken from the
// Khronos headers so the Windows cross build needs none.

#include <cstddef>
#include <cstdint>
#include <string>

namespace kv::gpu::test {

using cl_int = std::int32_t;
using cl_uint = std::uint32_t;
using cl_ulong = std::uint64_t;
using cl_handle = void*;

constexpr cl_int kClSuccess = 0;
constexpr cl_int kClPlatformNotFound = -1001;
constexpr cl_ulong kClDeviceTypeAll = 0xFFFFFFFF;
constexpr cl_ulong kClMemReadWrite = 1 << 0;
constexpr cl_ulong kClMemCopyHostPtr = 1 << 5;
constexpr cl_uint kClProgramBuildLog = 0x1183;

struct OpenClRuntime {
    cl_int (*clGetPlatformIDs)(cl_uint, cl_handle*, cl_uint*) = nullptr;
    cl_int (*clGetDeviceIDs)(cl_handle, cl_ulong, cl_uint, cl_handle*, cl_uint*) = nullptr;
    cl_handle (*clCreateContext)(const std::intptr_t*, cl_uint, const cl_handle*, void*, void*,
                                 cl_int*) = nullptr;
    cl_handle (*clCreateCommandQueue)(cl_handle, cl_handle, cl_ulong, cl_int*) = nullptr;
    cl_handle (*clCreateProgramWithSource)(cl_handle, cl_uint, const char**, const size_t*,
                                           cl_int*) = nullptr;
    cl_int (*clBuildProgram)(cl_handle, cl_uint, const cl_handle*, const char*, void*,
                             void*) = nullptr;
    cl_int (*clGetProgramBuildInfo)(cl_handle, cl_handle, cl_uint, size_t, void*,
                                    size_t*) = nullptr;
    cl_handle (*clCreateKernel)(cl_handle, const char*, cl_int*) = nullptr;
    cl_int (*clSetKernelArg)(cl_handle, cl_uint, size_t, const void*) = nullptr;
    cl_handle (*clCreateBuffer)(cl_handle, cl_ulong, size_t, void*, cl_int*) = nullptr;
    cl_int (*clEnqueueNDRangeKernel)(cl_handle, cl_handle, cl_uint, const size_t*, const size_t*,
                                     const size_t*, cl_uint, const cl_handle*,
                                     cl_handle*) = nullptr;
    cl_int (*clEnqueueReadBuffer)(cl_handle, cl_handle, cl_uint, size_t, size_t, void*, cl_uint,
                                  const cl_handle*, cl_handle*) = nullptr;
    cl_int (*clFinish)(cl_handle) = nullptr;
    cl_int (*clReleaseMemObject)(cl_handle) = nullptr;

    // Loads the library and every entry point; on failure says why.
    bool Load(std::string& why);
};

}  // namespace kv::gpu::test
