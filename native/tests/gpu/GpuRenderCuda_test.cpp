// GPU render on the fake CUDA driver: what is launched with which LUT and
// arguments, LUT upload caching and its failures, and the render line.

#include <algorithm>
#include <cstring>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "CudaFilterFixture.h"
#include "TestLuts.h"
#include "TestProcessLists.h"
#include "lut_engine/ProcessListText.h"
#include "gpu/GpuLaunch.h"
#include "gpu/LutUpload.h"
#include "gpu/PremiereDevice.h"

namespace kvtest {
namespace {

class CudaRenderTest : public CudaFilterTest {
protected:
    void SetUp() override {
        CudaFilterTest::SetUp();
        Frames(1920, 1080);
    }
};

TEST_F(CudaRenderTest, LaunchCarriesTheLutAndFrameGeometry) {
    ASSERT_EQ(Create(instance_), 0);
    ASSERT_EQ(Render(instance_, in_, out_), 0);
    EXPECT_EQ(Fake().launches, 1);
    EXPECT_EQ(Fake().grid[0], 120u);
    EXPECT_EQ(Fake().grid[1], 68u);
    EXPECT_EQ(Fake().grid[2], 1u);
    EXPECT_EQ(Fake().block[0], 16u);
    EXPECT_EQ(Fake().block[1], 16u);
    EXPECT_EQ(Fake().block[2], 1u);
    EXPECT_EQ(Fake().sharedBytes, 0u);
    EXPECT_EQ(Fake().lastStream, reinterpret_cast<void*>(0x50));
    EXPECT_EQ(Fake().pushDepth, 0);

    EXPECT_EQ(Launched().src, kSrcAddress);
    EXPECT_EQ(Launched().params.srcPitch, (1920 * 16 + 64) / 16);
    EXPECT_EQ(Launched().dst, kDstAddress);
    EXPECT_EQ(Launched().params.dstPitch, 1920);
    EXPECT_EQ(Launched().params.is16f, 0) << "32-bit float frames";
    EXPECT_EQ(Launched().params.width, 1920);
    EXPECT_EQ(Launched().params.height, 1080);
    EXPECT_EQ(Launched().lut, Fake().lastAlloc);
    EXPECT_EQ(Launched().params.size, 33);
    EXPECT_EQ(Launched().params.dminR, 0.0f);
    EXPECT_EQ(Launched().params.dmaxB, 1.0f);
    EXPECT_EQ(Launched().params.amount, 0.5f);
    EXPECT_EQ(Launched().params.probe, 0) << "no pattern";
    EXPECT_EQ(Launched().params.pattern.probeCols, 1);
    EXPECT_EQ(Launched().params.pattern.probeY1, 1);
    EXPECT_EQ(Fake().lastCopyBytes, 33u * 33 * 33 * 3 * 4);
    // A cube alone runs the first entry with its 23 arguments.
    EXPECT_STREQ(Fake().launchedFunction, "KromvaleLut");
    EXPECT_EQ(Fake().launchArgCount, 23);
    EXPECT_EQ(Fake().mismatchedLuts, 0);
}

// LUTs with a 1D stage, built in code, go straight to the device that an
// instance prepared, through the render's own plan, upload and launch.
TEST_F(CudaRenderTest, ShapedLutsLaunchTheSecondEntryWithBothTables) {
    ASSERT_EQ(Create(instance_), 0);
    kv::gpu::GpuDeviceState& state = kv::gpu::GetGpuDeviceState(0);
    const PrGPUDeviceInfo device = host_.Device(0);
    kv::gpu::GpuFrames frames;
    frames.src = reinterpret_cast<void*>(kSrcAddress);
    frames.dst = reinterpret_cast<void*>(kDstAddress);
    frames.is32f = true;
    frames.width = 1920;
    frames.height = 1080;
    frames.srcRowBytes = 1920 * 16 + 64;
    frames.dstRowBytes = 1920 * 16;
    struct Case {
        const char* name;
        int cubeSize;
        int shaperSize;
        float lo, hi;
        int frees;  // of the tables the previous case left
    };
    for (const Case& c : {Case{"4096 before 33^3", 33, 4096, -0.125f, 1.5f, 0},
                          Case{"1D only", 0, 1024, -1.0f, 3.0f, 2}}) {
        SCOPED_TRACE(c.name);
        kv::Lut3D built = c.cubeSize > 0 ? kvtest::RandomCube(c.cubeSize, 5) : kv::Lut3D{};
        kvtest::AddRandomShaper(built, c.shaperSize, 6, c.lo, c.hi);
        built.shaperMax[2] = 2.0f * c.hi;
        const auto lut = std::make_shared<const kv::Lut3D>(std::move(built));
        const int copiesBefore = Fake().copies;
        const int freesBefore = Fake().frees;
        const kv::gpu::GpuLaunch launch = kv::gpu::PlanLaunch(lut, 0.5f, frames);
        ASSERT_EQ(launch.lut, lut);
        {
            std::lock_guard<std::mutex> lock(state.mutex);
            for (int i = 0; i < 2; ++i) {
                const kv::gpu::DeviceHandles handles = kv::gpu::PremiereDeviceHandles(device);
                ASSERT_TRUE(kv::gpu::UploadLut(state, handles, launch.lut));
                ASSERT_TRUE(state.backend->Launch(handles, frames.src, frames.dst, launch.params));
            }
        }
        EXPECT_EQ(Fake().copies - copiesBefore, c.cubeSize > 0 ? 2 : 1) << "each table once for both launches";
        EXPECT_EQ(Fake().frees - freesBefore, c.frees) << "the tables they replace are freed";
        EXPECT_EQ(Fake().lastCopyBytes, static_cast<std::size_t>(c.shaperSize) * 3 * 4);
        EXPECT_STREQ(Fake().launchedFunction, "KromvaleLutShaped");
        EXPECT_EQ(Fake().launchArgCount, 31);
        EXPECT_EQ(Fake().mismatchedLuts, 0) << "each table bound as it was uploaded";

        const LaunchArgs args = Launched();
        EXPECT_EQ(args.src, kSrcAddress);
        EXPECT_EQ(args.dst, kDstAddress);
        EXPECT_EQ(args.params.srcPitch, 1924);
        EXPECT_EQ(args.params.width, 1920);
        EXPECT_EQ(args.params.amount, 0.5f);
        EXPECT_EQ(args.params.probe, 0);
        EXPECT_EQ(args.params.size, c.cubeSize);
        EXPECT_EQ(args.lut == 0, c.cubeSize == 0) << "no cube buffer for a 1D-only LUT";
        EXPECT_NE(args.shaper, 0u);
        EXPECT_EQ(args.params.shaperSize, c.shaperSize);
        EXPECT_EQ(args.params.sminR, c.lo);
        EXPECT_EQ(args.params.sminB, c.lo);
        EXPECT_EQ(args.params.smaxG, c.hi);
        EXPECT_EQ(args.params.smaxB, 2.0f * c.hi);
    }

    // Back to the instance's cube: the first entry again, and the 1D table
    // goes with the LUT it belonged to.
    const int freesBefore = Fake().frees;
    ASSERT_EQ(Render(instance_, in_, out_), 0);
    EXPECT_STREQ(Fake().launchedFunction, "KromvaleLut");
    EXPECT_EQ(Fake().launchArgCount, 23);
    EXPECT_EQ(Fake().frees - freesBefore, 1);
    EXPECT_EQ(Launched().params.size, 33);
    EXPECT_EQ(Launched().params.shaperSize, 0) << "not passed";
    EXPECT_EQ(Fake().shapedLaunches, 4);
    EXPECT_EQ(Fake().mismatchedLuts, 0);
}

// A process list from the host's parameter runs the third entry: its step
// records and tables uploaded once for the LUT object, bound beside the
// frame's arguments, and named in the render line.
TEST_F(CudaRenderTest, ProcessListsLaunchTheStepsEntryWithTheirRecordsAndTables) {
    const kv::ProcessList list = kvtest::FiveStepList();
    host_.SetLutBytes(kv::FormatProcessListText(list, 0, "five"));
    PrGPUFilterInstance instance = host_.MakeInstance(0);
    ASSERT_EQ(Create(instance), 0);
    log_.Take();
    for (int i = 0; i < 2; ++i) ASSERT_EQ(Render(instance, in_, out_), 0);
    EXPECT_EQ(Fake().stepsLaunches, 2);
    EXPECT_STREQ(Fake().launchedFunction, "KromvaleLutSteps");
    EXPECT_EQ(Fake().launchArgCount, 26);
    EXPECT_EQ(Fake().mismatchedSteps, 0) << "records and tables bound as they were uploaded";
    EXPECT_EQ(Fake().copies, 2) << "records and tables, once for both renders";
    kv::gpu::KernelParams params;
    std::uint64_t buffers[5] = {};
    const auto at = kv::gpu::StepsKernelArgPointers(&buffers[0], &buffers[1], &buffers[2], &buffers[3], &buffers[4],
                                                    params);
    for (int i = 0; i < kv::gpu::kStepsKernelArgCount; ++i) {
        std::memcpy(at[i], Fake().args[i], kv::gpu::kStepsKernelArgBytes[i]);
    }
    EXPECT_EQ(buffers[0], kSrcAddress);
    EXPECT_EQ(buffers[1], kDstAddress);
    EXPECT_EQ(params.stepCount, 5);
    EXPECT_EQ(params.amount, 0.5f);
    EXPECT_NE(buffers[3], 0u);
    EXPECT_NE(buffers[4], 0u);
    const std::vector<std::string> lines = log_.Take();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.front().find("lut=0 steps=5"), std::string::npos) << lines.front();
}

TEST(GpuLaunchPlan, TheLutsTablesPickTheEntryOrACopy) {
    kv::gpu::GpuFrames frames;
    frames.src = reinterpret_cast<void*>(kSrcAddress);
    frames.dst = reinterpret_cast<void*>(kDstAddress);
    frames.width = 64;
    frames.height = 8;
    struct Case {
        const char* name;
        std::function<void(kv::Lut3D&)> edit;
        bool applied;  // else a copy through the identity LUT
        bool shaped;
    };
    const Case cases[] = {
        {"cube", [](kv::Lut3D&) {}, true, false},
        {"1D before cube", [](kv::Lut3D& l) { kvtest::AddRandomShaper(l, 16, 1); }, true, true},
        {"1D only", [](kv::Lut3D& l) { l = kvtest::RandomShaperOnly(2, 1); }, true, true},
        {"1D table cut short", [](kv::Lut3D& l) { kvtest::AddRandomShaper(l, 16, 1); l.shaper.pop_back(); }, false, false},
        {"1D of one entry", [](kv::Lut3D& l) { l = kvtest::RandomShaperOnly(2, 1); l.shaperSize = 1; l.shaper.resize(3); }, false, false},
        {"cube cut short behind 1D", [](kv::Lut3D& l) { kvtest::AddRandomShaper(l, 16, 1); l.data.pop_back(); }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        kv::Lut3D built = kvtest::RandomCube(3, 2);
        c.edit(built);
        const auto lut = std::make_shared<const kv::Lut3D>(std::move(built));
        const kv::gpu::GpuLaunch launch = kv::gpu::PlanLaunch(lut, 0.75f, frames);
        EXPECT_EQ(launch.lut, c.applied ? lut : kv::gpu::IdentityLut());
        EXPECT_EQ(launch.params.amount, c.applied ? 0.75f : 0.0f);
        EXPECT_EQ(kv::gpu::UsesShapedEntry(launch.params), c.shaped);
        EXPECT_EQ(launch.params.size, launch.lut->size);
        EXPECT_EQ(launch.params.shaperSize, launch.lut->shaperSize);
    }
}

TEST_F(CudaRenderTest, RenderLineNamesTheOneDStageOnlyWhereThereIsOne) {
    kv::gpu::GpuFrames frames;
    frames.is32f = true;
    frames.width = 8;
    frames.height = 4;
    kv::Lut3D shaped = kvtest::RandomCube(33, 1);
    kvtest::AddRandomShaper(shaped, 4096, 2);
    const kv::Lut3D luts[] = {kvtest::RandomCube(33, 1), shaped, kvtest::RandomShaperOnly(1024, 3)};
    log_.Take();
    for (const kv::Lut3D& lut : luts) {
        kv::gpu::LogRenderLine(kv::gpu::RenderHost::Editing, kv::gpu::GpuFramework::Cuda, frames, 1.0f, &lut);
    }
    EXPECT_EQ(log_.Take(), (std::vector<std::string>{
                               "GPU Render CUDA fmt=32f 8x4 in-place rowbytes=0/0 amount=1.000 lut=33",
                               "GPU Render CUDA fmt=32f 8x4 in-place rowbytes=0/0 amount=1.000 lut=33 1D=4096",
                               "GPU Render CUDA fmt=32f 8x4 in-place rowbytes=0/0 amount=1.000 lut=0 1D=1024"}));
}

TEST_F(CudaRenderTest, GridCoversPartialBlocks) {
    ASSERT_EQ(Create(instance_), 0);
    PPixHand in = host_.AddFrame(reinterpret_cast<void*>(kSrcAddress), PrPixelFormat_GPU_BGRA_4444_32f,
                                 1921, 17, 1921 * 16);
    PPixHand out = host_.AddFrame(reinterpret_cast<void*>(kDstAddress), PrPixelFormat_GPU_BGRA_4444_32f,
                                  1921, 17, 1921 * 16);
    ASSERT_EQ(Render(instance_, in, out), 0);
    EXPECT_EQ(Fake().grid[0], 121u);
    EXPECT_EQ(Fake().grid[1], 2u);
}

TEST_F(CudaRenderTest, HalfFramesUseEightBytePixels) {
    for (PrPixelFormat format : {PrPixelFormat_GPU_BGRA_4444_16f, PrPixelFormat_Invalid}) {
        PPixHand in = host_.AddFrame(reinterpret_cast<void*>(kSrcAddress), format, 64, 8, 64 * 8 + 16);
        PPixHand out = host_.AddFrame(reinterpret_cast<void*>(kDstAddress), format, 64, 8, 64 * 8);
        PrGPUFilterInstance instance = host_.MakeInstance(0);
        ASSERT_EQ(Create(instance), 0);
        ASSERT_EQ(Render(instance, in, out), 0);
        EXPECT_EQ(Launched().params.srcPitch, 66);
        EXPECT_EQ(Launched().params.dstPitch, 64);
        EXPECT_EQ(Launched().params.is16f, 1);
    }
}

TEST_F(CudaRenderTest, SameLutObjectUploadsOnce) {
    PrGPUFilterInstance a = host_.MakeInstance(0);
    PrGPUFilterInstance b = host_.MakeInstance(0);
    ASSERT_EQ(Create(a), 0);
    ASSERT_EQ(Create(b), 0);  // same parameter bytes: the cache gives the same object
    ASSERT_EQ(Render(a, in_, out_), 0);
    ASSERT_EQ(Render(b, in_, out_), 0);
    ASSERT_EQ(Render(a, in_, out_), 0);
    EXPECT_EQ(Fake().launches, 3);
    EXPECT_EQ(Fake().copies, 1);
    EXPECT_EQ(Fake().allocs, 1);
    EXPECT_EQ(Fake().syncs, 1);
    EXPECT_EQ(Fake().lastSyncStream, reinterpret_cast<void*>(0x50));
}

TEST_F(CudaRenderTest, SwitchingLutObjectsUploadsEachTime) {
    PrGPUFilterInstance a = host_.MakeInstance(0);
    ASSERT_EQ(Create(a), 0);
    host_.SetLutBytes(WarmCubeText(5));
    PrGPUFilterInstance b = host_.MakeInstance(0);
    ASSERT_EQ(Create(b), 0);
    ASSERT_EQ(Render(a, in_, out_), 0);
    ASSERT_EQ(Render(b, in_, out_), 0);
    EXPECT_EQ(Launched().params.size, 5);
    ASSERT_EQ(Render(a, in_, out_), 0);
    EXPECT_EQ(Launched().params.size, 33);
    EXPECT_EQ(Fake().copies, 3);
    EXPECT_EQ(Fake().frees, 2) << "each new upload frees the buffer it replaces";
    EXPECT_EQ(Launched().lut, Fake().lastAlloc);
}

TEST_F(CudaRenderTest, FailedCopyIsRetriedOnTheNextRender) {
    ASSERT_EQ(Create(instance_), 0);
    Fake().memcpyResult = 700;
    EXPECT_EQ(Render(instance_, in_, out_), kFail);
    EXPECT_EQ(Fake().launches, 0);
    const std::uint64_t orphan = Fake().lastAlloc;
    Fake().memcpyResult = 0;
    EXPECT_EQ(Render(instance_, in_, out_), 0);
    EXPECT_EQ(Fake().copies, 2);
    EXPECT_EQ(Fake().lastFreed, orphan) << "the buffer of the failed copy is freed";
    EXPECT_EQ(Fake().launches, 1);
    EXPECT_TRUE(HasLinesInOrder(log_.Take(), {"GPU: CUDA LUT upload failed (700)"}));
}

TEST_F(CudaRenderTest, FailedAllocationLeavesNothingToFree) {
    ASSERT_EQ(Create(instance_), 0);
    Fake().memAllocResult = 2;
    EXPECT_EQ(Render(instance_, in_, out_), kFail);
    Fake().memAllocResult = 0;
    EXPECT_EQ(Render(instance_, in_, out_), 0);
    EXPECT_EQ(Fake().frees, 0) << "a failed allocation's output is not a buffer";
    EXPECT_TRUE(HasLinesInOrder(log_.Take(), {"GPU: CUDA LUT upload failed (2)"}));
}

TEST_F(CudaRenderTest, LaunchFailureFallsBackToTheProcessor) {
    ASSERT_EQ(Create(instance_), 0);
    Fake().launchResult = 719;
    EXPECT_EQ(Render(instance_, in_, out_), kFail);
    EXPECT_TRUE(HasLinesInOrder(log_.Take(), {"GPU: CUDA launch failed (719)"}));
    EXPECT_EQ(Fake().pushDepth, 0);
}

TEST_F(CudaRenderTest, PatternIsDrawnWhateverTheAmountAlsoInPlace) {
    host_.SetLutBytes("KVLUTP 2");
    host_.SetAmount(kPrParamType_Float64, 0.0);
    ASSERT_EQ(Create(instance_), 0);
    ASSERT_EQ(Render(instance_, in_, in_), 0);
    EXPECT_EQ(Fake().launches, 1);
    EXPECT_EQ(Launched().params.size, 2) << "the identity LUT is bound";
    EXPECT_EQ(Fake().lastCopyBytes, 24u * 4);
    EXPECT_EQ(Launched().params.amount, 0.0f);
    EXPECT_EQ(Launched().params.probe, 2);
    EXPECT_EQ(Launched().params.pattern.probeCols, 4);
    EXPECT_EQ(Launched().params.pattern.probeRows, 2);
    EXPECT_EQ(Launched().params.pattern.probeX0, 0);
    EXPECT_EQ(Launched().params.pattern.probeY0, 0);
    EXPECT_EQ(Launched().params.pattern.probeX1, 1920);
    EXPECT_EQ(Launched().params.pattern.probeY1, 1080);
    EXPECT_TRUE(HasLinesInOrder(
        log_.Take(),
        {"GPU Render CUDA fmt=32f 1920x1080 in-place rowbytes=30784/30784 amount=0.000 lut=2 pattern"}));
}

TEST_F(CudaRenderTest, NothingToApplyCopiesOrLeavesTheFrame) {
    struct Case {
        const char* name;
        std::string lut;
        double amount;
    };
    for (const Case& c : {Case{"amount 0", WarmCubeText(3), 0.0}, Case{"negative", WarmCubeText(3), -5.0},
                          Case{"no LUT", "KVLUT0", 50.0}, Case{"not LUT text", "hello, world", 50.0}}) {
        SCOPED_TRACE(c.name);
        Fake() = FakeCudaState{};
        host_.SetLutBytes(c.lut);
        host_.SetAmount(kPrParamType_Float64, c.amount);
        PrGPUFilterInstance instance = host_.MakeInstance(0);
        ASSERT_EQ(Create(instance), 0);
        EXPECT_EQ(Render(instance, in_, in_), 0);
        EXPECT_EQ(Fake().launches, 0) << "in place: nothing to do";
        EXPECT_EQ(Render(instance, in_, out_), 0);
        EXPECT_EQ(Fake().launches, 1) << "separate frames: a copy";
        EXPECT_EQ(Launched().params.size, 2);
        EXPECT_EQ(Launched().params.amount, 0.0f);
    }
}

TEST_F(CudaRenderTest, AmountTypesAndScaling) {
    struct Case {
        PrParamType type;
        double value;
        float expected;
    };
    for (const Case& c : {Case{kPrParamType_Float64, 25.0, 0.25f}, Case{kPrParamType_Float32, 75.0, 0.75f},
                          Case{kPrParamType_Int32, 100.0, 1.0f}}) {
        SCOPED_TRACE(c.type);
        host_.SetAmount(c.type, c.value);
        PrGPUFilterInstance instance = host_.MakeInstance(0);
        ASSERT_EQ(Create(instance), 0);
        ASSERT_EQ(Render(instance, in_, out_), 0);
        EXPECT_EQ(Launched().params.amount, static_cast<float>(c.value) * 0.01f);
        EXPECT_NEAR(Launched().params.amount, c.expected, 1e-7);
    }
    host_.SetAmount(kPrParamType_Int64, 50.0);  // any other type reads as 0
    PrGPUFilterInstance instance = host_.MakeInstance(0);
    ASSERT_EQ(Create(instance), 0);
    ASSERT_EQ(Render(instance, in_, out_), 0);
    EXPECT_EQ(Launched().params.size, 2) << "a copy";
}

TEST_F(CudaRenderTest, RenderLineIsLoggedOncePerChange) {
    ASSERT_EQ(Create(instance_), 0);
    log_.Take();
    ASSERT_EQ(Render(instance_, in_, out_), 0);
    ASSERT_EQ(Render(instance_, in_, out_), 0);
    host_.SetAmount(kPrParamType_Float64, 100.0);
    ASSERT_EQ(Render(instance_, in_, out_), 0);
    EXPECT_EQ(log_.Take(),
              (std::vector<std::string>{
                  "GPU Render CUDA fmt=32f 1920x1080 src->dst rowbytes=30784/30720 amount=0.500 lut=33",
                  "GPU Render CUDA fmt=32f 1920x1080 src->dst rowbytes=30784/30720 amount=1.000 lut=33"}));
}

TEST_F(CudaRenderTest, RenderWithoutFramesNamesWhatIsMissing) {
    ASSERT_EQ(Create(instance_), 0);
    log_.Take();
    PrGPUFilterRenderParams params{};
    PPixHand empty = nullptr;
    EXPECT_EQ(filter_.Render(&instance_, &params, &in_, 0, &out_), kFail);
    EXPECT_EQ(filter_.Render(&instance_, &params, &in_, 1, nullptr), kFail);
    EXPECT_EQ(filter_.Render(&instance_, &params, &in_, 1, &empty), kFail);
    EXPECT_EQ(log_.Take(), (std::vector<std::string>{
                               "GPU: render without frames (in 0, out set); CPU render",
                               "GPU: render without frames (in 1, out none); CPU render",
                               "GPU: render without frames (in 1, out empty); CPU render"}));
    EXPECT_EQ(Fake().launches, 0);
}

TEST_F(CudaRenderTest, LutParameterIsReadOnceAndItsBlockReturned) {
    // Bytes no other test uses: the cache reports a reason only on its miss.
    host_.SetLutBytes("KVLUX not a LUT, read once");
    ASSERT_EQ(Create(instance_), 0);
    ASSERT_EQ(Render(instance_, in_, out_), 0);
    ASSERT_EQ(Render(instance_, in_, out_), 0);
    EXPECT_EQ(host_.LutReads(), 1);
    EXPECT_EQ(host_.BlocksDisposed(), host_.BlocksAllocated());
    EXPECT_TRUE(HasLinesInOrder(log_.Take(), {"GPU: embedded LUT: parameter does not hold KVLUT text"}));
}

TEST_F(CudaRenderTest, UnexpectedParameterTypeIsReportedThreeTimesAtMost) {
    host_.SetLutParamType(kPrParamType_Float32);
    std::vector<PrGPUFilterInstance> instances(4, host_.MakeInstance(0));
    for (PrGPUFilterInstance& instance : instances) {
        ASSERT_EQ(Create(instance), 0);
    }
    const std::string line = "GPU: LUT param type 5 (expected a memory block)";
    const auto lines = log_.Take();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 3);
    ASSERT_EQ(Render(instances[0], in_, out_), 0);
    EXPECT_EQ(Launched().params.size, 2) << "no LUT: a copy";
}

TEST_F(CudaRenderTest, ConcurrentRendersOnOneDeviceKeepTheirLuts) {
    PrGPUFilterInstance a = host_.MakeInstance(0);
    ASSERT_EQ(Create(a), 0);
    host_.SetLutBytes(WarmCubeText(5));
    PrGPUFilterInstance b = host_.MakeInstance(0);
    ASSERT_EQ(Create(b), 0);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            PrGPUFilterInstance& instance = t % 2 ? b : a;
            for (int i = 0; i < 50; ++i) {
                if (Render(instance, in_, out_) != 0) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(Fake().launches, 200);
    EXPECT_EQ(Fake().pushDepth, 0);
    EXPECT_EQ(Fake().mismatchedLuts, 0) << "a launch ran with another render's LUT";
    EXPECT_EQ(Fake().frees, Fake().copies - 1);
}

}  // namespace
}  // namespace kvtest
