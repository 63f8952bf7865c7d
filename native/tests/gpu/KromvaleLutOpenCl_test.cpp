// The embedded OpenCL text built and run on a real OpenCL device, compared
// with the C++ twin (bit for bit: both evaluate the body unfused) and with
// the processor path; built once more with contraction left to the device
// compiler, its steps entry against the derived bound (StepParityBound.h).
// Skips, loudly, where no OpenCL platform exists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "KernelTestSupport.h"
#include "OpenClTestDevice.h"
#include "StepParityBound.h"
#include "TestLuts.h"
#include "gpu/KernelSources.h"
#include "lut_engine/LutSampling.h"
#include "lut_engine/process/PreparedSteps.h"

namespace kv::gpu::test {
namespace {

class KromvaleLutOpenCl : public ::testing::Test {
protected:
    // A failure here is recorded, not asserted: googletest skips every test
    // of a suite whose set-up failed, and ctest would count a kernel that no
    // longer builds as skipped. SetUp fails each test with the reason.
    static void SetUpTestSuite() {
        kvtest::OpenClTestDevice& d = Device();
        if (!d.usable()) {
            skipReason_ = d.why;
            skippable_ = d.skippable;
            return;
        }
        cl_handle program = Build("-cl-single-precision-constant");
        cl_handle contracted = program != nullptr ? Build("-cl-single-precision-constant -D KV_CONTRACTED") : nullptr;
        if (contracted != nullptr) {
            kernel_ = Kernel(program, "KromvaleLut");
            shapedKernel_ = Kernel(program, "KromvaleLutShaped");
            stepsKernel_ = Kernel(program, "KromvaleLutSteps");
            contractedStepsKernel_ = Kernel(contracted, "KromvaleLutSteps");
            ready_ = kernel_ != nullptr && shapedKernel_ != nullptr && stepsKernel_ != nullptr &&
                     contractedStepsKernel_ != nullptr;
        }
    }

    // The embedded text built with `options`, or null with the build log in
    // skipReason_.
    static cl_handle Build(const char* options) {
        kvtest::OpenClTestDevice& d = Device();
        cl_int err = 0;
        const char* text = kv::gpu::kKromvaleLutOpenCl;
        cl_handle program = d.cl.clCreateProgramWithSource(d.context, 1, &text, nullptr, &err);
        if (program != nullptr) {
            err = d.cl.clBuildProgram(program, 1, &d.device, options, nullptr, nullptr);
        }
        if (err != kClSuccess) {
            std::vector<char> log(8192, '\0');
            d.cl.clGetProgramBuildInfo(program, d.device, kClProgramBuildLog, log.size() - 1, log.data(), nullptr);
            skipReason_ = "build with \"" + std::string(options) + "\" failed (" + std::to_string(err) + "):\n" +
                          log.data();
            return nullptr;
        }
        return program;
    }

    static cl_handle Kernel(cl_handle program, const char* name) {
        cl_int err = 0;
        cl_handle kernel = Device().cl.clCreateKernel(program, name, &err);
        if (err != kClSuccess) {
            skipReason_ = std::string("no kernel ") + name + " (" + std::to_string(err) + ")";
            return nullptr;
        }
        return kernel;
    }

    void SetUp() override {
        // A platform that is present but cannot build or run the kernel is a
        // failure, not a reason to skip.
        ASSERT_TRUE(ready_ || skippable_) << "OpenCL set-up failed: " << skipReason_;
        if (!ready_) {
            std::fprintf(stderr, "*** SKIPPING the OpenCL kernel test: %s ***\n", skipReason_.c_str());
            GTEST_SKIP() << "OpenCL kernel test not run: " << skipReason_;
        }
    }

    static kvtest::OpenClTestDevice& Device() { return kvtest::OpenClTestDevice::Get(); }

    cl_handle Buffer(std::vector<unsigned char>& bytes) {
        cl_int err = 0;
        cl_handle b = Device().CopyToDevice(bytes, &err);
        EXPECT_EQ(err, kClSuccess);
        return b;
    }

    // A device copy of `values`, or null for none (as the filter binds a
    // table a LUT does not have).
    cl_handle Table(const std::vector<float>& values) {
        if (values.empty()) {
            return nullptr;
        }
        std::vector<unsigned char> bytes(values.size() * sizeof(float));
        std::memcpy(bytes.data(), values.data(), bytes.size());
        return Buffer(bytes);
    }

    // Sets `count` arguments, each at the size the kernel's argument list
    // gives it, runs `kernel` over a grid rounded up to 16 x 16 work-groups,
    // as the render does, and reads `dstBuffer` back into `dst`.
    void Launch(cl_handle kernel, void* const* args, const size_t* bytes, int count, const kv::gpu::KernelParams& k,
                cl_handle dstBuffer, std::vector<unsigned char>& dst) {
        kvtest::OpenClTestDevice& d = Device();
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(d.cl.clSetKernelArg(kernel, static_cast<cl_uint>(i), bytes[i], args[i]), kClSuccess)
                << "argument " << i;
        }
        const size_t global[2] = {size_t(k.width + 15) / 16 * 16, size_t(k.height + 15) / 16 * 16};
        const size_t local[2] = {16, 16};
        ASSERT_EQ(d.cl.clEnqueueNDRangeKernel(d.queue, kernel, 2, nullptr, global, local, 0, nullptr, nullptr),
                  kClSuccess);
        ASSERT_EQ(d.ReadBack(dstBuffer, dst), kClSuccess);
        d.cl.clFinish(d.queue);
    }

    // Runs the kernel (the shaped entry where k says so) with Launch.
    void Run(GpuFrame* src, GpuFrame& dst, const Lut3D& lut, const kv::gpu::KernelParams& k) {
        kvtest::OpenClTestDevice& d = Device();
        const bool shaped = kv::gpu::UsesShapedEntry(k);
        cl_handle dstBuffer = Buffer(dst.bytes);
        cl_handle srcBuffer = src != nullptr ? Buffer(src->bytes) : dstBuffer;
        // KromvaleLut always reads a cube; the shaped entry none for size 0.
        cl_handle lutBuffer = Table(lut.data.empty() && !shaped ? std::vector<float>(24, 0.0f) : lut.data);
        cl_handle shaperBuffer = Table(lut.shaper);
        const auto args = kv::gpu::ShapedKernelArgPointers(&srcBuffer, &dstBuffer, &lutBuffer, &shaperBuffer, k);
        Launch(shaped ? shapedKernel_ : kernel_, args.data(), kv::gpu::kKernelArgBytes,
               shaped ? kv::gpu::kShapedKernelArgCount : kv::gpu::kKernelArgCount, k, dstBuffer, dst.bytes);
        for (cl_handle table : {lutBuffer, shaperBuffer}) {
            if (table != nullptr) {
                d.cl.clReleaseMemObject(table);
            }
        }
        if (srcBuffer != dstBuffer) {
            d.cl.clReleaseMemObject(srcBuffer);
        }
        d.cl.clReleaseMemObject(dstBuffer);
    }

    // Runs a steps kernel on `src` into `dst` (separate buffers) with Launch.
    void RunSteps(cl_handle kernel, const GpuFrame& src, GpuFrame& dst, const Lut3D& lut,
                  const kv::gpu::KernelParams& k) {
        std::vector<unsigned char> srcBytes = src.bytes;
        cl_handle srcBuffer = Buffer(srcBytes);
        cl_handle dstBuffer = Buffer(dst.bytes);
        std::vector<unsigned char> records(lut.steps->records.size() * sizeof(KvStep));
        std::memcpy(records.data(), lut.steps->records.data(), records.size());
        cl_handle stepsBuffer = Buffer(records);
        // The cube is bound but unread; a list without tables still binds one.
        cl_handle lutBuffer = Table(std::vector<float>(24, 0.0f));
        cl_handle tablesBuffer = Table(lut.steps->tables.empty() ? std::vector<float>(1, 0.0f) : lut.steps->tables);
        const auto args =
            kv::gpu::StepsKernelArgPointers(&srcBuffer, &dstBuffer, &lutBuffer, &stepsBuffer, &tablesBuffer, k);
        Launch(kernel, args.data(), kv::gpu::kStepsKernelArgBytes, kv::gpu::kStepsKernelArgCount, k, dstBuffer,
               dst.bytes);
        for (cl_handle b : {srcBuffer, dstBuffer, stepsBuffer, lutBuffer, tablesBuffer}) {
            Device().cl.clReleaseMemObject(b);
        }
    }

    static std::string skipReason_;
    static bool ready_;
    static bool skippable_;
    static cl_handle kernel_;
    static cl_handle shapedKernel_;
    static cl_handle stepsKernel_;
    static cl_handle contractedStepsKernel_;
};

std::string KromvaleLutOpenCl::skipReason_ = "OpenCL set-up failed";
bool KromvaleLutOpenCl::ready_ = false;
bool KromvaleLutOpenCl::skippable_ = false;
cl_handle KromvaleLutOpenCl::kernel_ = nullptr;
cl_handle KromvaleLutOpenCl::shapedKernel_ = nullptr;
cl_handle KromvaleLutOpenCl::stepsKernel_ = nullptr;
cl_handle KromvaleLutOpenCl::contractedStepsKernel_ = nullptr;

bool SameComponent(float a, float b) {
    return Bits(a) == Bits(b) || (std::isnan(a) && std::isnan(b));
}

// Every pixel of the device frame equals the twin's; the first mismatch is
// reported with its input, twin, processor and device values.
void ExpectFramesEqual(const GpuFrame& input, const GpuFrame& twin, const GpuFrame& device,
                       const Lut3D& lut, const kv::gpu::KernelParams& k) {
    for (int y = 0; y < device.rows; ++y) {
        for (int x = 0; x < device.pitch; ++x) {
            float want[4];
            float got[4];
            twin.Get(x, y, want);
            device.Get(x, y, got);
            for (int c = 0; c < 4; ++c) {
                if (!SameComponent(want[c], got[c])) {
                    float in[4] = {};
                    float cpu[4] = {};
                    if (x < input.pitch && y < input.rows) {
                        input.Get(x, y, in);
                        if (k.probe == 0) {
                            CpuPixel(lut, k.amount, in, cpu);
                        }
                    }
                    FAIL() << "pixel " << x << "," << y << " component " << c << " (BGRA) input "
                           << in[c] << " twin " << want[c] << " processor " << cpu[c] << " device "
                           << got[c] << " half " << k.is16f;
                }
            }
        }
    }
}

GpuFrame RandomFrame(std::mt19937& rng, int is16f, int pitch, int rows) {
    std::uniform_real_distribution<float> value(-0.4f, 1.4f);
    GpuFrame f(is16f, pitch, rows);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < pitch; ++x) {
            float px[4] = {value(rng), value(rng), value(rng), value(rng)};
            if ((x + y) % 29 == 0) {
                px[(x + y) % 3] = std::numeric_limits<float>::quiet_NaN();
            }
            f.Set(x, y, px);
        }
    }
    return f;
}

TEST_F(KromvaleLutOpenCl, LutFramesMatchTwinInBothFormatsSeparateAndInPlace) {
    std::mt19937 rng(21);
    // A cube alone (KromvaleLut), and a 1D stage before a cube and alone
    // (KromvaleLutShaped, the latter with no cube buffer bound at all).
    struct Case {
        const char* name;
        int cubeSize;
        int shaperSize;
    };
    for (const Case& c : {Case{"17^3", 17, 0}, Case{"4096 before 17^3", 17, 4096}, Case{"1D only, 1024", 0, 1024}}) {
        Lut3D lut = c.cubeSize > 0 ? kvtest::RandomCube(c.cubeSize, static_cast<uint32_t>(rng()), -0.3f, 1.3f)
                                   : Lut3D{};
        if (c.shaperSize > 0) {
            kvtest::AddRandomShaper(lut, c.shaperSize, static_cast<uint32_t>(rng()), -0.2f, 1.25f);
            lut.shaperMax[0] = 1.0f;
        }
        lut.domainMin[1] = -0.1f;
        lut.domainMax[2] = 1.2f;
        for (int is16f : {0, 1}) {
            for (bool inPlace : {false, true}) {
                SCOPED_TRACE(std::string(c.name) + (is16f != 0 ? " half" : " float") + (inPlace ? " in place" : ""));
                kv::gpu::KernelParams k;
                kv::gpu::SetLutArgs(k, lut);
                k.amount = 0.8f;
                k.is16f = is16f;
                k.width = 37;
                k.height = 23;
                k.srcPitch = 41;
                k.dstPitch = inPlace ? 41 : 39;
                GpuFrame src = RandomFrame(rng, is16f, k.srcPitch, 24);
                GpuFrame twin = inPlace ? src : RandomFrame(rng, is16f, k.dstPitch, 25);
                GpuFrame device = twin;
                if (inPlace) {
                    RunTwinInPlace(twin, lut.data.data(), k, lut.shaper.data());
                    Run(nullptr, device, lut, k);
                } else {
                    RunTwin(src, twin, lut.data.data(), k, lut.shaper.data());
                    Run(&src, device, lut, k);
                }
                ExpectFramesEqual(src, twin, device, lut, k);
            }
        }
    }
}

TEST_F(KromvaleLutOpenCl, AmountZeroCopiesAndPatternMatchesProbeColour) {
    std::mt19937 rng(22);
    const Lut3D lut = kvtest::RandomCube(5, static_cast<uint32_t>(rng()), 0.0f, 1.0f);
    for (int is16f : {0, 1}) {
        kv::gpu::KernelParams k;
        kv::gpu::SetLutArgs(k, lut);
        k.amount = 0.0f;
        k.is16f = is16f;
        k.width = 18;
        k.height = 17;
        k.srcPitch = 18;
        k.dstPitch = 18;
        GpuFrame src = RandomFrame(rng, is16f, 18, 17);
        GpuFrame device(is16f, 18, 17);
        Run(&src, device, lut, k);
        EXPECT_EQ(src.bytes, device.bytes) << "amount 0, half " << is16f;

        // Pattern: n = 3 over part of the frame with more cells than patches,
        // n = 64 (values that halves must round) over all of it.
        for (int n : {3, 64}) {
            const ProbeGeometry g = n == 3 ? ProbeGeometry{7, 4, 2, 3, 16, 15} : ProbeGeometry{683, 384, 0, 0, 18, 17};
            k.probe = n;
            k.pattern = g;
            GpuFrame pattern(is16f, 18, 17);
            Run(&src, pattern, lut, k);
            GpuFrame expected(is16f, 18, 17);
            for (int y = 0; y < 17; ++y) {
                for (int x = 0; x < 18; ++x) {
                    float rgb[3];
                    probeColour(n, g, x, y, rgb);
                    const float bgra[4] = {rgb[2], rgb[1], rgb[0], 1.0f};
                    expected.Set(x, y, bgra);
                }
            }
            ExpectFramesEqual(expected, expected, pattern, lut, k);
        }
    }
}

TEST_F(KromvaleLutOpenCl, StepListsMatchTwinBitForBitInBothFormats) {
    std::mt19937 rng(23);
    for (const StepListLut& c : StepListLuts()) {
        ASSERT_TRUE(c.lut.HasProcessSteps()) << c.name;
        for (int is16f : {0, 1}) {
            SCOPED_TRACE(c.name + (is16f != 0 ? ", half" : ", float"));
            const kv::gpu::KernelParams k = StepsParams(c.lut, is16f, 0.75f);
            const GpuFrame src = StepInputFrame(rng, is16f, k.srcPitch, 24);
            GpuFrame twin = StepInputFrame(rng, is16f, k.dstPitch, 25);
            GpuFrame device = twin;
            RunStepsTwin(src, twin, c.lut, k);
            RunSteps(stepsKernel_, src, device, c.lut, k);
            ExpectFramesEqual(src, twin, device, c.lut, k);
        }
    }
}

// Every step kind alone, its products and sums left to the device
// compiler to fuse, against the processor: within the derived bound. Per
// kind it prints the worst error in ulps of max(1, |in|, |out|), the bound
// at that pixel in the same ulps, and the largest share of its bound any
// error took.
TEST_F(KromvaleLutOpenCl, ContractedStepsStayWithinTheirDerivedBound) {
    std::mt19937 rng(24);
    constexpr int kSide = 64;
    std::printf("%-34s %12s %12s %10s\n", "step (contracted OpenCL)", "worst ulps", "its bound", "of bound");
    for (const StepListLut& c : StepListLuts()) {
        if (c.lut.steps->records.size() != 1) continue;
        kv::gpu::KernelParams k = StepsParams(c.lut, 0, 1.0f);
        k.width = k.height = k.srcPitch = k.dstPitch = kSide;
        const GpuFrame src = StepInputFrame(rng, 0, kSide, kSide, false);
        GpuFrame device(0, kSide, kSide);
        RunSteps(contractedStepsKernel_, src, device, c.lut, k);
        double worstUlps = 0.0;
        double worstBoundUlps = 0.0;
        double worstShare = 0.0;
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                float bgra[4];
                src.Get(x, y, bgra);
                const float in[3] = {bgra[2], bgra[1], bgra[0]};
                float out[3] = {in[0], in[1], in[2]};
                ApplyProcessSteps(*c.lut.steps, out);
                for (int ch = 0; ch < 3; ++ch) {
                    const float cpu = CanonicalNaN(BlendAmount(out[ch], in[ch], 1.0f));
                    const float gpu = device.Get(x, y, 2 - ch);
                    if (!std::isfinite(out[ch]) || !std::isfinite(cpu)) {
                        ASSERT_TRUE(SameComponent(cpu, gpu)) << c.name << ": input " << in[ch] << " processor " << cpu
                                                             << " device " << gpu;
                        continue;
                    }
                    const double bound = BlendedBound(StepBound(c.lut.steps->records[0], c.lut.steps->tables.data(),
                                                                in, out, ch),
                                                      in[ch], out[ch], 1.0f, cpu);
                    const double error = std::fabs(double(gpu) - cpu);
                    ASSERT_LE(error, bound) << c.name << ", channel " << ch << ": input " << in[0] << ", " << in[1]
                                            << ", " << in[2] << " processor " << cpu << " device " << gpu;
                    const double ulp = std::ldexp(1.0, std::ilogb(std::max({1.0f, std::fabs(in[ch]), std::fabs(out[ch])})) - 23);
                    if (error / ulp > worstUlps) {
                        worstUlps = error / ulp;
                        worstBoundUlps = bound / ulp;
                    }
                    worstShare = std::max(worstShare, error / bound);
                }
            }
        }
        std::printf("%-34s %12.3g %12.3g %9.1f%%\n", c.name.c_str(), worstUlps, worstBoundUlps, 100.0 * worstShare);
    }
}

}  // namespace
}  // namespace kv::gpu::test
