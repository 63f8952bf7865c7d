#include "effect/BandJobs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "effect/BandSplitter.h"
#include "lut_engine/ByteChannel.h"

namespace {

kv::Lut3D gradeCube(int32_t n) {
    kv::Lut3D lut;
    lut.size = n;
    lut.data.resize(static_cast<size_t>(n) * n * n * 3);
    for (size_t i = 0; i < lut.data.size(); ++i) {
        lut.data[i] = static_cast<float>((i * 7919) % 1000) / 999.0f;
    }
    return lut;
}

std::vector<uint8_t> texture8(size_t bytes) {
    std::vector<uint8_t> v(bytes);
    for (size_t i = 0; i < bytes; ++i) v[i] = static_cast<uint8_t>((i * 131 + i / 7) & 0xFF);
    return v;
}

// 1080 rows in, 1088 out: rows past the input are left alone, and the rows
// that are done match one scalar pass over the whole frame.
TEST(RunLutJobBytes, ProcessesTheOverlapOnlyAcrossBands) {
    const kv::Lut3D lut = gradeCube(17);
    const int32_t width = 1920;
    std::vector<uint8_t> src = texture8(static_cast<size_t>(width) * 4 * 1080);
    std::vector<uint8_t> dst(static_cast<size_t>(width) * 4 * 1088, 0xEE);
    const kv::FrameView in{src.data(), width, 1080, width * 4, kv::kLayoutARGB};
    const kv::FrameView out{dst.data(), width, 1088, width * 4, kv::kLayoutBGRA};
    kv::RunLutJob(kv::kArgb8, lut, in, out, 0.75f);

    std::vector<uint8_t> want(dst.size(), 0xEE);
    kv::LutRowsParams p;
    p.src = in;
    p.dst = kv::FrameView{want.data(), width, 1088, width * 4, kv::kLayoutBGRA};
    p.width = width;
    p.srcChannels = kv::ChannelTableFor(kv::kLayoutARGB);
    p.scale = kv::kByteScale;
    p.lut = &lut;
    p.amount = 0.75f;
    p.dstChannels = kv::ChannelTableFor(kv::kLayoutBGRA);
    kv::ApplyLutRows8(p, 0, 1080);
    ASSERT_TRUE(dst == want);
    for (size_t i = static_cast<size_t>(width) * 4 * 1080; i < dst.size(); ++i) ASSERT_EQ(dst[i], 0xEE);
}

TEST(RunLutJobFloat, LeavesColumnsPastTheNarrowerFrameAlone) {
    const kv::Lut3D lut = gradeCube(5);
    const int32_t rows = 300;
    std::vector<float> src(static_cast<size_t>(64) * 4 * rows);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<float>(i % 97) / 96.0f;
    std::vector<float> dst(static_cast<size_t>(80) * 4 * rows, -9.0f);
    const kv::FrameView in{reinterpret_cast<unsigned char*>(src.data()), 64, rows, 64 * 16, kv::kLayoutBGRA};
    const kv::FrameView out{reinterpret_cast<unsigned char*>(dst.data()), 80, rows - 10, 80 * 16,
                            kv::kLayoutBGRA};
    kv::RunLutJob(kv::kBgra32f, lut, in, out, 1.0f);
    for (int32_t y = 0; y < rows; ++y) {
        for (int32_t x = 0; x < 80; ++x) {
            const float* px = &dst[(static_cast<size_t>(y) * 80 + x) * 4];
            const bool written = y < rows - 10 && x < 64;
            ASSERT_EQ(px[3] != -9.0f, written) << x << "," << y;
            if (written) {
                ASSERT_EQ(px[3], src[(static_cast<size_t>(y) * 64 + x) * 4 + 3]);
            }
        }
    }
}

TEST(RunPatternJob, DrawsEveryRowOfTheOutput) {
    const int32_t width = 640, height = 360;
    kv::Lut3D request;
    request.probe = 5;
    const kv::ProbeGeometry g = kv::ProbeGeometryFor(request, width, height);
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * 4 * height, 0xEE);
    kv::RunPatternJob(kv::kArgb8, 5, g, kv::FrameView{bytes.data(), width, height, width * 4, kv::kLayoutARGB});
    std::vector<float> floats(static_cast<size_t>(width) * 4 * height, -9.0f);
    kv::RunPatternJob(kv::kBgra32f, 5, g, kv::FrameView{reinterpret_cast<unsigned char*>(floats.data()), width, height,
                                             width * 16, kv::kLayoutRGBA});
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            float rgb[3];
            kv::probeColour(5, g, x, y, rgb);
            const size_t i = (static_cast<size_t>(y) * width + x) * 4;
            ASSERT_EQ(bytes[i], 255);
            ASSERT_EQ(bytes[i + 1], kv::ByteFromUnit(rgb[0]));
            ASSERT_EQ(floats[i + 2], rgb[2]);
            ASSERT_EQ(floats[i + 3], 1.0f);
        }
    }
}

TEST(RunLutJob, RefusesARecordWithoutACompleteCube) {
    std::vector<uint8_t> px(4 * 4 * 64, 0xEE);
    const kv::FrameView view{px.data(), 4, 64, 16, kv::kLayoutRGBA};
    kv::Lut3D pattern;
    pattern.probe = 17;
    EXPECT_THROW(kv::RunLutJob(kv::kArgb8, pattern, view, view, 1.0f), std::invalid_argument);
    kv::Lut3D shortData = gradeCube(3);
    shortData.data.pop_back();
    EXPECT_THROW(kv::RunLutJob(kv::kArgb8, shortData, view, view, 1.0f), std::invalid_argument);
    EXPECT_THROW(kv::RunLutJob(kv::kBgra32f, shortData, view, view, 1.0f), std::invalid_argument);
    EXPECT_EQ(px, std::vector<uint8_t>(px.size(), 0xEE));
}

std::thread RefuseThreads(std::function<void()>) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}

// The render turns this error into a host error code; the job must not end
// the process or leave a thread behind.
TEST(RunLutJob, PassesOnAThreadStartFailure) {
    if (kv::PlanBands(1080, std::thread::hardware_concurrency()).bands == 1) {
        GTEST_SKIP() << "one hardware thread: the job never starts a thread";
    }
    const kv::Lut3D lut = gradeCube(2);
    std::vector<uint8_t> px(static_cast<size_t>(16) * 4 * 1080);
    const kv::FrameView view{px.data(), 16, 1080, 64, kv::kLayoutARGB};
    const kv::ThreadStarter previous = kv::SetThreadStarter(&RefuseThreads);
    EXPECT_THROW(kv::RunLutJob(kv::kArgb8, lut, view, view, 1.0f), std::system_error);
    kv::SetThreadStarter(previous);
}

}  // namespace
