#pragma once
// A fixture for the GPU filter on a fake CUDA driver library: three CUDA
// devices (0, 1 and 4) that meet the host's minimum, a 33-point LUT and an
// Amount of 50 %.

#include <cstring>

#include "FakeCudaControl.h"
#include "GpuFilterTestSupport.h"
#include "gpu/DriverLibrary.h"
#include "gpu/KernelParams.h"

namespace kvtest {

inline const wchar_t* FakeCudaPath() { return L"" KV_FAKE_CUDA_PATH; }
inline const wchar_t* PartialCudaPath() { return L"" KV_FAKE_CUDA_PARTIAL_PATH; }

inline FakeCudaState& Fake() {
    static FakeCudaState* state = [] {
        void* library = kv::gpu::LoadDriverLibrary(FakeCudaPath());
        EXPECT_NE(library, nullptr) << "fake CUDA driver not loadable";
        auto control = reinterpret_cast<FakeCudaControlFn>(kv::gpu::FindDriverSymbol(library, "FakeCudaControl"));
        return control();
    }();
    return *state;
}

// The arguments of the last launch, read back through the kernel's
// argument list: each lands where a launch would have taken it from.
// Arguments past what the launched entry takes keep their defaults.
struct LaunchArgs {
    std::uint64_t src = 0;
    std::uint64_t dst = 0;
    std::uint64_t lut = 0;
    std::uint64_t shaper = 0;
    kv::gpu::KernelParams params;
};

inline LaunchArgs Launched() {
    LaunchArgs launched;
    const auto at = kv::gpu::ShapedKernelArgPointers(&launched.src, &launched.dst, &launched.lut,
                                                     &launched.shaper, launched.params);
    for (int i = 0; i < Fake().launchArgCount; ++i) {
        std::memcpy(at[i], Fake().args[i], kv::gpu::kKernelArgBytes[i]);
    }
    return launched;
}

constexpr std::uintptr_t kSrcAddress = 0x7000000;
constexpr std::uintptr_t kDstAddress = 0x9000000;

class CudaFilterTest : public GpuFilterTest {
protected:
    void SetUp() override {
        Fake() = FakeCudaState{};
        ResetProcessState(FakeCudaPath(), nullptr);
        RegisterFilter();
        for (csSDK_uint32 index : {0u, 1u, 4u}) {
            PrGPUDeviceInfo& device = host_.Device(index);
            device.outDeviceFramework = PrGPUDeviceFramework_CUDA;
            device.outMeetsMinimumRequirementsForAcceleration = 1;
            device.outContextHandle = reinterpret_cast<void*>(0xC0 + index);
            device.outCommandQueueHandle = reinterpret_cast<void*>(0x50 + index);
        }
        host_.SetLutBytes(WarmCubeText(33));
        host_.SetAmount(kPrParamType_Float64, 50.0);
    }

    // An input and an output frame on device 0; the input rows are padded.
    void Frames(int width, int height, PrPixelFormat format = PrPixelFormat_GPU_BGRA_4444_32f) {
        const int pixelBytes = format == PrPixelFormat_GPU_BGRA_4444_32f ? 16 : 8;
        in_ = host_.AddFrame(reinterpret_cast<void*>(kSrcAddress), format, width, height,
                             width * pixelBytes + 64);
        out_ = host_.AddFrame(reinterpret_cast<void*>(kDstAddress), format, width, height,
                              width * pixelBytes);
    }

    PrGPUFilterInstance instance_ = host_.MakeInstance(0);
    PPixHand in_ = nullptr;
    PPixHand out_ = nullptr;
};

}  // namespace kvtest
