#pragma once
// The OpenCL runtime, bound at run time like the CUDA driver: loaded on first
// need, eleven entry points resolved into one process-wide table, never unloaded.

#include <cstddef>
#include <cstdint>

namespace kv::gpu {

using ClInt = std::int32_t;
using ClUint = std::uint32_t;
using ClMemFlags = std::uint64_t;
using ClContext = void*;
using ClDevice = void*;
using ClQueue = void*;
using ClProgram = void*;
using ClKernel = void*;
using ClMem = void*;
using ClEvent = void*;
using ClBuildNotify = void (*)(ClProgram program, void* userData);

constexpr ClUint kClProgramBuildLog = 0x1183;
// Read only, and the buffer starts as a copy of the host data.
constexpr ClMemFlags kClMemReadOnlyCopyHost = 0x24;

// One list for function types, table fields and export names (see
// CudaDriverTable.h).
#define KV_OPENCL_FUNCTIONS(X)                                                                   \
    X(clCreateProgramWithSource, ClProgram,                                                     \
      (ClContext context, ClUint count, const char** strings, const std::size_t* lengths,       \
       ClInt* error))                                                                           \
    X(clBuildProgram, ClInt,                                                                    \
      (ClProgram program, ClUint deviceCount, const ClDevice* devices, const char* options,     \
       ClBuildNotify notify, void* userData))                                                   \
    X(clGetProgramBuildInfo, ClInt,                                                             \
      (ClProgram program, ClDevice device, ClUint name, std::size_t size, void* value,          \
       std::size_t* sizeOut))                                                                   \
    X(clCreateKernel, ClKernel, (ClProgram program, const char* name, ClInt* error))            \
    X(clSetKernelArg, ClInt, (ClKernel kernel, ClUint index, std::size_t size, const void* value)) \
    X(clEnqueueNDRangeKernel, ClInt,                                                            \
      (ClQueue queue, ClKernel kernel, ClUint dims, const std::size_t* offset,                  \
       const std::size_t* global, const std::size_t* local, ClUint waitCount,                   \
       const ClEvent* waitList, ClEvent* event))                                                \
    X(clCreateBuffer, ClMem,                                                                    \
      (ClContext context, ClMemFlags flags, std::size_t size, void* hostData, ClInt* error))    \
    X(clReleaseMemObject, ClInt, (ClMem buffer))                                                \
    X(clReleaseKernel, ClInt, (ClKernel kernel))                                                \
    X(clReleaseProgram, ClInt, (ClProgram program))                                             \
    X(clFinish, ClInt, (ClQueue queue))

namespace opencl_fn {
#define KV_OPENCL_FUNCTION_TYPE(name, result, params) using name = result(*) params;
KV_OPENCL_FUNCTIONS(KV_OPENCL_FUNCTION_TYPE)
#undef KV_OPENCL_FUNCTION_TYPE
}  // namespace opencl_fn

struct OpenClTable {
    bool usable = false;  // every entry point below was found
#define KV_OPENCL_TABLE_FIELD(name, result, params) opencl_fn::name name = nullptr;
    KV_OPENCL_FUNCTIONS(KV_OPENCL_TABLE_FIELD)
#undef KV_OPENCL_TABLE_FIELD
};

// The process-wide table, built by the first call (thread-safe).
const OpenClTable& GetOpenClTable() noexcept;

// Test seams, as for the CUDA table: not thread-safe.
void ResetOpenClTableForTesting(const wchar_t* libraryName = nullptr);
void SetOpenClTableForTesting(const OpenClTable& table);

}  // namespace kv::gpu
