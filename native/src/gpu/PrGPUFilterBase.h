#pragma once
// Base of the editing host's GPU filter instances: the host suites every
// instance needs and the information record of its GPU device.

#include "sdk/gpu_filter_sdk.h"
#include "sdk/gpu_filter_suites.h"

namespace kv::gpu {

class PrGPUFilterBase {
public:
    virtual ~PrGPUFilterBase() = default;

    // Copies the instance record's ids, acquires the suites and fills the
    // device information record. Always succeeds; derived classes decide
    // whether the device can be used.
    virtual prSuiteError Initialize(PrGPUFilterInstance* instance);

    // Not implemented: the effect needs no frames but the current input and
    // no precomputation.
    virtual prSuiteError GetFrameDependencies(const PrGPUFilterRenderParams* params,
                                              csSDK_int32* queryIndex,
                                              PrGPUFilterFrameDependency* dependency);
    virtual prSuiteError Precompute(const PrGPUFilterRenderParams* params, csSDK_int32 index,
                                    PPixHand frame);

    virtual prSuiteError Render(const PrGPUFilterRenderParams* params, const PPixHand* frames,
                                csSDK_size_t frameCount, PPixHand* outFrame) = 0;

    // Acquired by Initialize and never released: the host owns their lifetime.
    PrSDKGPUDeviceSuite* mGPUDeviceSuite = nullptr;
    const void* mGPUImageProcessingSuite = nullptr;  // acquired, not used
    PrSDKMemoryManagerSuite* mMemoryManagerSuite = nullptr;
    PrSDKPPixSuite* mPPixSuite = nullptr;
    const void* mPPix2Suite = nullptr;               // acquired, not used
    const void* mTransitionSuite = nullptr;          // acquired, not used
    PrSDKVideoSegmentSuite* mVideoSegmentSuite = nullptr;

    piSuitesPtr mSuites = nullptr;
    PrTimelineID mTimelineID = 0;
    csSDK_int32 mNodeID = 0;
    csSDK_uint32 mDeviceIndex = 0;
    PrGPUDeviceInfo mDeviceInfo{};
};

}  // namespace kv::gpu
