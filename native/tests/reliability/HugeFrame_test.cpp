// Frames whose rows span more than 2 GiB, rendered through EffectMain in the
// five formats: every row offset past 2^31 bytes must be reached in 64 bits.
// The frames are reserved sparsely (only each row's pixels are backed), and
// every row must come out byte for byte like the same pixels rendered in a
// compact frame.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EffectTestLuts.h"
#include "RenderFormats.h"
#include "SparseFrame.h"

namespace kvtest {
namespace {

struct HugeShape {
    int32_t rows;
    int32_t rowBytes;
};

// Three rows 1 GiB apart (the last starts at 2^31), and 2200 rows of 1 MiB
// (rows from 2048 on start past 2^31, spread over several bands).
constexpr HugeShape kShapes[] = {{3, 1 << 30}, {2200, 1 << 20}};
constexpr int32_t kWidth = 37;  // not a multiple of any vector width

// The world of `like` (its size, format flags) over another pixel buffer.
PF_LayerDef SparseWorld(kvsim::FakeWorld& like, unsigned char* data, int32_t rowBytes) {
    PF_LayerDef def = like.def();
    def.data = data;
    def.rowbytes = rowBytes;
    return def;
}

unsigned char* RowOf(unsigned char* base, int32_t rowBytes, int32_t y) {
    return base + static_cast<size_t>(y) * static_cast<size_t>(rowBytes);
}

TEST(HugeFrames, RowsPastTwoGigabytesRenderLikeACompactFrame) {
    PF_Handle luts[] = {kvsim::MakeHandle16(InvertRedText(61, "huge")), kvsim::MakeHandle16(PatternText(5)),
                        kvsim::MakeHandle16("KVLUT0")};
    for (const FormatCase& f : kFormats) {
        for (const HugeShape& shape : kShapes) {
            SCOPED_TRACE(std::string(f.name) + " " + std::to_string(shape.rows) + " rows");
            kvsim::FakeWorld compactIn(f.pixelFormat, kWidth, shape.rows);
            kvsim::FakeWorld compactOut(f.pixelFormat, kWidth, shape.rows);
            compactIn.FillTestPicture(7);
            const size_t usedBytes = static_cast<size_t>(compactIn.rowBytes());
            SparseFrame hugeIn(shape.rows, shape.rowBytes, usedBytes);
            SparseFrame hugeOut(shape.rows, shape.rowBytes, usedBytes);
            ASSERT_NE(hugeIn.data(), nullptr);
            ASSERT_NE(hugeOut.data(), nullptr);
            for (int32_t y = 0; y < shape.rows; ++y) {
                std::memcpy(RowOf(hugeIn.data(), shape.rowBytes, y), compactIn.Row(y), usedBytes);
            }
            PF_LayerDef inDef = SparseWorld(compactIn, hugeIn.data(), shape.rowBytes);
            PF_LayerDef outDef = SparseWorld(compactOut, hugeOut.data(), shape.rowBytes);

            kvsim::FakeHost host(f.host, EffectMain);
            host.SetPixelFormat(f.hostFormat);
            for (PF_Handle lut : luts) {
                kvsim::FakeParams compactParams(&compactIn, 60.0, lut);
                compactOut.FillBytes(kUntouched);
                ASSERT_EQ(RenderAs(f, host, compactParams, compactOut.def()), PF_Err_NONE);

                kvsim::FakeParams hugeParams(&compactIn, 60.0, lut);
                hugeParams.at(0).u.ld = inDef;
                for (int32_t y = 0; y < shape.rows; ++y) {
                    std::memset(RowOf(hugeOut.data(), shape.rowBytes, y), kUntouched, usedBytes);
                }
                ASSERT_EQ(RenderAs(f, host, hugeParams, outDef), PF_Err_NONE);
                int32_t differing = 0;
                for (int32_t y = 0; y < shape.rows; ++y) {
                    differing += std::memcmp(RowOf(hugeOut.data(), shape.rowBytes, y), compactOut.Row(y), usedBytes) != 0;
                }
                EXPECT_EQ(differing, 0);
            }
            EXPECT_EQ(host.suitesHeld(), 0);
        }
    }
    for (PF_Handle lut : luts) kvsim::DisposeHandle(lut);
}

}  // namespace
}  // namespace kvtest
