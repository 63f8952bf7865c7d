// The GPU filter on an OpenCL runtime that fails where real ones can: the
// kernel does not build (with a short or a very long build log), the LUT
// buffer cannot be made, the launch is refused. Each failure logs its line
// and answers 0x80000000, so that the host renders the frame on the
// processor; a runtime that recovers renders again. The runtime is a table
// of functions in this program, installed through the table's test seam.

#include <algorithm>
#include <string>
#include <vector>

#include "GpuFilterTestSupport.h"

namespace kvtest {
namespace {

constexpr kv::gpu::ClInt kClBuildProgramFailure = -11;
constexpr kv::gpu::ClInt kClInvalidValue = -30;

// What the fake runtime answers; reset by each test.
struct FakeOpenCl {
    kv::gpu::ClInt buildResult = 0;
    std::string buildLog;
    kv::gpu::ClInt createBufferError = 0;
    kv::gpu::ClInt enqueueResult = 0;
    int builds = 0;
    int launches = 0;
    int buffersLive = 0;
};

FakeOpenCl& Fake() {
    static FakeOpenCl state;
    return state;
}

char gProgram, gKernel, gBuffer;  // addresses standing for the runtime's objects

kv::gpu::ClProgram CreateProgram(kv::gpu::ClContext, kv::gpu::ClUint, const char**, const std::size_t*, kv::gpu::ClInt* error) {
    *error = 0;
    return &gProgram;
}
kv::gpu::ClInt Build(kv::gpu::ClProgram, kv::gpu::ClUint, const kv::gpu::ClDevice*, const char*, kv::gpu::ClBuildNotify, void*) {
    ++Fake().builds;
    return Fake().buildResult;
}
// Like real runtimes, refuses to write the log into a buffer too small for it.
kv::gpu::ClInt BuildInfo(kv::gpu::ClProgram, kv::gpu::ClDevice, kv::gpu::ClUint name, std::size_t size, void* value, std::size_t* sizeOut) {
    const std::string& log = Fake().buildLog;
    if (name != kv::gpu::kClProgramBuildLog) return kClInvalidValue;
    if (sizeOut != nullptr) *sizeOut = log.size() + 1;
    if (value == nullptr) return 0;
    if (size < log.size() + 1) return kClInvalidValue;
    std::copy(log.begin(), log.end(), static_cast<char*>(value));
    static_cast<char*>(value)[log.size()] = '\0';
    return 0;
}
kv::gpu::ClKernel CreateKernel(kv::gpu::ClProgram, const char*, kv::gpu::ClInt* error) {
    *error = 0;
    return &gKernel;
}
kv::gpu::ClInt SetArg(kv::gpu::ClKernel, kv::gpu::ClUint, std::size_t, const void*) { return 0; }
kv::gpu::ClInt Enqueue(kv::gpu::ClQueue, kv::gpu::ClKernel, kv::gpu::ClUint, const std::size_t*, const std::size_t*, const std::size_t*, kv::gpu::ClUint,
              const kv::gpu::ClEvent*, kv::gpu::ClEvent*) {
    ++Fake().launches;
    return Fake().enqueueResult;
}
kv::gpu::ClMem CreateBuffer(kv::gpu::ClContext, kv::gpu::ClMemFlags, std::size_t, void*, kv::gpu::ClInt* error) {
    *error = Fake().createBufferError;
    if (*error != 0) return nullptr;
    ++Fake().buffersLive;
    return &gBuffer;
}
kv::gpu::ClInt Release(kv::gpu::ClMem) {
    --Fake().buffersLive;
    return 0;
}
kv::gpu::ClInt Finish(kv::gpu::ClQueue) { return 0; }

kv::gpu::OpenClTable FakeTable() {
    kv::gpu::OpenClTable table;
    table.usable = true;
    table.clCreateProgramWithSource = CreateProgram;
    table.clBuildProgram = Build;
    table.clGetProgramBuildInfo = BuildInfo;
    table.clCreateKernel = CreateKernel;
    table.clSetKernelArg = SetArg;
    table.clEnqueueNDRangeKernel = Enqueue;
    table.clCreateBuffer = CreateBuffer;
    table.clReleaseMemObject = Release;
    table.clFinish = Finish;
    return table;
}

class OpenClFaultTest : public GpuFilterTest {
protected:
    void SetUp() override {
        Fake() = FakeOpenCl{};
        ResetProcessState(nullptr, nullptr);
        kv::gpu::SetOpenClTableForTesting(FakeTable());
        RegisterFilter();
        PrGPUDeviceInfo& device = host_.Device(0);
        device.outDeviceFramework = PrGPUDeviceFramework_OpenCL;
        device.outMeetsMinimumRequirementsForAcceleration = 1;
        device.outContextHandle = reinterpret_cast<void*>(0xC0);
        device.outDeviceHandle = reinterpret_cast<void*>(0xD0);
        device.outCommandQueueHandle = reinterpret_cast<void*>(0x50);
        host_.SetLutBytes(WarmCubeText(17));
        host_.SetAmount(kPrParamType_Float64, 50.0);
        in_ = host_.AddFrame(reinterpret_cast<void*>(0x7000), PrPixelFormat_GPU_BGRA_4444_32f, 64, 32, 64 * 16);
        out_ = host_.AddFrame(reinterpret_cast<void*>(0x9000), PrPixelFormat_GPU_BGRA_4444_32f, 64, 32, 64 * 16);
    }
    void TearDown() override {
        GpuFilterTest::TearDown();
        kv::gpu::ResetOpenClTableForTesting(L"kv-no-such-opencl-runtime");
    }

    PrGPUFilterInstance instance_ = host_.MakeInstance(0);
    PPixHand in_ = nullptr;
    PPixHand out_ = nullptr;
};

TEST_F(OpenClFaultTest, ReadyAndRenderLinesNameTheFramework) {
    ASSERT_EQ(Create(instance_), 0);
    ASSERT_EQ(Render(instance_, in_, out_), 0);
    EXPECT_TRUE(HasLinesInOrder(
        log_.Take(), {"GPU: filter ready on device 0 (OpenCL)",
                      "GPU Render OpenCL fmt=32f 64x32 src->dst rowbytes=1024/1024 amount=0.500 lut=17"}));
}

TEST_F(OpenClFaultTest, BuildFailureLogsTheBuildLogAndRefusesTheInstance) {
    Fake().buildResult = kClBuildProgramFailure;
    Fake().buildLog = "<kernel>:12:3: error: use of undeclared identifier 'kvUnit'";
    EXPECT_EQ(Create(instance_), kFail);
    EXPECT_TRUE(HasLinesInOrder(log_.Take(), {"GPU: OpenCL build failed (-11): " + Fake().buildLog}));

    // A log longer than the 2047 bytes kept is still read (the runtime will
    // not write it into a smaller buffer); the log line then holds its first
    // 1023 bytes, as every log line does.
    kv::gpu::ResetGpuDeviceStatesForTesting();
    Fake().buildLog = std::string(5000, 'e') + "tail";
    PrGPUFilterInstance again = host_.MakeInstance(0);
    EXPECT_EQ(Create(again), kFail);
    const std::string line = "GPU: OpenCL build failed (-11): " + Fake().buildLog;
    EXPECT_TRUE(HasLinesInOrder(log_.Take(), {line.substr(0, 1023)}));
}

TEST_F(OpenClFaultTest, UploadAndLaunchFailuresLeaveTheFrameToTheProcessor) {
    ASSERT_EQ(Create(instance_), 0);
    Fake().createBufferError = -4;  // out of device memory
    EXPECT_EQ(Render(instance_, in_, out_), kFail);
    EXPECT_EQ(Fake().launches, 0);
    EXPECT_TRUE(HasLinesInOrder(log_.Take(), {"GPU: OpenCL LUT upload failed (-4)"}));

    Fake().createBufferError = 0;
    Fake().enqueueResult = -5;  // out of resources
    EXPECT_EQ(Render(instance_, in_, out_), kFail);
    EXPECT_TRUE(HasLinesInOrder(log_.Take(), {"GPU: OpenCL launch failed (-5)"}));

    Fake().enqueueResult = 0;
    EXPECT_EQ(Render(instance_, in_, out_), 0);
    EXPECT_EQ(Fake().launches, 2);
    EXPECT_EQ(Fake().buffersLive, 1) << "one LUT buffer, none left behind by the failures";
}

}  // namespace
}  // namespace kvtest
