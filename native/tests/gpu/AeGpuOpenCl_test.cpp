// The compositing host's GPU render on a real OpenCL device against its
// processor smart render at 32 bits per channel: the same LUT, pattern and
// copy, over a whole layer and over part of one, and several renders at once
// on one device. Each runs twice: with the effect linked in, and through the
// built module loaded by path (the .aex under Wine), which loads the OpenCL
// runtime on its own. Skips, saying why, where no OpenCL platform is
// installed.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "AeGpuTestSupport.h"
#include "TestProcessLists.h"
#include "lut_engine/ProcessListText.h"
#include "GpuFilterTestSupport.h"
#include "GpuFrame.h"
#include "OpenClTestDevice.h"
#include "gpu/DriverLibrary.h"
#include "host_sim/FakeSmartRender.h"
#include "lut_engine/PixelFormat.h"

namespace kvtest {
namespace {

using kv::gpu::test::GpuFrame;
using kvsim::FakeGpuDevices;
using kvsim::FakeWorld;
using kvsim::SmartRenderCall;

constexpr int kW = 72;
constexpr int kH = 40;
constexpr int kPad = 3;  // input row padding, pixels

struct Placement {
    A_long layerW = 0, layerH = 0;  // 0: the layer is the world
    A_long x = 0, y = 0;            // both worlds' origin in the layer
};

void Fill(FakeWorld& world, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> colour(-0.1f, 1.1f);
    std::uniform_real_distribution<float> alpha(0.0f, 1.0f);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const float r = colour(random), g = colour(random), b = colour(random);
            world.SetPixel(x, y, r, g, b, alpha(random));
        }
    }
}

// The module's own entry, loaded once; null (and the reason in `why`) where
// it cannot be had.
kvsim::EffectEntry ModuleEntry(std::string& why) {
    static void* module = kv::gpu::LoadDriverLibrary(L"" KV_MODULE_PATH);
    if (module == nullptr) {
        why = std::string("module not loadable: ") + KV_MODULE_PATH;
        return nullptr;
    }
    return reinterpret_cast<kvsim::EffectEntry>(kv::gpu::FindDriverSymbol(module, "EffectMain"));
}

class AeGpuOpenClTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        OpenClTestDevice& d = OpenClTestDevice::Get();
        if (!d.usable()) {
            GTEST_SKIP() << "SKIPPED LOUDLY: the GPU render was not run on OpenCL: " << d.why;
        }
        std::string why;
        const kvsim::EffectEntry entry = GetParam() ? ModuleEntry(why) : EffectMain;
        ASSERT_NE(entry, nullptr) << why;
        host_ = std::make_unique<kvsim::FakeHost>(kvsim::kApplAfterEffects, entry);
        kv::gpu::ResetCudaDriverTableForTesting(L"kv-no-such-cuda-driver");
        kv::gpu::ResetOpenClTableForTesting();  // the system's OpenCL library
        FakeGpuDevices::Get().Clear();
        PF_GPUDeviceInfo info{};
        info.device_framework = PF_GPU_Framework_OPENCL;
        info.platformPV = d.platform;
        info.devicePV = d.device;
        info.contextPV = d.context;
        info.command_queuePV = d.queue;
        FakeGpuDevices::Get().SetDevice(0, info);
        device_ = SetUpDevice(*host_, PF_GPU_Framework_OPENCL, 0);
        ASSERT_TRUE(device_.accepted) << testing::PrintToString(log_.Take());
    }
    void TearDown() override {
        if (device_.gpuData != nullptr) {
            EXPECT_EQ(SetDownDevice(*host_, device_.gpuData, PF_GPU_Framework_OPENCL, 0), PF_Err_NONE);
        }
        FakeGpuDevices::Get().Clear();
    }

    // The processor's smart render of `input`.
    void RenderOnProcessor(FakeWorld& input, FakeWorld& output, PF_Handle lut, double amount, const Placement& at) {
        input.SetOrigin(at.x, at.y);
        output.SetOrigin(at.x, at.y);
        SmartRenderCall call(*host_, &input, &output, amount, lut);
        if (at.layerW > 0) call.SetLayer(at.layerW, at.layerH);
        ASSERT_EQ(call.PreRender(), PF_Err_NONE);
        ASSERT_EQ(call.Render(), PF_Err_NONE);
    }

    // The GPU render of `input` (its pixels copied to a padded device
    // buffer in the GPU layout), read back.
    GpuFrame RenderOnGpu(const FakeWorld& input, PF_Handle lut, double amount, const Placement& at) {
        OpenClTestDevice& d = OpenClTestDevice::Get();
        GpuFrame in(0, kW + kPad, kH), out(0, kW, kH);
        for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x) {
                float rgba[4];
                input.GetPixel(x, y, rgba);
                const float bgra[4] = {rgba[2], rgba[1], rgba[0], rgba[3]};
                in.Set(x, y, bgra);
            }
        }
        kv::gpu::test::cl_int err = 0;
        void* inBuffer = d.CopyToDevice(in.bytes, &err);
        void* outBuffer = d.CopyToDevice(out.bytes, &err);
        EXPECT_EQ(err, 0);
        PF_LayerDef inWorld = GpuWorld(kW, kH, in.RowBytes(), at.x, at.y);
        PF_LayerDef outWorld = GpuWorld(kW, kH, out.RowBytes(), at.x, at.y);
        FakeGpuDevices::Get().AddWorld(&inWorld, inBuffer);
        FakeGpuDevices::Get().AddWorld(&outWorld, outBuffer);
        {
            SmartRenderCall call(*host_, &inWorld, &outWorld, 32, amount, lut);
            if (at.layerW > 0) call.SetLayer(at.layerW, at.layerH);
            call.PlanOnGpu(PF_GPU_Framework_OPENCL, 0, device_.gpuData);
            EXPECT_EQ(call.PreRender(), PF_Err_NONE);
            EXPECT_NE(call.preRenderOutput().flags & PF_RenderOutputFlag_GPU_RENDER_POSSIBLE, 0);
            EXPECT_EQ(call.RenderGpu(), PF_Err_NONE);
            EXPECT_EQ(call.paramsStillOut(), 0);
        }
        EXPECT_EQ(d.ReadBack(outBuffer, out.bytes), 0);  // blocking, after the kernel on the same queue
        d.cl.clReleaseMemObject(inBuffer);
        d.cl.clReleaseMemObject(outBuffer);
        return out;
    }

    // The worst channel difference, and how far it lies past what is
    // allowed: nothing when exact, else the kernel's summation bound.
    struct Comparison {
        double worstError = 0.0;
        double worstExcess = 0.0;
    };
    static Comparison Compare(const GpuFrame& gpu, const FakeWorld& cpu, const FakeWorld& input, bool exact) {
        Comparison result;
        for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x) {
                float want[4], in[4];
                cpu.GetPixel(x, y, want);
                input.GetPixel(x, y, in);
                for (int c = 0; c < 4; ++c) {
                    const int bgra = c < 3 ? 2 - c : 3;
                    const double error = std::fabs(double(gpu.Get(x, y, bgra)) - want[c]);
                    const double scale = std::max({1.0, std::fabs(double(want[c])), std::fabs(double(in[c]))});
                    const double allowed = exact ? 0.0 : 16 * 0x1p-24 * scale;
                    result.worstError = std::max(result.worstError, error);
                    result.worstExcess = std::max(result.worstExcess, error - allowed);
                }
            }
        }
        return result;
    }

    std::unique_ptr<kvsim::FakeHost> host_;
    kvsim::LogTail log_;
    SetupAnswer device_;
};

TEST_P(AeGpuOpenClTest, MatchesTheProcessorSmartRender) {
    struct Case {
        const char* name;
        std::string lut;
        double amount;
        Placement at;
        bool exact;
    };
    const Case cases[] = {
        {"LUT at 60 %", WarmCubeText(33), 60.0, {}, false},
        {"LUT at 100 %", WarmCubeText(17), 100.0, {}, false},
        {"pattern", "KVLUTP 5", 100.0, {}, true},
        {"amount 0", WarmCubeText(9), 0.0, {}, true},
        {"pattern on part of a layer", "KVLUTP 4", 100.0, {160, 90, 48, 30}, true},
        {"LUT on part of a layer", WarmCubeText(17), 100.0, {160, 90, 48, 30}, false},
        // the steps entry, unfused on PoCL: the processor's bits
        {"five-step process list", kv::FormatProcessListText(kvtest::FiveStepList(), 0, "s"), 80.0, {}, true},
        {"process list on part of a layer", kv::FormatProcessListText(kvtest::LogMatrixList(), 0, "s"), 100.0,
         {160, 90, 48, 30}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PF_Handle lut = kvsim::MakeHandle16(c.lut);
        FakeWorld input(kv::kArgb32f, kW, kH), cpu(kv::kArgb32f, kW, kH);
        Fill(input, 11);
        RenderOnProcessor(input, cpu, lut, c.amount, c.at);
        const GpuFrame gpu = RenderOnGpu(input, lut, c.amount, c.at);
        const Comparison compared = Compare(gpu, cpu, input, c.exact);
        std::printf("[ PoCL     ] %-28s worst channel error %.3g (%s)\n", c.name, compared.worstError,
                    c.exact ? "exact" : "bound 16 ulp of max(1, |in|, |out|)");
        EXPECT_LE(compared.worstExcess, 0.0) << "worst error " << compared.worstError;
        kvsim::DisposeHandle(lut);
    }
}

// Devices set up at the same time, as the host may: each gets a kernel and a
// state of its own, and every one is given back.
TEST_P(AeGpuOpenClTest, DevicesSetUpConcurrentlyEachGetTheirOwnState) {
    constexpr A_u_long kDevices = 4;
    PF_GPUDeviceInfo info{};
    info.device_framework = PF_GPU_Framework_OPENCL;
    info.devicePV = OpenClTestDevice::Get().device;
    info.contextPV = OpenClTestDevice::Get().context;
    info.command_queuePV = OpenClTestDevice::Get().queue;
    for (A_u_long index = 1; index <= kDevices; ++index) {
        FakeGpuDevices::Get().SetDevice(index, info);
    }
    std::vector<SetupAnswer> answers(kDevices + 1);
    std::vector<std::thread> threads;
    for (A_u_long index = 1; index <= kDevices; ++index) {
        threads.emplace_back([&, index] {
            PF_InData in = host_->in();
            PF_OutData out = host_->out();
            answers[index] = SetUpDeviceWith(*host_, in, out, PF_GPU_Framework_OPENCL, index);
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (A_u_long index = 1; index <= kDevices; ++index) {
        EXPECT_TRUE(answers[index].accepted) << index;
        EXPECT_NE(answers[index].gpuData, device_.gpuData);
        for (A_u_long other = 1; other < index; ++other) {
            EXPECT_NE(answers[index].gpuData, answers[other].gpuData);
        }
        EXPECT_EQ(SetDownDevice(*host_, answers[index].gpuData, PF_GPU_Framework_OPENCL, index), PF_Err_NONE);
    }
    EXPECT_EQ(host_->suitesHeld(), 0);
}

// Frames of two LUTs rendered from several threads at once on one device:
// the LUT buffers and the kernels' arguments must not mix between them.
TEST_P(AeGpuOpenClTest, ConcurrentRendersOnOneDeviceKeepTheirOwnLut) {
    PF_Handle luts[2] = {kvsim::MakeHandle16(WarmCubeText(9)), kvsim::MakeHandle16(WarmCubeText(17))};
    FakeWorld input(kv::kArgb32f, kW, kH);
    Fill(input, 5);
    std::vector<std::unique_ptr<FakeWorld>> expected;
    for (PF_Handle lut : luts) {
        expected.push_back(std::make_unique<FakeWorld>(kv::kArgb32f, kW, kH));
        RenderOnProcessor(input, *expected.back(), lut, 100.0, {});
    }
    constexpr int kThreads = 4;
    std::vector<double> excess(kThreads, 0.0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int frame = 0; frame < 3; ++frame) {
                const int which = (t + frame) % 2;
                const GpuFrame gpu = RenderOnGpu(input, luts[which], 100.0, {});
                excess[t] = std::max(excess[t], Compare(gpu, *expected[which], input, false).worstExcess);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_LE(excess[t], 0.0) << "thread " << t;
    }
    for (PF_Handle lut : luts) kvsim::DisposeHandle(lut);
}

INSTANTIATE_TEST_SUITE_P(Effect, AeGpuOpenClTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Module" : "Linked"; });

}  // namespace
}  // namespace kvtest
