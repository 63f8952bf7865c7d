#include "gpu/KromvaleGPU.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "gpu/CudaBackend.h"
#include "gpu/FetchLutParam.h"
#include "gpu/GpuDeviceState.h"
#include "gpu/GpuFramework.h"
#include "gpu/GpuRenderLine.h"
#include "gpu/KernelParams.h"
#include "gpu/LutUpload.h"
#include "gpu/OpenClBackend.h"
#include "gpu/PrepareKernel.h"
#include "lut_engine/ProbePattern.h"
#include "panel_link/Log.h"

namespace {

constexpr csSDK_int32 kAmountParamIndex = 0;

// Instances on different devices initialise concurrently, each under its own
// device mutex, so the once-only flag of the ready line must be atomic.
std::atomic<bool> g_readyLogged{false};

// A LUT the kernel can index safely: at least two points per axis and all
// size^3 entries present.
bool CanApply(const kv::Lut3D& lut) {
    if (lut.size < 2) {
        return false;
    }
    const auto n = static_cast<std::size_t>(lut.size);
    return lut.data.size() >= n * n * n * 3;
}

// The GPU Device Suite hands out CUDA device addresses as pointers.
CuDevicePtr DevicePtr(void* frameData) {
    return static_cast<CuDevicePtr>(reinterpret_cast<std::uintptr_t>(frameData));
}

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
    if (!PrepareKernel(state, mDeviceInfo)) {
        return suiteError_Fail;
    }
    if (!g_readyLogged.exchange(true)) {
        LogPrintf("GPU: filter ready on device %u (%s)", mDeviceIndex,
                  FrameworkName(mDeviceInfo.outDeviceFramework));
    }
    instance->outIsRealtime = kPrTrue;
    return suiteError_NoError;
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

    PrParam amountParam;
    std::memset(&amountParam, 0, sizeof amountParam);
    mVideoSegmentSuite->GetParam(mNodeID, kAmountParamIndex, clipTime, &amountParam);
    const float amount = AmountFrom(amountParam) * 0.01f;

    if (!lut_.fetched) {
        FetchLutParam(*this, clipTime, lut_);
    }

    void* src = nullptr;
    void* dst = nullptr;
    mGPUDeviceSuite->GetGPUPPixData(frames[0], &src);
    mGPUDeviceSuite->GetGPUPPixData(*outFrame, &dst);
    PrPixelFormat format = PrPixelFormat_Invalid;
    mPPixSuite->GetPixelFormat(*outFrame, &format);
    prRect bounds{};
    mPPixSuite->GetBounds(*outFrame, &bounds);
    csSDK_int32 srcRowBytes = 0;
    csSDK_int32 dstRowBytes = 0;
    mPPixSuite->GetRowBytes(frames[0], &srcRowBytes);
    mPPixSuite->GetRowBytes(*outFrame, &dstRowBytes);

    const bool is32f = format == PrPixelFormat_GPU_BGRA_4444_32f;
    const csSDK_int32 bytesPerPixel = is32f ? 16 : 8;
    const std::int32_t width = bounds.right - bounds.left;
    const std::int32_t height = bounds.bottom - bounds.top;
    const bool inPlace = src == dst;

    GpuRenderLineInfo line;
    line.framework = mDeviceInfo.outDeviceFramework;
    line.is32f = is32f;
    line.width = width;
    line.height = height;
    line.inPlace = inPlace;
    line.amount = amount;
    line.srcRowBytes = srcRowBytes;
    line.dstRowBytes = dstRowBytes;
    line.lut = lut_.lut.get();
    LogRenderLine(line);

    KernelParams kp;
    std::shared_ptr<const kv::Lut3D> chosen;
    const kv::Lut3D* own = lut_.lut.get();
    if (own != nullptr && own->probe > 0) {
        chosen = IdentityLut();
        const kv::ProbeGeometry g = kv::ProbeGeometryFor(*own, width, height);
        kp.probe = own->probe;
        kp.probeCols = g.probeCols;
        kp.probeRows = g.probeRows;
        kp.probeX0 = g.probeX0;
        kp.probeY0 = g.probeY0;
        kp.probeX1 = g.probeX1;
        kp.probeY1 = g.probeY1;
    } else if (own != nullptr && amount > 0.0f && CanApply(*own)) {
        chosen = lut_.lut;
        kp.amount = amount;
    } else if (inPlace) {
        // Nothing to apply and nothing to copy: the frame stays as it is.
        return suiteError_NoError;
    } else {
        chosen = IdentityLut();
    }

    kp.srcPitch = srcRowBytes / bytesPerPixel;
    kp.dstPitch = dstRowBytes / bytesPerPixel;
    kp.is16f = is32f ? 0 : 1;
    kp.width = width;
    kp.height = height;
    kp.size = chosen->size;
    kp.dminR = chosen->domainMin[0];
    kp.dminG = chosen->domainMin[1];
    kp.dminB = chosen->domainMin[2];
    kp.dmaxR = chosen->domainMax[0];
    kp.dmaxG = chosen->domainMax[1];
    kp.dmaxB = chosen->domainMax[2];

    GpuDeviceState& state = GetGpuDeviceState(mDeviceIndex);
    std::lock_guard<std::mutex> lock(state.mutex);
    // Only instances whose Initialize succeeded render, so the kernel exists;
    // the check keeps a confused host from launching a null kernel.
    if (!state.ready || !UploadLut(state, mDeviceInfo, chosen)) {
        return suiteError_Fail;
    }
    bool launched = false;
    if (state.framework == static_cast<std::int32_t>(GpuFramework::Cuda)) {
        launched = LaunchCudaKernel(state, mDeviceInfo.outContextHandle, mDeviceInfo.outCommandQueueHandle,
                                    DevicePtr(src), DevicePtr(dst), kp);
    } else {
        launched = LaunchOpenClKernel(state, mDeviceInfo.outCommandQueueHandle, src, dst, kp);
    }
    return launched ? suiteError_NoError : suiteError_Fail;
}

}  // namespace

std::unique_ptr<PrGPUFilterBase> NewKromvaleGPU() { return std::make_unique<KromvaleGPU>(); }

void ResetGpuFilterReadyForTesting() { g_readyLogged.store(false); }
