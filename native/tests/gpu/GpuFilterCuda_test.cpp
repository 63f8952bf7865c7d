// The GPU filter against a fake CUDA driver library: registration, instance
// lifecycle and driver binding failures.

#include "CudaFilterFixture.h"

namespace kvtest {
namespace {

ScratchUserFolder gScratch;

// ---- Registration -----------------------------------------------------------

TEST_F(CudaFilterTest, ShutdownCallDoesNothing) {
    PrGPUFilter table;
    std::memset(&table, 0xAB, sizeof table);
    PrGPUFilterInfo info;
    std::memset(&info, 0xAB, sizeof info);
    csSDK_int32 index = 0;
    EXPECT_EQ(kv::gpu::GpuFilterEntry(2, &index, 0, host_.Suites(), &table, &info), 0);
    EXPECT_EQ(reinterpret_cast<unsigned char*>(&table)[0], 0xAB);
    EXPECT_EQ(reinterpret_cast<unsigned char*>(&info)[0], 0xAB);
    EXPECT_TRUE(log_.Take().empty());
}

TEST_F(CudaFilterTest, RegistersOneFilterWhateverTheHostVersion) {
    struct Case {
        csSDK_int32 index;
        prSuiteError result;
        csSDK_int32 indexAfter;
        const char* line;
    };
    for (const Case& c : {Case{0, 0, 0, "GPU: registered with host interface 7 (ours 2) -> 0"},
                          Case{-1, 0, 0, "GPU: registered with host interface 7 (ours 2) -> 0"},
                          Case{1, static_cast<prSuiteError>(0x80000001), 1,
                               "GPU: registered with host interface 7 (ours 2) -> -2147483647"}}) {
        SCOPED_TRACE(c.index);
        PrGPUFilter table{};
        PrGPUFilterInfo info;
        std::memset(&info, 0xAB, sizeof info);
        csSDK_int32 index = c.index;
        EXPECT_EQ(kv::gpu::GpuFilterEntry(7, &index, 1, host_.Suites(), &table, &info), c.result);
        EXPECT_EQ(index, c.indexAfter);
        EXPECT_NE(table.CreateInstance, nullptr);  // filled before any check
        EXPECT_NE(table.Render, nullptr);
        if (c.result == 0) {
            EXPECT_EQ(Copy(info.outInterfaceVersion), 2u);
            const PrSDKString empty{};
            EXPECT_EQ(std::memcmp(&info.outMatchName, &empty, sizeof empty), 0);
        } else {
            EXPECT_EQ(reinterpret_cast<unsigned char*>(&info)[0], 0xAB) << "info untouched";
        }
        EXPECT_EQ(log_.Take(), std::vector<std::string>{c.line});
    }
}

TEST_F(CudaFilterTest, ModuleExportsTheFilterEntry) {
    void* module = kv::gpu::LoadDriverLibrary(L"" KV_MODULE_PATH);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(kv::gpu::FindDriverSymbol(module, "xGPUFilterEntry"), nullptr);
}

// ---- Instance lifecycle -----------------------------------------------------

TEST_F(CudaFilterTest, DeviceBelowMinimumIsRefusedWithoutTouchingTheDriver) {
    host_.Device(4).outMeetsMinimumRequirementsForAcceleration = 0;
    PrGPUFilterInstance instance = host_.MakeInstance(4);
    int sentinel = 0;
    instance.ioPrivatePluginData = &sentinel;
    EXPECT_EQ(Create(instance), kFail);
    EXPECT_EQ(Copy(instance.ioPrivatePluginData), &sentinel);
    EXPECT_EQ(Copy(instance.outIsRealtime), 0);
    EXPECT_EQ(log_.Take(),
              std::vector<std::string>{"GPU: device 4 below minimum requirements; CPU render"});
    EXPECT_EQ(Fake().moduleLoads, 0);
}

TEST_F(CudaFilterTest, UnsupportedFrameworkFailsOnceLoudlyThenSilently) {
    host_.Device(1).outDeviceFramework = PrGPUDeviceFramework_Metal;
    host_.Device(4).outDeviceFramework = 9;
    PrGPUFilterInstance a = host_.MakeInstance(1);
    PrGPUFilterInstance b = host_.MakeInstance(1);
    PrGPUFilterInstance c = host_.MakeInstance(4);
    EXPECT_EQ(Create(a), kFail);
    EXPECT_EQ(Create(b), kFail);
    EXPECT_EQ(Create(c), kFail);
    EXPECT_EQ(log_.Take(), (std::vector<std::string>{"GPU: framework Metal not supported; CPU render",
                                                     "GPU: framework ? not supported; CPU render"}));
}

TEST_F(CudaFilterTest, DirectXIsNamedAndRefused) {
    host_.Device(4).outDeviceFramework = PrGPUDeviceFramework_DirectX;
    PrGPUFilterInstance instance = host_.MakeInstance(4);
    EXPECT_EQ(Create(instance), kFail);
    EXPECT_EQ(log_.Take(), std::vector<std::string>{"GPU: framework DirectX not supported; CPU render"});
    EXPECT_EQ(Fake().moduleLoads, 0);
}

TEST_F(CudaFilterTest, ReadyLineOncePerProcessAcrossDevices) {
    PrGPUFilterInstance a = host_.MakeInstance(0);
    PrGPUFilterInstance b = host_.MakeInstance(1);
    PrGPUFilterInstance c = host_.MakeInstance(1);
    ASSERT_EQ(Create(a), 0);
    ASSERT_EQ(Create(b), 0);
    ASSERT_EQ(Create(c), 0);
    EXPECT_EQ(log_.Take(), std::vector<std::string>{"GPU: filter ready on device 0 (CUDA)"});
    EXPECT_EQ(Copy(a.outIsRealtime), 1);
    EXPECT_EQ(Copy(c.outIsRealtime), 1);
    EXPECT_NE(Copy(a.ioPrivatePluginData), nullptr);
    EXPECT_EQ(Fake().moduleLoads, 2) << "one module per device";
    EXPECT_TRUE(Fake().imageLooksLikePtx);
    EXPECT_STREQ(Fake().functionNames,
                 "KromvaleLut KromvaleLutShaped KromvaleLutSteps KromvaleLut KromvaleLutShaped KromvaleLutSteps")
        << "the three entries, once per device";
    EXPECT_EQ(Fake().pushDepth, 0);
    EXPECT_EQ(Fake().lastContext, reinterpret_cast<void*>(0xC1));
}

TEST_F(CudaFilterTest, InitializeAcquiresTheSevenSuitesInOrder) {
    ASSERT_EQ(Create(instance_), 0);
    const std::vector<std::pair<std::string, int>> expected = {
        {"MediaCore GPU Device Suite", 2},        {"MediaCore GPU Image Processing Suite", 1},
        {"Premiere Memory Manager Suite", 4},     {"Premiere PPix Suite", 1},
        {"Premiere PPix 2 Suite", 3},             {"PF Transition Suite", 2},
        {"MediaCore Video Segment Suite", 9}};
    EXPECT_EQ(host_.AcquiredSuites(), expected);
    EXPECT_EQ(host_.DeviceInfoCalls(), 1);
}

TEST_F(CudaFilterTest, MissingHostSuiteRefusesTheInstance) {
    host_.RemoveSuite("MediaCore Video Segment Suite");
    EXPECT_EQ(Create(instance_), kFail);
    EXPECT_EQ(log_.Take(), std::vector<std::string>{"GPU: host suites missing; CPU render"});
}

TEST_F(CudaFilterTest, UnimplementedOperationsAndDisposal) {
    ASSERT_EQ(Create(instance_), 0);
    PrGPUFilterRenderParams params{};
    csSDK_int32 query = 0;
    PrGPUFilterFrameDependency dependency{};
    EXPECT_EQ(filter_.GetFrameDependencies(&instance_, &params, &query, &dependency),
              static_cast<prSuiteError>(0x80000004));
    EXPECT_EQ(filter_.Precompute(&instance_, &params, 0, nullptr), static_cast<prSuiteError>(0x80000004));

    PrGPUFilterInstance other = host_.MakeInstance(0);
    ASSERT_EQ(filter_.CreateInstance(&other), 0);
    EXPECT_EQ(filter_.DisposeInstance(&other), 0);
    EXPECT_EQ(Copy(other.ioPrivatePluginData), nullptr);
    EXPECT_EQ(filter_.DisposeInstance(&other), 0) << "disposing twice is harmless";
}

// ---- Driver binding ---------------------------------------------------------

TEST_F(CudaFilterTest, MissingDriverLibraryFailsEachDeviceOnce) {
    ResetProcessState(L"kv-no-such-cuda-driver", nullptr);
    PrGPUFilterInstance a = host_.MakeInstance(0);
    PrGPUFilterInstance b = host_.MakeInstance(0);
    PrGPUFilterInstance c = host_.MakeInstance(1);
    EXPECT_EQ(Create(a), kFail);
    EXPECT_EQ(Create(b), kFail);
    EXPECT_EQ(Create(c), kFail);
    EXPECT_EQ(log_.Take(), (std::vector<std::string>{"GPU: nvcuda.dll not usable",
                                                     "GPU: nvcuda.dll not usable"}));
}

TEST_F(CudaFilterTest, DriverLackingAnEntryPointIsNotUsable) {
    ResetProcessState(PartialCudaPath(), nullptr);
    EXPECT_FALSE(kv::gpu::GetCudaDriverTable().usable);
    EXPECT_EQ(Create(instance_), kFail);
    EXPECT_EQ(log_.Take(), std::vector<std::string>{"GPU: nvcuda.dll not usable"});
}

TEST_F(CudaFilterTest, ModuleLoadFailureMarksTheDeviceFailedForGood) {
    Fake().moduleLoadResult = 218;
    EXPECT_EQ(Create(instance_), kFail);
    EXPECT_EQ(log_.Take(), std::vector<std::string>{"GPU: CUDA module load failed (218)"});
    EXPECT_EQ(Fake().pushDepth, 0) << "the context is popped after a failure";

    Fake().moduleLoadResult = 0;
    PrGPUFilterInstance again = host_.MakeInstance(0);
    EXPECT_EQ(Create(again), kFail);
    EXPECT_TRUE(log_.Take().empty());
    EXPECT_EQ(Fake().moduleLoads, 1) << "no retry";
}

TEST_F(CudaFilterTest, FunctionLookupFailureLogsItsCode) {
    Fake().getFunctionResult = 500;
    EXPECT_EQ(Create(instance_), kFail);
    EXPECT_EQ(log_.Take(), std::vector<std::string>{"GPU: CUDA module load failed (500)"});
}

TEST_F(CudaFilterTest, FailedContextPushIsNotPopped) {
    Fake().pushResult = 201;
    Create(instance_);
    EXPECT_EQ(Fake().pops, 0);
}

}  // namespace
}  // namespace kvtest
