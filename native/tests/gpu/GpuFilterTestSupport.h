#pragma once
// Common ground for the GPU filter's tests: a simulated editing host, the
// filter's operation table, a fresh process state (driver tables, device
// registry, once-only lines) for every test, and the log lines it produced.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "host_sim/FakeHost.h"
#include "LogLines.h"
#include "GpuHostSim.h"
#include "gpu/CudaDriverTable.h"
#include "gpu/FetchLutParam.h"
#include "gpu/GpuDeviceState.h"
#include "gpu/GpuFilterEntry.h"
#include "gpu/GpuRenderLine.h"
#include "gpu/KromvaleGPU.h"
#include "gpu/OpenClTable.h"
#include "lut_engine/Lut3D.h"
#include "lut_engine/LutText.h"
#include "platform/FaultInjection.h"

namespace kvtest {

constexpr prSuiteError kFail = suiteError_Fail;

// The host's records are byte-packed: their fields are compared through a
// copy, never bound to a reference at a misaligned address.
template <typename T>
T Copy(T value) {
    return value;
}

// LUT text of an n^3 cube whose node (r, g, b) holds f(r, g, b) / (n - 1)
// per channel.
inline std::string CubeText(int n, const std::function<void(float, float, float, float*)>& f) {
    kv::Lut3D lut;
    lut.size = n;
    lut.data.resize(static_cast<size_t>(n) * n * n * 3);
    const float step = 1.0f / static_cast<float>(n - 1);
    for (int b = 0; b < n; ++b) {
        for (int g = 0; g < n; ++g) {
            for (int r = 0; r < n; ++r) {
                f(r * step, g * step, b * step, &lut.data[3 * (r + n * (g + n * b))]);
            }
        }
    }
    return kv::FormatLutText(lut, 1, "test");
}

// A LUT that visibly changes colours: channels rotated and squared.
inline std::string WarmCubeText(int n) {
    return CubeText(n, [](float r, float g, float b, float* out) {
        out[0] = g * g;
        out[1] = 0.25f + 0.5f * b;
        out[2] = 1.0f - r;
    });
}

// Points the per-user folder (and so the log) at a scratch folder for the
// whole test program.
class ScratchUserFolder {
public:
    ScratchUserFolder() {
        folder() = (std::filesystem::temp_directory_path() /
                    ("kv-gpu-tests-" + std::to_string(reinterpret_cast<std::uintptr_t>(this))))
                       .wstring();
        std::filesystem::create_directories(folder());
        kv::platform::SetKnownFolderOverride([](kv::platform::KnownFolder) { return folder(); });
    }
    ~ScratchUserFolder() {
        kv::platform::SetKnownFolderOverride(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(folder(), ignored);
    }
    static std::wstring& folder() {
        static std::wstring path;
        return path;
    }
};

class GpuFilterTest : public testing::Test {
protected:
    // `cudaLibrary`: the CUDA driver the module will load (nullptr: none).
    void ResetProcessState(const wchar_t* cudaLibrary, const wchar_t* openClLibrary) {
        kv::gpu::ResetCudaDriverTableForTesting(cudaLibrary ? cudaLibrary : L"kv-no-such-cuda-driver");
        kv::gpu::ResetOpenClTableForTesting(openClLibrary ? openClLibrary : L"kv-no-such-opencl-runtime");
        kv::gpu::ResetGpuDeviceStatesForTesting();
        kv::gpu::ResetGpuRenderLineForTesting();
        kv::gpu::ResetGpuFilterReadyForTesting();
        kv::gpu::ResetLutParamWarningsForTesting();
    }

    void RegisterFilter() {
        csSDK_int32 index = 0;
        PrGPUFilterInfo info{};
        ASSERT_EQ(kv::gpu::GpuFilterEntry(2, &index, 1, host_.Suites(), &filter_, &info), 0);
        log_.Take();
    }

    // Creates an instance on `device`; on success it is disposed at the end.
    prSuiteError Create(PrGPUFilterInstance& instance) {
        const prSuiteError result = filter_.CreateInstance(&instance);
        if (result == 0) {
            created_.push_back(Copy(instance.ioPrivatePluginData));
        }
        return result;
    }

    prSuiteError Render(PrGPUFilterInstance& instance, PPixHand in, PPixHand out) {
        PrGPUFilterRenderParams params{};
        params.inClipTime = 0;
        return filter_.Render(&instance, &params, &in, 1, &out);
    }

    void TearDown() override {
        // The tests' instance records may be gone; only the object matters.
        for (void* object : created_) {
            PrGPUFilterInstance record{};
            record.ioPrivatePluginData = object;
            filter_.DisposeInstance(&record);
        }
    }

    GpuHostSim host_;
    PrGPUFilter filter_{};
    kvsim::LogTail log_;
    std::vector<void*> created_;
};

}  // namespace kvtest
