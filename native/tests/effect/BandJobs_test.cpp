#include "effect/BandJobs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "TestLuts.h"
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

// What the row operations can apply (a cube, a 1D stage, or both, each
// complete) runs; a record with no table or a broken one throws before a
// pixel is touched.
TEST(RunLutJob, RunsCompleteTablesAndRefusesBrokenRecords) {
    struct Case {
        const char* name;
        kv::Lut3D lut;
        bool runs;
    };
    std::vector<Case> cases;
    cases.push_back({"cube", gradeCube(3), true});
    kv::Lut3D shaped = gradeCube(3);
    kvtest::AddRandomShaper(shaped, 4096, 2u);
    cases.push_back({"1D + cube", shaped, true});
    cases.push_back({"1D only", kvtest::RandomShaperOnly(2, 3u), true});
    kv::Lut3D pattern;
    pattern.probe = 17;
    cases.push_back({"pattern", pattern, false});
    cases.push_back({"empty", kv::Lut3D{}, false});
    kv::Lut3D shortCube = gradeCube(3);
    shortCube.data.pop_back();
    cases.push_back({"short cube", shortCube, false});
    kv::Lut3D shortShaper = shaped;
    shortShaper.shaper.pop_back();
    cases.push_back({"short 1D stage", shortShaper, false});
    kv::Lut3D oneEntry = kvtest::RandomShaperOnly(2, 4u);
    oneEntry.shaperSize = 1;
    oneEntry.shaper.resize(3);
    cases.push_back({"1D stage of one entry", oneEntry, false});
    kv::Lut3D oneNode = kvtest::RandomShaperOnly(8, 5u);
    oneNode.size = 1;
    oneNode.data.assign(3, 0.5f);
    cases.push_back({"1D stage before a cube of one node", oneNode, false});

    const std::vector<uint8_t> src = texture8(4 * 4 * 64);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> in = src;
        std::vector<uint8_t> px(src.size(), 0xEE);
        const kv::FrameView inView{in.data(), 4, 64, 16, kv::kLayoutRGBA};
        const kv::FrameView view{px.data(), 4, 64, 16, kv::kLayoutRGBA};
        if (!c.runs) {
            EXPECT_THROW(kv::RunLutJob(kv::kArgb8, c.lut, inView, view, 1.0f), std::invalid_argument);
            EXPECT_THROW(kv::RunLutJob(kv::kBgra32f, c.lut, inView, view, 1.0f), std::invalid_argument);
            EXPECT_EQ(px, std::vector<uint8_t>(px.size(), 0xEE));
            continue;
        }
        kv::RunLutJob(kv::kArgb8, c.lut, inView, view, 1.0f);
        std::vector<uint8_t> want(src.size(), 0xEE);
        kv::LutRowsParams p;
        p.src = inView;
        p.dst = kv::FrameView{want.data(), 4, 64, 16, kv::kLayoutRGBA};
        p.width = 4;
        p.srcChannels = p.dstChannels = kv::ChannelTableFor(kv::kLayoutRGBA);
        p.scale = kv::kByteScale;
        p.lut = &c.lut;
        p.amount = 1.0f;
        kv::ApplyLutRows8(p, 0, 64);
        EXPECT_EQ(px, want);
    }
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
