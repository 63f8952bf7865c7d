#include "gpu/GpuFilterEntry.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "gpu/KromvaleGPU.h"
#include "panel_link/Log.h"

namespace kv::gpu {

namespace {

constexpr csSDK_uint32 kOurInterfaceVersion = 2;
constexpr csSDK_int32 kFilterCount = 1;

// The five host operations. Each is an exception boundary: anything thrown
// inside (an allocation, a lock) becomes the generic failure code, after
// which the host renders the frame on the processor.

PrGPUFilterBase* InstanceOf(PrGPUFilterInstance* instance) {
    return instance != nullptr ? static_cast<PrGPUFilterBase*>(instance->ioPrivatePluginData) : nullptr;
}

prSuiteError CreateInstance(PrGPUFilterInstance* instance) {
    try {
        std::unique_ptr<PrGPUFilterBase> filter = NewKromvaleGPU();
        const prSuiteError result = filter->Initialize(instance);
        if (result < 0) {
            return result;
        }
        instance->ioPrivatePluginData = filter.release();
        return result;
    } catch (...) {
        return suiteError_Fail;
    }
}

prSuiteError DisposeInstance(PrGPUFilterInstance* instance) {
    if (instance == nullptr) {
        return suiteError_NoError;
    }
    delete InstanceOf(instance);
    instance->ioPrivatePluginData = nullptr;
    return suiteError_NoError;
}

// Forwards to the instance's filter object: a record without one (a host
// calling before creation or after disposal) fails, and so does anything
// thrown on the way.
template <class Operation>
prSuiteError Forward(PrGPUFilterInstance* instance, Operation operation) {
    PrGPUFilterBase* filter = InstanceOf(instance);
    if (filter == nullptr) {
        return suiteError_Fail;
    }
    try {
        return operation(*filter);
    } catch (...) {
        return suiteError_Fail;
    }
}

prSuiteError GetFrameDependencies(PrGPUFilterInstance* instance, const PrGPUFilterRenderParams* params,
                                  csSDK_int32* queryIndex, PrGPUFilterFrameDependency* dependency) {
    return Forward(instance, [&](PrGPUFilterBase& filter) {
        return filter.GetFrameDependencies(params, queryIndex, dependency);
    });
}

prSuiteError Precompute(PrGPUFilterInstance* instance, const PrGPUFilterRenderParams* params,
                        csSDK_int32 index, PPixHand frame) {
    return Forward(instance, [&](PrGPUFilterBase& filter) { return filter.Precompute(params, index, frame); });
}

prSuiteError Render(PrGPUFilterInstance* instance, const PrGPUFilterRenderParams* params,
                    const PPixHand* frames, csSDK_size_t frameCount, PPixHand* outFrame) {
    return Forward(instance, [&](PrGPUFilterBase& filter) {
        return filter.Render(params, frames, frameCount, outFrame);
    });
}

}  // namespace

prSuiteError GpuFilterEntry(csSDK_uint32 hostInterfaceVersion, csSDK_int32* ioIndex, prBool startup,
                            piSuitesPtr, PrGPUFilter* outFilter, PrGPUFilterInfo* outInfo) {
    if (startup == 0) {
        return suiteError_NoError;
    }
    if (outFilter != nullptr) {
        outFilter->CreateInstance = CreateInstance;
        outFilter->DisposeInstance = DisposeInstance;
        outFilter->GetFrameDependencies = GetFrameDependencies;
        outFilter->Precompute = Precompute;
        outFilter->Render = Render;
    }
    prSuiteError result = suiteError_NoError;
    // Widened so that an index at the type's limit cannot overflow.
    const std::int64_t next = ioIndex != nullptr ? static_cast<std::int64_t>(*ioIndex) + 1 : 0;
    if (ioIndex == nullptr || outInfo == nullptr || next > kFilterCount) {
        result = suiteError_InvalidParms;
    } else {
        if (next < kFilterCount) {
            *ioIndex = static_cast<csSDK_int32>(next);
        }
        outInfo->outInterfaceVersion = kOurInterfaceVersion;
        // An empty match name: the host uses the module's registered effect.
        std::memset(&outInfo->outMatchName, 0, sizeof outInfo->outMatchName);
    }
    try {
        LogPrintf("GPU: registered with host interface %u (ours %u) -> %d", hostInterfaceVersion,
                  kOurInterfaceVersion, result);
    } catch (...) {
    }
    return result;
}

}  // namespace kv::gpu
