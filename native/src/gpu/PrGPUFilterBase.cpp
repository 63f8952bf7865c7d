#include "gpu/PrGPUFilterBase.h"

namespace kv::gpu {

namespace {

// Acquisition results are not checked: a suite the host lacks stays null,
// and the derived filter refuses the instance when one it calls is missing.
template <typename Suite>
void Acquire(SPBasicSuite* basic, const char* name, int32 version, Suite*& out) {
    const void* suite = nullptr;
    basic->AcquireSuite(name, version, &suite);
    out = static_cast<Suite*>(const_cast<void*>(suite));
}

}  // namespace

prSuiteError PrGPUFilterBase::Initialize(PrGPUFilterInstance* instance) {
    mSuites = instance->piSuites;
    mDeviceIndex = instance->inDeviceIndex;
    mTimelineID = instance->inTimelineID;
    mNodeID = instance->inNodeID;

    SPBasicSuite* basic = nullptr;
    if (mSuites != nullptr && mSuites->utilFuncs != nullptr && mSuites->utilFuncs->getSPBasicSuite) {
        basic = mSuites->utilFuncs->getSPBasicSuite();
    }
    if (basic == nullptr) {
        return suiteError_NoError;
    }
    Acquire(basic, kPrSDKGPUDeviceSuite, kPrSDKGPUDeviceSuiteVersion, mGPUDeviceSuite);
    Acquire(basic, kPrSDKGPUImageProcessingSuite, kPrSDKGPUImageProcessingSuiteVersion,
            mGPUImageProcessingSuite);
    Acquire(basic, kPrSDKMemoryManagerSuite, kPrSDKMemoryManagerSuiteVersion, mMemoryManagerSuite);
    Acquire(basic, kPrSDKPPixSuite, kPrSDKPPixSuiteVersion, mPPixSuite);
    Acquire(basic, kPrSDKPPix2Suite, kPrSDKPPix2SuiteVersion, mPPix2Suite);
    Acquire(basic, kPFTransitionSuite, kPFTransitionSuiteVersion2, mTransitionSuite);
    Acquire(basic, kPrSDKVideoSegmentSuite, kPrSDKVideoSegmentSuiteVersion, mVideoSegmentSuite);

    if (mGPUDeviceSuite != nullptr) {
        mGPUDeviceSuite->GetDeviceInfo(kPrSDKGPUDeviceSuiteVersion, mDeviceIndex, &mDeviceInfo);
    }
    return suiteError_NoError;
}

prSuiteError PrGPUFilterBase::GetFrameDependencies(const PrGPUFilterRenderParams*, csSDK_int32*,
                                                   PrGPUFilterFrameDependency*) {
    return suiteError_NotImplemented;
}

prSuiteError PrGPUFilterBase::Precompute(const PrGPUFilterRenderParams*, csSDK_int32, PPixHand) {
    return suiteError_NotImplemented;
}

}  // namespace kv::gpu
