// The embedded OpenCL text built and run on a real OpenCL device, compared
// with the C++ twin (bit for bit: both evaluate the body unfused) and with
// the processor path. Skips, loudly, where no OpenCL platform exists.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "KernelTestSupport.h"
#include "TestLuts.h"
#include "OpenClTestDevice.h"
#include "gpu/KernelSources.h"

namespace kv::gpu::test {
namespace {

class KromvaleLutOpenCl : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        kvtest::OpenClTestDevice& d = Device();
        if (!d.usable()) {
            skipReason_ = d.why;
            skippable_ = d.skippable;
            return;
        }
        cl_int err = 0;
        const char* text = kv::gpu::kKromvaleLutOpenCl;
        cl_handle program = d.cl.clCreateProgramWithSource(d.context, 1, &text, nullptr, &err);
        ASSERT_EQ(err, kClSuccess);
        err = d.cl.clBuildProgram(program, 1, &d.device, "-cl-single-precision-constant", nullptr, nullptr);
        if (err != kClSuccess) {
            std::vector<char> log(8192, '\0');
            d.cl.clGetProgramBuildInfo(program, d.device, kClProgramBuildLog, log.size() - 1, log.data(),
                                       nullptr);
            FAIL() << "OpenCL build failed (" << err << "):\n" << log.data();
        }
        kernel_ = d.cl.clCreateKernel(program, "KromvaleLut", &err);
        ASSERT_EQ(err, kClSuccess);
        shapedKernel_ = d.cl.clCreateKernel(program, "KromvaleLutShaped", &err);
        ASSERT_EQ(err, kClSuccess);
        ready_ = true;
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

    // Runs the kernel (the shaped entry where k says so) over a grid rounded
    // up to 16 x 16 work-groups, as the render does, and reads the
    // destination back into `dst`.
    void Run(GpuFrame* src, GpuFrame& dst, const Lut3D& lut, const kv::gpu::KernelParams& k) {
        kvtest::OpenClTestDevice& d = Device();
        const bool shaped = kv::gpu::UsesShapedEntry(k);
        cl_handle dstBuffer = Buffer(dst.bytes);
        cl_handle srcBuffer = src != nullptr ? Buffer(src->bytes) : dstBuffer;
        // KromvaleLut always reads a cube; the shaped entry none for size 0.
        cl_handle lutBuffer = Table(lut.data.empty() && !shaped ? std::vector<float>(24, 0.0f) : lut.data);
        cl_handle shaperBuffer = Table(lut.shaper);
        cl_handle kernel = shaped ? shapedKernel_ : kernel_;
        // Every argument at the size the kernel's argument list gives it.
        const auto args = kv::gpu::ShapedKernelArgPointers(&srcBuffer, &dstBuffer, &lutBuffer, &shaperBuffer, k);
        const int count = shaped ? kv::gpu::kShapedKernelArgCount : kv::gpu::kKernelArgCount;
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(d.cl.clSetKernelArg(kernel, static_cast<cl_uint>(i), kv::gpu::kKernelArgBytes[i], args[i]), kClSuccess)
                << "argument " << i;
        }
        const size_t global[2] = {size_t(k.width + 15) / 16 * 16, size_t(k.height + 15) / 16 * 16};
        const size_t local[2] = {16, 16};
        ASSERT_EQ(d.cl.clEnqueueNDRangeKernel(d.queue, kernel, 2, nullptr, global, local, 0, nullptr, nullptr),
                  kClSuccess);
        ASSERT_EQ(d.ReadBack(dstBuffer, dst.bytes), kClSuccess);
        d.cl.clFinish(d.queue);
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

    static std::string skipReason_;
    static bool ready_;
    static bool skippable_;
    static cl_handle kernel_;
    static cl_handle shapedKernel_;
};

std::string KromvaleLutOpenCl::skipReason_ = "OpenCL set-up failed";
bool KromvaleLutOpenCl::ready_ = false;
bool KromvaleLutOpenCl::skippable_ = false;
cl_handle KromvaleLutOpenCl::kernel_ = nullptr;
cl_handle KromvaleLutOpenCl::shapedKernel_ = nullptr;

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

}  // namespace
}  // namespace kv::gpu::test
