#pragma once
// Registration of the GPU filter with the editing host.

#include "sdk/gpu_filter_sdk.h"
#include "sdk/gpu_filter_suites.h"

namespace kv::gpu {

// The body of the exported xGPUFilterEntry: on start-up fills the five
// operations and describes the module's single filter; the shutdown call
// does nothing. The host's interface version is logged, never compared.
prSuiteError GpuFilterEntry(csSDK_uint32 hostInterfaceVersion, csSDK_int32* ioIndex, prBool startup,
                            piSuitesPtr suites, PrGPUFilter* outFilter, PrGPUFilterInfo* outInfo);

}  // namespace kv::gpu
