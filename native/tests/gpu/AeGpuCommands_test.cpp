// The compositing host's GPU commands on the recording fake CUDA driver:
// which devices setup accepts, what a render asks of the driver (the host's
// context, stream and pitches, the LUT uploaded once), what every failing
// suite or driver call leaves behind, and a setdown in the middle of a frame.

#include <string>

#include "AeGpuTestSupport.h"
#include "CudaFilterFixture.h"
#include "host_link/ParamTable.h"
#include "host_sim/FakeSmartRender.h"
#include "lut_engine/LutText.h"

namespace kvtest {
namespace {

using kvsim::FakeGpuDevices;
using kvsim::SmartRenderCall;

constexpr int kW = 40;
constexpr int kH = 30;
constexpr int kInRowBytes = kW * 16 + 64;  // padded input rows
void* const kContext = reinterpret_cast<void*>(0xC0);
void* const kStream = reinterpret_cast<void*>(0x50);

class AeGpuCudaTest : public ::testing::Test {
public:  // the failure table's steps reach the host and the worlds
    void SetUp() override {
        Fake() = FakeCudaState{};
        kv::gpu::ResetCudaDriverTableForTesting(FakeCudaPath());
        kv::gpu::ResetOpenClTableForTesting(L"kv-no-such-opencl-runtime");
        kv::gpu::ResetGpuRenderLineForTesting();
        FakeGpuDevices::Get().Clear();
        PF_GPUDeviceInfo info{};
        info.device_framework = PF_GPU_Framework_CUDA;
        info.contextPV = kContext;
        info.command_queuePV = kStream;
        FakeGpuDevices::Get().SetDevice(0, info);
        FakeGpuDevices::Get().AddWorld(&in_, reinterpret_cast<void*>(kSrcAddress));
        FakeGpuDevices::Get().AddWorld(&out_, reinterpret_cast<void*>(kDstAddress));
        lut_ = kvsim::MakeHandle16(WarmCubeText(17));
        log_.Take();
    }
    void TearDown() override {
        kvsim::DisposeHandle(lut_);
        FakeGpuDevices::Get().Clear();
    }

    kvsim::FakeHost host_{kvsim::kApplAfterEffects, EffectMain};
    kvsim::LogTail log_;
    PF_LayerDef in_ = GpuWorld(kW, kH, kInRowBytes);
    PF_LayerDef out_ = GpuWorld(kW, kH, kW * 16);
    PF_Handle lut_ = nullptr;
};

bool AnyLineHas(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& line : lines) {
        if (line.find(part) != std::string::npos) return true;
    }
    return false;
}

// A host that sets the planned device down from inside one of its smart
// render callbacks, then answers as the callback would have.
struct SetdownInside {
    kvsim::FakeHost* host = nullptr;
    void* gpuData = nullptr;
    PF_PreRenderCallbacks pre{};
    PF_SmartRenderCallbacks render{};
};
SetdownInside* gInside = nullptr;

void SetDownInside() {
    EXPECT_EQ(SetDownDevice(*gInside->host, gInside->gpuData, PF_GPU_Framework_CUDA, 0), PF_Err_NONE);
}
PF_Err LayerAfterSetdown(PF_ProgPtr ref, PF_ParamIndex index, A_long id, const PF_RenderRequest* req, A_long time,
                         A_long step, A_u_long scale, PF_CheckoutResult* result) {
    SetDownInside();
    return gInside->pre.checkout_layer(ref, index, id, req, time, step, scale, result);
}
PF_Err OutputAfterSetdown(PF_ProgPtr ref, PF_EffectWorld** output) {
    SetDownInside();
    return gInside->render.checkout_output(ref, output);
}

TEST_F(AeGpuCudaTest, SetupAcceptsOnlyDevicesItCanPrepare) {
    struct Case {
        const char* name;
        PF_GPU_Framework what;
        A_u_long index;
        const wchar_t* driver;
        int moduleLoadResult;
        const char* suiteMissing;
        bool accepted;
        const char* logged;
    };
    const Case cases[] = {
        {"CUDA", PF_GPU_Framework_CUDA, 0, FakeCudaPath(), 0, nullptr, true, "device 0 (CUDA) accepted"},
        {"Metal", PF_GPU_Framework_METAL, 0, FakeCudaPath(), 0, nullptr, false, "framework 2 not supported"},
        {"DirectX", PF_GPU_Framework_DIRECTX, 0, FakeCudaPath(), 0, nullptr, false, "framework 4 not supported"},
        {"no driver", PF_GPU_Framework_CUDA, 0, L"kv-no-such-cuda-driver", 0, nullptr, false, "nvcuda.dll not usable"},
        {"partial driver", PF_GPU_Framework_CUDA, 0, PartialCudaPath(), 0, nullptr, false, "not usable"},
        {"kernel fails", PF_GPU_Framework_CUDA, 0, FakeCudaPath(), 218, nullptr, false, "module load failed (218)"},
        {"unknown device", PF_GPU_Framework_CUDA, 9, FakeCudaPath(), 0, nullptr, false, "GetDeviceInfo failed"},
        {"no suite", PF_GPU_Framework_CUDA, 0, FakeCudaPath(), 0, kPFGPUDeviceSuite, false, "suite failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fake() = FakeCudaState{};
        Fake().moduleLoadResult = c.moduleLoadResult;
        kv::gpu::ResetCudaDriverTableForTesting(c.driver);
        host_.SetSuiteMissing(kPFGPUDeviceSuite, c.suiteMissing != nullptr);
        const SetupAnswer answer = SetUpDevice(host_, c.what, c.index);
        const std::vector<std::string> lines = log_.Take();
        EXPECT_EQ(answer.err, PF_Err_NONE);
        EXPECT_EQ(answer.accepted, c.accepted);
        EXPECT_EQ(answer.gpuData != nullptr, c.accepted);
        EXPECT_TRUE(AnyLineHas(lines, c.logged)) << testing::PrintToString(lines);
        EXPECT_EQ(host_.suitesHeld(), 0);
        EXPECT_EQ(Fake().pushDepth, 0);
        // Setdown gives back the module setup loaded; a declined device has
        // nothing to give back.
        EXPECT_EQ(SetDownDevice(host_, answer.gpuData, c.what, c.index), PF_Err_NONE);
        EXPECT_EQ(Fake().moduleUnloads, c.accepted ? 1 : 0);
        EXPECT_EQ(Fake().pushDepth, 0);
    }
    host_.SetSuiteMissing(kPFGPUDeviceSuite, false);
}

TEST_F(AeGpuCudaTest, RendersOnTheHostsStreamAndUploadsTheLutOnce) {
    const SetupAnswer device = SetUpDevice(host_, PF_GPU_Framework_CUDA, 0);
    ASSERT_TRUE(device.accepted);
    log_.Take();
    for (int frame = 0; frame < 2; ++frame) {
        SmartRenderCall call(host_, &in_, &out_, 32, 50.0, lut_);
        call.PlanOnGpu(PF_GPU_Framework_CUDA, 0, device.gpuData);
        ASSERT_EQ(call.PreRender(), PF_Err_NONE);
        EXPECT_NE(call.preRenderOutput().flags & PF_RenderOutputFlag_GPU_RENDER_POSSIBLE, 0);
        ASSERT_EQ(call.RenderGpu(), PF_Err_NONE) << testing::PrintToString(log_.Take());
        EXPECT_EQ(call.paramsStillOut(), 0);
        EXPECT_EQ(call.layerPixelCheckins(), 1);
    }
    EXPECT_EQ(Fake().launches, 2);
    EXPECT_EQ(Fake().copies, 1);  // the cube, once for the device and LUT
    EXPECT_EQ(Fake().lastContext, kContext);
    EXPECT_EQ(Fake().lastStream, kStream);
    // Each frame is finished on the host's stream before the context is
    // popped; the one upload waits for it too.
    EXPECT_EQ(Fake().syncs, 3);
    EXPECT_EQ(Fake().lastSyncStream, kStream);
    EXPECT_EQ(Fake().pushDepth, 0);
    const LaunchArgs args = Launched();
    EXPECT_EQ(args.src, kSrcAddress);
    EXPECT_EQ(args.dst, kDstAddress);
    EXPECT_EQ(args.params.srcPitch, kInRowBytes / 16);
    EXPECT_EQ(args.params.dstPitch, kW);
    EXPECT_EQ(args.params.is16f, 0);
    EXPECT_FLOAT_EQ(args.params.amount, 0.5f);
    EXPECT_EQ(log_.Take(), std::vector<std::string>{
                               "GPU Render CUDA fmt=32f 40x30 src->dst rowbytes=640/640 amount=0.500 lut=17 host=AE"});

    // A processor plan, or a device of another framework, is not a GPU frame.
    SmartRenderCall cpu(host_, &in_, &out_, 32, 50.0, lut_);
    for (PF_GPU_Framework what : {PF_GPU_Framework_NONE, PF_GPU_Framework_OPENCL}) {
        cpu.PlanOnGpu(what, 0, device.gpuData);
        ASSERT_EQ(cpu.PreRender(), PF_Err_NONE);
        EXPECT_EQ(cpu.preRenderOutput().flags & PF_RenderOutputFlag_GPU_RENDER_POSSIBLE, 0);
    }
    EXPECT_EQ(SetDownDevice(host_, device.gpuData, PF_GPU_Framework_CUDA, 0), PF_Err_NONE);
    EXPECT_EQ(Fake().frees, Fake().allocs);
    EXPECT_EQ(Fake().moduleUnloads, 1);
}

TEST_F(AeGpuCudaTest, EveryFailingCallReturnsAnErrorWithEverythingCheckedIn) {
    struct Case {
        const char* name;
        void (*arrange)(AeGpuCudaTest&);
        bool setUp;
        PF_Err expected;
    };
    const Case cases[] = {
        {"not set up", [](AeGpuCudaTest&) {}, false, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"GetDeviceInfo", [](AeGpuCudaTest&) { FakeGpuDevices::Get().FailDeviceInfo(PF_Err_OUT_OF_MEMORY); }, true,
         PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"GetGPUWorldData", [](AeGpuCudaTest&) { FakeGpuDevices::Get().FailWorldData(PF_Err_OUT_OF_MEMORY); }, true,
         PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"no suite", [](AeGpuCudaTest& t) { t.host_.SetSuiteFunctionsMissing(kPFGPUDeviceSuite, true); }, true,
         PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"not a GPU world", [](AeGpuCudaTest&) { FakeGpuDevices::Get().Clear(); }, true,
         PF_Err_UNRECOGNIZED_PARAM_TYPE},
        {"odd rows", [](AeGpuCudaTest& t) { t.in_.rowbytes = kW * 16 + 8 + 1; }, true, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"upload", [](AeGpuCudaTest&) { Fake().memcpyResult = 1; }, true, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"launch", [](AeGpuCudaTest&) { Fake().launchResult = 719; }, true, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"param", [](AeGpuCudaTest&) {}, true, PF_Err_OUT_OF_MEMORY},
    };
    // A malformed call is refused, never followed.
    for (PF_Cmd cmd : {PF_Cmd_SMART_RENDER_GPU, PF_Cmd_GPU_DEVICE_SETUP, PF_Cmd_GPU_DEVICE_SETDOWN}) {
        EXPECT_EQ(host_.Call(cmd), PF_Err_BAD_CALLBACK_PARAM) << cmd;
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const SetupAnswer device = c.setUp ? SetUpDevice(host_, PF_GPU_Framework_CUDA, 0) : SetupAnswer{};
        SmartRenderCall call(host_, &in_, &out_, 32, 100.0, lut_);
        call.PlanOnGpu(PF_GPU_Framework_CUDA, 0, device.gpuData);
        ASSERT_EQ(call.PreRender(), PF_Err_NONE);
        c.arrange(*this);
        if (std::string(c.name) == "param") {
            call.FailCheckoutParam(kv::kParamLut, PF_Err_OUT_OF_MEMORY);
        }
        log_.Take();
        EXPECT_EQ(call.RenderGpu(), c.expected);
        const std::vector<std::string> lines = log_.Take();
        if (c.expected == PF_Err_INTERNAL_STRUCT_DAMAGED) {
            EXPECT_EQ(lines.size() - (AnyLineHas(lines, "GPU Render CUDA") ? 1 : 0), 1u)
                << testing::PrintToString(lines);
        }
        EXPECT_EQ(call.paramsStillOut(), 0);
        EXPECT_EQ(call.layerPixelCheckins(), call.layerPixelCheckouts());
        EXPECT_EQ(host_.suitesHeld(), 0);
        EXPECT_EQ(Fake().pushDepth, 0);
        host_.SetSuiteFunctionsMissing(kPFGPUDeviceSuite, false);
        EXPECT_EQ(SetDownDevice(host_, device.gpuData, PF_GPU_Framework_CUDA, 0), PF_Err_NONE);
        EXPECT_EQ(Fake().frees, Fake().allocs);
    }
}

// The frame must not touch a freed device (the asan build is the proof) and
// what setup made goes exactly once, at setdown.
TEST_F(AeGpuCudaTest, SetdownDuringAFrameReleasesOnceAndTheFrameDeclines) {
    struct Case {
        const char* name;
        bool inPreRender;  // else between the render's device look-up and its launch
    };
    const Case cases[] = {{"in pre-render's layer checkout", true}, {"in the render's output checkout", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const SetupAnswer device = SetUpDevice(host_, PF_GPU_Framework_CUDA, 0);
        ASSERT_TRUE(device.accepted);
        SmartRenderCall call(host_, &in_, &out_, 32, 50.0, lut_);
        call.PlanOnGpu(PF_GPU_Framework_CUDA, 0, device.gpuData);
        SetdownInside inside{&host_, device.gpuData, *call.preRenderExtra()->cb, *call.renderExtra()->cb};
        gInside = &inside;
        PF_PreRenderCallbacks pre = inside.pre;
        PF_SmartRenderCallbacks render = inside.render;
        if (c.inPreRender) {
            pre.checkout_layer = LayerAfterSetdown;
        } else {
            render.checkout_output = OutputAfterSetdown;
        }
        PF_PreRenderExtra* preExtra = call.preRenderExtra();
        preExtra->cb = &pre;
        PF_OutData out{};
        ASSERT_EQ(host_.CallWith(call.in(), out, PF_Cmd_SMART_PRE_RENDER, nullptr, nullptr, preExtra), PF_Err_NONE);
        // Set down before its question, the device is no GPU plan.
        EXPECT_EQ((call.preRenderOutput().flags & PF_RenderOutputFlag_GPU_RENDER_POSSIBLE) != 0, !c.inPreRender);
        if (!c.inPreRender) {
            PF_SmartRenderExtra* renderExtra = call.renderExtra();
            renderExtra->cb = &render;
            log_.Take();
            EXPECT_EQ(host_.CallWith(call.in(), out, PF_Cmd_SMART_RENDER_GPU, nullptr, nullptr, renderExtra),
                      PF_Err_INTERNAL_STRUCT_DAMAGED);
            EXPECT_TRUE(AnyLineHas(log_.Take(), "device 0: device set down"));
            EXPECT_EQ(call.paramsStillOut(), 0);
            EXPECT_EQ(call.layerPixelCheckins(), call.layerPixelCheckouts());
        }
        gInside = nullptr;
        // Released once, at setdown, and nothing ran on the device after it.
        EXPECT_EQ(Fake().moduleUnloads, 1);
        EXPECT_EQ(Fake().launches + Fake().copies, 0);
        EXPECT_EQ(Fake().frees, Fake().allocs);
        EXPECT_EQ(Fake().pushDepth, 0);
        // The gpu_data is spent: setdown again gives nothing back twice, and
        // a frame planned on it is no GPU frame.
        EXPECT_EQ(SetDownDevice(host_, device.gpuData, PF_GPU_Framework_CUDA, 0), PF_Err_NONE);
        EXPECT_EQ(Fake().moduleUnloads, 1);
        ASSERT_EQ(call.PreRender(), PF_Err_NONE);
        EXPECT_EQ(call.preRenderOutput().flags & PF_RenderOutputFlag_GPU_RENDER_POSSIBLE, 0);
        EXPECT_EQ(call.RenderGpu(), PF_Err_INTERNAL_STRUCT_DAMAGED);
    }
}

}  // namespace
}  // namespace kvtest
