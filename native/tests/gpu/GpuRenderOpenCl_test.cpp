// The GPU filter end to end on a real OpenCL device: a simulated editing host
// hands the filter its own context, queue and frame buffers; the frames are
// read back and compared with the processor path on the same LUT object.
// Skips, saying why, where no OpenCL platform is installed.

#include <cmath>
#include <memory>
#include <mutex>
#include <random>

#include "GpuFrame.h"
#include "KernelTestSupport.h"
#include "OpenClFilterFixture.h"
#include "TestProcessLists.h"
#include "lut_engine/ProcessListText.h"
#include "TestLuts.h"
#include "gpu/GpuLaunch.h"
#include "gpu/LutUpload.h"
#include "gpu/PremiereDevice.h"
#include "host_link/LutCache.h"
#include "gpu/kernel/HalfFloat.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/ProbePattern.h"

namespace kvtest {
namespace {

ScratchUserFolder gScratch;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

using kv::gpu::test::GpuFrame;

// A frame of the test's size in host memory and, once uploaded, in the
// OpenCL buffer that the host hands to the filter.
struct DeviceFrame {
    GpuFrame pixels;
    void* buffer = nullptr;

    DeviceFrame(const DeviceFrame&) = delete;
    DeviceFrame& operator=(const DeviceFrame&) = delete;
    DeviceFrame(bool half, int paddingBytes)
        : pixels(half ? 1 : 0, kWidth + paddingBytes / (half ? 8 : 16), kHeight) {}
    void Upload(OpenClTestDevice& d) {
        kv::gpu::test::cl_int err = 0;
        buffer = d.CopyToDevice(pixels.bytes, &err);
        ASSERT_EQ(err, 0);
    }
    void Download(OpenClTestDevice& d) { ASSERT_EQ(d.ReadBack(buffer, pixels.bytes), 0); }
    ~DeviceFrame() {
        if (buffer != nullptr) {
            OpenClTestDevice::Get().cl.clReleaseMemObject(buffer);
        }
    }
};

// Colours over and beyond the unit range, and alpha anywhere in it.
void FillInput(GpuFrame& frame, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> colour(-0.1f, 1.1f);
    std::uniform_real_distribution<float> alpha(0.0f, 1.0f);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            for (int c = 0; c < 3; ++c) {
                frame.Set(x, y, c, colour(random));
            }
            frame.Set(x, y, 3, alpha(random));
        }
    }
}

// The processor's result for `input` (as floats, BGRA), the frame the GPU
// should match.
std::vector<float> CpuReference(const GpuFrame& input, const kv::Lut3D* lut, float amount) {
    std::vector<float> in(static_cast<size_t>(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            for (int c = 0; c < 4; ++c) {
                in[(static_cast<size_t>(y) * kWidth + x) * 4 + c] = input.Get(x, y, c);
            }
        }
    }
    std::vector<float> out = in;
    kv::FrameView src{reinterpret_cast<unsigned char*>(in.data()), kWidth, kHeight, kWidth * 16,
                      kv::kLayoutBGRA};
    kv::FrameView dst{reinterpret_cast<unsigned char*>(out.data()), kWidth, kHeight, kWidth * 16,
                      kv::kLayoutBGRA};
    const kv::ChannelTable table = kv::ChannelTableFor(kv::kLayoutBGRA);
    if (lut != nullptr && lut->probe > 0) {
        kv::ProbeRowsParams p{dst, lut->probe, kv::ProbeGeometryFor(*lut, kWidth, kHeight), table};
        kv::DrawProbeRows32f(p, 0, kHeight);
    } else if (lut != nullptr && amount > 0.0f) {
        kv::LutRowsParams p{src, dst, kWidth, table, 1.0f, lut, amount, table};
        kv::ApplyLutRows32f(p, 0, kHeight);
    }
    return out;
}

// Compares the device's frame with the processor's: exact when `exact`,
// otherwise within the kernel's summation bound (float frames) or one
// half-float step (half frames, whose rounding may fall either side).
void ExpectMatches(const GpuFrame& device, const GpuFrame& input, const std::vector<float>& cpu, bool exact) {
    double worst = 0.0;
    int worstX = 0;
    int worstY = 0;
    int worstC = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            for (int c = 0; c < 4; ++c) {
                const float want = cpu[(static_cast<size_t>(y) * kWidth + x) * 4 + c];
                const float got = device.Get(x, y, c);
                const float expected = device.is16f != 0 ? kv::gpu::HalfToFloat(kv::gpu::FloatToHalfRne(want)) : want;
                double allowed = 0.0;
                if (!exact) {
                    const double scale = std::max({1.0, std::fabs(double(want)), std::fabs(double(input.Get(x, y, c)))});
                    allowed = device.is16f != 0 ? std::fabs(double(want)) * 0x1p-10 + 0x1p-24 : 16 * 0x1p-24 * scale;
                }
                const double error = exact ? (got == expected ? 0.0 : std::fabs(double(got) - expected) + 0x1p-149)
                                           : std::fabs(double(got) - want) - allowed;
                if (error > worst) {
                    worst = error;
                    worstX = x;
                    worstY = y;
                    worstC = c;
                }
            }
        }
    }
    const size_t at = (static_cast<size_t>(worstY) * kWidth + worstX) * 4 + worstC;
    EXPECT_EQ(worst, 0.0) << "worst pixel (" << worstX << ", " << worstY << ") channel " << worstC
                          << ": input " << input.Get(worstX, worstY, worstC) << ", CPU " << cpu[at]
                          << ", GPU " << device.Get(worstX, worstY, worstC);
}

class OpenClRenderTest : public OpenClFilterTest, public testing::WithParamInterface<bool> {
protected:
    bool Half() const { return GetParam(); }
    PrPixelFormat Format() const {
        return Half() ? PrPixelFormat_GPU_BGRA_4444_16f : PrPixelFormat_GPU_BGRA_4444_32f;
    }
    PPixHand Handle(DeviceFrame& frame) {
        return host_.AddFrame(frame.buffer, Format(), kWidth, kHeight, frame.pixels.RowBytes());
    }

    // Renders `lutText` at `amount` percent from a padded input into a
    // separate output (or in place), reads the result back and compares it
    // with the processor's.
    void RenderCase(const std::string& lutText, double amount, bool inPlace, bool exact) {
        OpenClTestDevice& d = OpenClTestDevice::Get();
        host_.SetLutBytes(lutText);
        host_.SetAmount(kPrParamType_Float64, amount);
        PrGPUFilterInstance instance = host_.MakeInstance(0);
        ASSERT_EQ(Create(instance), 0) << testing::PrintToString(log_.Take());

        DeviceFrame input(Half(), 48);
        FillInput(input.pixels, 7);
        input.Upload(d);
        DeviceFrame output(Half(), 0);
        output.Upload(d);
        PPixHand in = Handle(input);
        PPixHand out = inPlace ? in : Handle(output);
        ASSERT_EQ(Render(instance, in, out), 0) << testing::PrintToString(log_.Take());

        DeviceFrame& result = inPlace ? input : output;
        result.Download(d);
        DeviceFrame original(Half(), 48);
        FillInput(original.pixels, 7);
        // The same bytes give the instance's own LUT object from the cache.
        const auto lut = kv::GetLutForParam(lutText.data(), lutText.size());
        const std::vector<float> cpu = CpuReference(original.pixels, lut.get(), static_cast<float>(amount) * 0.01f);
        ExpectMatches(result.pixels, original.pixels, cpu, exact);
    }
};

TEST_P(OpenClRenderTest, LutWithBlendMatchesTheProcessor) {
    RenderCase(WarmCubeText(33), 60.0, false, false);
}

TEST_P(OpenClRenderTest, LutInPlaceMatchesTheProcessor) {
    RenderCase(WarmCubeText(17), 100.0, true, false);
}

// Process lists through the host's parameter, the cache, the upload and the
// steps entry. The OpenCL text evaluates the very operations of the scalar
// rows, unfused (FP_CONTRACT OFF), so on PoCL the frames are the
// processor's bits; other devices are held to the step kinds' derived bound
// by the kernel tests and scripts/gpu-check.sh.
TEST_P(OpenClRenderTest, ProcessListsMatchTheProcessorBitForBit) {
    std::vector<kv::ProcessStep> everything;
    for (const kvtest::NamedStep& s : kvtest::EveryStepKind()) everything.push_back(s.step);
    kv::ProcessList all;
    all.steps = everything;
    const struct {
        const char* name;
        kv::ProcessList list;
        double amount;
        bool inPlace;
    } cases[] = {
        {"log and matrix", kvtest::LogMatrixList(), 100.0, false},
        {"five steps at 60 %", kvtest::FiveStepList(), 60.0, false},
        {"every step, in place", all, 100.0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RenderCase(kv::FormatProcessListText(c.list, 0, "steps"), c.amount, c.inPlace, true);
    }
}

TEST_P(OpenClRenderTest, PatternIsExact) {
    RenderCase("KVLUTP 5", 0.0, false, true);
}

TEST_P(OpenClRenderTest, AmountZeroCopiesExactly) {
    RenderCase(WarmCubeText(9), 0.0, false, true);
}

// LUTs with a 1D stage, built in code, through the render's own plan,
// upload and launch on the device an instance prepared, against the
// processor (kv::SampleLut, then the blend against the input); a cube after
// them runs the first entry again with its own table. The tables are smooth
// so that the bound also holds on a device whose division is not correctly
// rounded (NVIDIA's, under scripts/gpu-check.sh); bit-for-bit agreement with
// the twin is the kernel test's.
TEST_P(OpenClRenderTest, ShapedLutsMatchTheProcessor) {
    OpenClTestDevice& d = OpenClTestDevice::Get();
    PrGPUFilterInstance instance = host_.MakeInstance(0);
    ASSERT_EQ(Create(instance), 0) << testing::PrintToString(log_.Take());
    kv::gpu::GpuDeviceState& state = kv::gpu::GetGpuDeviceState(0);
    const PrGPUDeviceInfo device = host_.Device(0);

    kv::Lut3D before = kvtest::IdentityCube(33);
    kvtest::FloatSource noise(31);
    for (float& v : before.data) {
        v += noise.Next(-0.01f, 0.01f);
    }
    kvtest::AddRandomShaper(before, 4096, 32, -0.1f, 1.5f);
    kv::Lut3D alone = kvtest::RandomShaperOnly(1024, 33, -0.05f, 1.05f);
    alone.shaperMin[1] = 0.25f;
    const std::shared_ptr<const kv::Lut3D> luts[] = {
        std::make_shared<const kv::Lut3D>(std::move(before)), std::make_shared<const kv::Lut3D>(std::move(alone)),
        std::make_shared<const kv::Lut3D>(kvtest::RandomCube(17, 34))};
    for (const auto& lut : luts) {
        SCOPED_TRACE("cube " + std::to_string(lut->size) + ", 1D " + std::to_string(lut->shaperSize));
        DeviceFrame input(Half(), 48);
        FillInput(input.pixels, 9);
        input.Upload(d);
        DeviceFrame output(Half(), 0);
        output.Upload(d);
        kv::gpu::GpuFrames frames;
        frames.src = input.buffer;
        frames.dst = output.buffer;
        frames.is32f = !Half();
        frames.width = kWidth;
        frames.height = kHeight;
        frames.srcRowBytes = input.pixels.RowBytes();
        frames.dstRowBytes = output.pixels.RowBytes();
        const kv::gpu::GpuLaunch launch = kv::gpu::PlanLaunch(lut, 0.7f, frames);
        ASSERT_EQ(launch.lut, lut);
        ASSERT_EQ(kv::gpu::UsesShapedEntry(launch.params), lut->shaperSize > 0);
        {
            std::lock_guard<std::mutex> lock(state.mutex);
            const kv::gpu::DeviceHandles handles = kv::gpu::PremiereDeviceHandles(device);
            ASSERT_TRUE(kv::gpu::UploadLut(state, handles, launch.lut)) << testing::PrintToString(log_.Take());
            ASSERT_TRUE(state.backend->Launch(handles, frames.src, frames.dst, launch.params))
                << testing::PrintToString(log_.Take());
        }
        output.Download(d);

        std::vector<float> cpu(static_cast<size_t>(kWidth) * kHeight * 4);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                float in[4];
                input.pixels.Get(x, y, in);
                kv::gpu::test::CpuPixel(*lut, 0.7f, in, &cpu[(static_cast<size_t>(y) * kWidth + x) * 4]);
            }
        }
        ExpectMatches(output.pixels, input.pixels, cpu, false);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, OpenClRenderTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Half") : std::string("Float");
                         });

}  // namespace
}  // namespace kvtest
