// The GPU filter end to end on a real OpenCL device: a simulated editing host
// hands the filter its own context, queue and frame buffers; the frames are
// read back and compared with the processor path on the same LUT object.
// Skips, saying why, where no OpenCL platform is installed.

#include <cmath>
#include <cstring>
#include <random>

#include "OpenClRuntime.h"
#include "OpenClTestDevice.h"
#include "effect/LutCache.h"
#include "gpu/kernel/HalfFloat.h"
#include "lut_engine/LutRows.h"
#include "lut_engine/ProbePattern.h"

#if defined(__SANITIZE_ADDRESS__)
// The OpenCL runtime keeps allocations past exit, and the module never
// releases its programs and kernels (they live as long as the process): both
// show up as leaks inside the runtime, not in our code.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpocl.so\nleak:libOpenCL.so\n";
}
#endif

namespace kvtest {
namespace {

ScratchUserFolder gScratch;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

using OpenClDevice = OpenClTestDevice;

// A frame as the host's GPU frames are laid out: BGRA, four floats or four
// halves per pixel, rows possibly padded.
struct Frame {
    bool half = false;
    int rowBytes = 0;
    std::vector<unsigned char> bytes;
    void* buffer = nullptr;

    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
    Frame(bool isHalf, int padding) : half(isHalf) {
        rowBytes = kWidth * (half ? 8 : 16) + padding;
        bytes.assign(static_cast<size_t>(rowBytes) * kHeight, 0);
    }
    // Channel c (B, G, R, A order in memory) of pixel (x, y), as a float.
    float Get(int x, int y, int c) const {
        const unsigned char* p = bytes.data() + static_cast<size_t>(y) * rowBytes;
        if (half) {
            std::uint16_t h;
            std::memcpy(&h, p + x * 8 + c * 2, 2);
            return kv::gpu::HalfToFloat(h);
        }
        float f;
        std::memcpy(&f, p + x * 16 + c * 4, 4);
        return f;
    }
    void Set(int x, int y, int c, float v) {
        unsigned char* p = bytes.data() + static_cast<size_t>(y) * rowBytes;
        if (half) {
            const std::uint16_t h = kv::gpu::FloatToHalfRne(v);
            std::memcpy(p + x * 8 + c * 2, &h, 2);
        } else {
            std::memcpy(p + x * 16 + c * 4, &v, 4);
        }
    }
    void Upload(OpenClDevice& d) {
        kv::gpu::test::cl_int err = 0;
        buffer = d.cl.clCreateBuffer(d.context,
                                     kv::gpu::test::kClMemReadWrite | kv::gpu::test::kClMemCopyHostPtr,
                                     bytes.size(), bytes.data(), &err);
        ASSERT_EQ(err, 0);
    }
    void Download(OpenClDevice& d) {
        ASSERT_EQ(d.cl.clEnqueueReadBuffer(d.queue, buffer, 1, 0, bytes.size(), bytes.data(), 0, nullptr,
                                           nullptr),
                  0);
    }
    ~Frame() {
        if (buffer != nullptr) {
            OpenClDevice::Get().cl.clReleaseMemObject(buffer);
        }
    }
};

// Colours over and beyond the unit range, and alpha anywhere in it.
void FillInput(Frame& frame, unsigned seed) {
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
std::vector<float> CpuReference(const Frame& input, const kv::Lut3D* lut, float amount) {
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
void ExpectMatches(const Frame& device, const Frame& input, const std::vector<float>& cpu, bool exact) {
    double worst = 0.0;
    int worstX = 0;
    int worstY = 0;
    int worstC = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            for (int c = 0; c < 4; ++c) {
                const float want = cpu[(static_cast<size_t>(y) * kWidth + x) * 4 + c];
                const float got = device.Get(x, y, c);
                const float expected = device.half ? kv::gpu::HalfToFloat(kv::gpu::FloatToHalfRne(want)) : want;
                double allowed = 0.0;
                if (!exact) {
                    const double scale = std::max({1.0, std::fabs(double(want)), std::fabs(double(input.Get(x, y, c)))});
                    allowed = device.half ? std::fabs(double(want)) * 0x1p-10 + 0x1p-24 : 16 * 0x1p-24 * scale;
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
    PPixHand Handle(Frame& frame) {
        return host_.AddFrame(frame.buffer, Format(), kWidth, kHeight, frame.rowBytes);
    }

    // Renders `lutText` at `amount` percent from a padded input into a
    // separate output (or in place), reads the result back and compares it
    // with the processor's.
    void RenderCase(const std::string& lutText, double amount, bool inPlace, bool exact) {
        OpenClDevice& d = OpenClDevice::Get();
        host_.SetLutBytes(lutText);
        host_.SetAmount(kPrParamType_Float64, amount);
        PrGPUFilterInstance instance = host_.MakeInstance(0);
        ASSERT_EQ(Create(instance), 0) << testing::PrintToString(log_.Take());

        Frame input(Half(), 48);
        FillInput(input, 7);
        input.Upload(d);
        Frame output(Half(), 0);
        output.Upload(d);
        PPixHand in = Handle(input);
        PPixHand out = inPlace ? in : Handle(output);
        ASSERT_EQ(Render(instance, in, out), 0) << testing::PrintToString(log_.Take());

        Frame& result = inPlace ? input : output;
        result.Download(d);
        Frame original(Half(), 48);
        FillInput(original, 7);
        // The same bytes give the instance's own LUT object from the cache.
        const auto lut = GetLutForParam(lutText.data(), lutText.size());
        const std::vector<float> cpu = CpuReference(original, lut.get(), static_cast<float>(amount) * 0.01f);
        ExpectMatches(result, original, cpu, exact);
    }
};

TEST_P(OpenClRenderTest, LutWithBlendMatchesTheProcessor) {
    RenderCase(WarmCubeText(33), 60.0, false, false);
}

TEST_P(OpenClRenderTest, LutInPlaceMatchesTheProcessor) {
    RenderCase(WarmCubeText(17), 100.0, true, false);
}

TEST_P(OpenClRenderTest, PatternIsExact) {
    RenderCase("KVLUTP 5", 0.0, false, true);
}

TEST_P(OpenClRenderTest, AmountZeroCopiesExactly) {
    RenderCase(WarmCubeText(9), 0.0, false, true);
}

INSTANTIATE_TEST_SUITE_P(Formats, OpenClRenderTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Half") : std::string("Float");
                         });

}  // namespace
}  // namespace kvtest
