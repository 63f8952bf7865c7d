#include "gpu/KromvaleGPU.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "gpu/DeviceRender.h"
#include "gpu/FetchLutParam.h"
#include "gpu/GpuDeviceState.h"
#include "gpu/GpuFramework.h"
#include "gpu/GpuLaunch.h"
#include "gpu/GpuRenderLine.h"
#include "gpu/HostParamIndex.h"
#include "gpu/PremiereDevice.h"
#include "gpu/PrepareKernel.h"
#include "panel_link/Log.h"

namespace kv::gpu {

namespace {

// Instances on different devices initialise concurrently, each under its own
// device mutex, so the once-only flag of the ready line must be atomic.
std::atomic<bool> gReadyLogged{false};

float AmountFrom(const PrParam& param) {
    switch (param.mType) {
        case kPrParamType_Float64: return static_cast<float>(param.mFloat64);
        case kPrParamType_Float32: return param.mFloat32;
        case kPrParamType_Int32: return static_cast<float>(param.mInt32);
        default: return 0.0f;
    }
}

class KromvaleGPU final : public PrGPUFilterBase {
public:
    ~KromvaleGPU() override = default;  // drops the LUT reference only

    prSuiteError Initialize(PrGPUFilterInstance* instance) override;
    prSuiteError Render(const PrGPUFilterRenderParams* params, const PPixHand* frames,
                        csSDK_size_t frameCount, PPixHand* outFrame) override;

private:
    bool HasHostSuites() const {
        return mGPUDeviceSuite != nullptr && mMemoryManagerSuite != nullptr && mPPixSuite != nullptr &&
               mVideoSegmentSuite != nullptr;
    }

    // The Amount at `time` as a fraction: the parameter is a percentage.
    float ReadAmount(PrTime time) const;
    // Device memory of both frames, and the output's format and geometry.
    GpuFrames ReadFrames(PPixHand in, PPixHand out) const;

    InstanceLut lut_;
};

prSuiteError KromvaleGPU::Initialize(PrGPUFilterInstance* instance) {
    PrGPUFilterBase::Initialize(instance);
    if (!HasHostSuites()) {
        LogPrintf("GPU: host suites missing; CPU render");
        return suiteError_Fail;
    }
    if (mDeviceInfo.outMeetsMinimumRequirementsForAcceleration == 0) {
        LogPrintf("GPU: device %u below minimum requirements; CPU render", mDeviceIndex);
        return suiteError_Fail;
    }
    FetchLutParam(*this, 0, lut_);

    GpuDeviceState& state = GetGpuDeviceState(mDeviceIndex);
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!PrepareKernel(state, PremiereDeviceHandles(mDeviceInfo))) {
        return suiteError_Fail;
    }
    if (!gReadyLogged.exchange(true)) {
        LogPrintf("GPU: filter ready on device %u (%s)", mDeviceIndex,
                  FrameworkName(FromPremiereFramework(mDeviceInfo.outDeviceFramework)));
    }
    instance->outIsRealtime = kPrTrue;
    return suiteError_NoError;
}

float KromvaleGPU::ReadAmount(PrTime time) const {
    PrParam param;
    std::memset(&param, 0, sizeof param);
    mVideoSegmentSuite->GetParam(mNodeID, HostParamIndex(kParamAmount), time, &param);
    return AmountFrom(param) * 0.01f;
}

GpuFrames KromvaleGPU::ReadFrames(PPixHand in, PPixHand out) const {
    GpuFrames frames;
    mGPUDeviceSuite->GetGPUPPixData(in, &frames.src);
    mGPUDeviceSuite->GetGPUPPixData(out, &frames.dst);
    PrPixelFormat format = PrPixelFormat_Invalid;
    mPPixSuite->GetPixelFormat(out, &format);
    prRect bounds{};
    mPPixSuite->GetBounds(out, &bounds);
    mPPixSuite->GetRowBytes(in, &frames.srcRowBytes);
    mPPixSuite->GetRowBytes(out, &frames.dstRowBytes);
    frames.is32f = format == PrPixelFormat_GPU_BGRA_4444_32f;
    frames.width = bounds.right - bounds.left;
    frames.height = bounds.bottom - bounds.top;
    return frames;
}

prSuiteError KromvaleGPU::Render(const PrGPUFilterRenderParams* params, const PPixHand* frames,
                                 csSDK_size_t frameCount, PPixHand* outFrame) {
    if (frameCount == 0 || outFrame == nullptr || *outFrame == nullptr || frames == nullptr) {
        const char* out = outFrame == nullptr ? "none" : (*outFrame == nullptr ? "empty" : "set");
        LogPrintf("GPU: render without frames (in %d, out %s); CPU render", static_cast<int>(frameCount),
                  out);
        return suiteError_Fail;
    }
    const PrTime clipTime = params != nullptr ? params->inClipTime : 0;
    const float amount = ReadAmount(clipTime);
    if (!lut_.fetched) {
        FetchLutParam(*this, clipTime, lut_);
    }
    const GpuFrames gpuFrames = ReadFrames(frames[0], *outFrame);
    const DeviceHandles device = PremiereDeviceHandles(mDeviceInfo);
    LogRenderLine(RenderHost::Editing, device.framework, gpuFrames, amount, lut_.lut.get());

    const GpuLaunch launch = PlanLaunch(lut_.lut, amount, gpuFrames);
    if (launch.lut == nullptr) {
        return suiteError_NoError;  // nothing to apply and nothing to copy
    }
    // Only instances whose Initialize succeeded render, so the kernel exists.
    return RenderOnDevice(GetGpuDeviceState(mDeviceIndex), device, launch, gpuFrames.src, gpuFrames.dst, false)
               ? suiteError_NoError
               : suiteError_Fail;
}

}  // namespace

std::unique_ptr<PrGPUFilterBase> NewKromvaleGPU() { return std::make_unique<KromvaleGPU>(); }

void ResetGpuFilterReadyForTesting() { gReadyLogged.store(false); }

}  // namespace kv::gpu
