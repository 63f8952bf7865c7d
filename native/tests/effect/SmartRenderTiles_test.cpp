// Smart render asked for part of a layer, as the compositing host asks for a
// region of interest or a layer reaching outside the composition: worlds with
// origins, rows of their own lengths, downsampled layers. Rendered tile by
// tile, a frame must come out byte for byte as rendered whole, and log once.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "EffectTestLuts.h"
#include "LogLines.h"
#include "RenderFormats.h"
#include "host_sim/FakeHost.h"
#include "host_sim/FakeSmartRender.h"
#include "lut_engine/simd/RowLevel.h"

namespace {

using kvsim::FakeHost;
using kvsim::FakeWorld;
using kvsim::LogTail;
using kvsim::SmartRenderCall;

const kv::PixelFormat* const kSmartFormats[] = {&kv::kArgb8, &kv::kArgb16, &kv::kArgb32f};

// A layer at full resolution and the render's downsampling; its size at the
// render's resolution rounds up.
struct Layer {
    A_long width, height;
    PF_RationalScale scale;
    A_long renderWidth, renderHeight;
    bool dropPreRenderData;  // a host that hands the render only the in-data
};

const Layer kLayers[] = {
    {97, 61, {1, 1}, 97, 61, false},
    {195, 123, {1, 2}, 98, 62, false},
    {195, 123, {1, 2}, 98, 62, true},
};

// Tile edges along each axis, the last one the layer's end.
std::vector<A_long> Cuts(A_long extent) { return {0, 13, extent / 2, extent - 1, extent}; }

// One frame rendered as the host hands it over: both worlds covering `rect`
// of the layer, each with rows of its own length. The input is cut from
// `source` (the whole layer's picture).
struct Tile {
    Tile(const kv::PixelFormat& format, const PF_LRect& rect, int32_t padding)
        : in(format, rect.right - rect.left, rect.bottom - rect.top, padding),
          out(format, rect.right - rect.left, rect.bottom - rect.top, 2 * padding + 16) {
        in.SetOrigin(rect.left, rect.top);
        out.SetOrigin(rect.left, rect.top);
    }
    FakeWorld in;
    FakeWorld out;
};

void CopyRect(FakeWorld& from, A_long fromX, A_long fromY, FakeWorld& to, A_long toX, A_long toY, A_long width,
              A_long height) {
    for (A_long y = 0; y < height; ++y) {
        std::memcpy(to.Row(toY + y) + static_cast<size_t>(toX) * to.pixelBytes(),
                    from.Row(fromY + y) + static_cast<size_t>(fromX) * from.pixelBytes(),
                    static_cast<size_t>(width) * from.pixelBytes());
    }
}

PF_Err RenderPart(FakeHost& host, const Layer& layer, FakeWorld* in, FakeWorld& out, double amount, PF_Handle lut) {
    SmartRenderCall call(host, in, &out, amount, lut);
    call.SetLayer(layer.width, layer.height, layer.scale, layer.scale);
    call.DropPreRenderData(layer.dropPreRenderData);
    const PF_Err err = call.PreRender();
    return err != PF_Err_NONE ? err : call.Render();
}

// Renders the layer whole, then tile by tile into a picture of the same
// size, and says whether the two agree byte for byte.
testing::AssertionResult TilesMatchTheWhole(FakeHost& host, const Layer& layer, const kv::PixelFormat& format,
                                            double amount, PF_Handle lut, std::vector<std::string>* tileLines) {
    FakeWorld source(format, layer.renderWidth, layer.renderHeight);
    source.FillTestPicture(11);
    FakeWorld whole(format, layer.renderWidth, layer.renderHeight);
    FakeWorld assembled(format, layer.renderWidth, layer.renderHeight);
    // A frame of another size first, so that the tiles' line is new.
    FakeWorld other(format, 3, 3);
    if (RenderPart(host, Layer{3, 3, {1, 1}, 3, 3, false}, &other, other, amount, lut) != PF_Err_NONE) {
        return testing::AssertionFailure() << "the other frame failed";
    }
    LogTail log;
    const std::vector<A_long> columns = Cuts(layer.renderWidth);
    const std::vector<A_long> rows = Cuts(layer.renderHeight);
    int32_t padding = 0;
    for (size_t r = 0; r + 1 < rows.size(); ++r) {
        for (size_t c = 0; c + 1 < columns.size(); ++c) {
            const PF_LRect rect{columns[c], rows[r], columns[c + 1], rows[r + 1]};
            Tile tile(format, rect, padding);
            padding = (padding + 16) % 48;
            CopyRect(source, rect.left, rect.top, tile.in, 0, 0, rect.right - rect.left, rect.bottom - rect.top);
            if (const PF_Err err = RenderPart(host, layer, &tile.in, tile.out, amount, lut); err != PF_Err_NONE) {
                return testing::AssertionFailure() << "tile " << c << "," << r << " answered " << err;
            }
            CopyRect(tile.out, 0, 0, assembled, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
        }
    }
    if (tileLines != nullptr) *tileLines = log.Take();
    if (RenderPart(host, layer, &source, whole, amount, lut) != PF_Err_NONE) {
        return testing::AssertionFailure() << "the whole frame failed";
    }
    if (tileLines != nullptr && !log.Take().empty()) {
        return testing::AssertionFailure() << "the whole frame logged a line of its own";
    }
    if (assembled.bytes() != whole.bytes()) return testing::AssertionFailure() << "the tiles differ from the whole";
    return testing::AssertionSuccess();
}

TEST(SmartRenderTiles, APatternInTilesIsThePatternOfTheWholeLayer) {
    // The automatic grid over the whole frame, and an explicit grid over part.
    const PF_Handle patterns[] = {kvsim::MakeHandle16(kvtest::PatternText(5)),
                                  kvsim::MakeHandle16("KVLUTP 3 4 7 100000 200000 900000 850000")};
    const kv::RowLevel active = kv::ActiveRowLevel();
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    for (const kv::RowLevel level : {kv::RowLevel::kScalar, kv::RowLevel::kAvx2}) {
        if (!kv::SetRowLevel(level)) continue;
        for (const kv::PixelFormat* format : kSmartFormats) {
            for (const Layer& layer : kLayers) {
                for (const PF_Handle pattern : patterns) {
                    SCOPED_TRACE(std::string(kv::RowLevelName(level)) + " " + format->name + " layer " +
                                 std::to_string(layer.renderWidth) + (layer.dropPreRenderData ? " from in-data" : "") +
                                 (pattern == patterns[0] ? " automatic grid" : " explicit grid"));
                    std::vector<std::string> lines;
                    EXPECT_TRUE(TilesMatchTheWhole(host, layer, *format, 100.0, pattern, &lines));
                    // One line for all the tiles, with the layer's size and row length.
                    const std::string head = std::string("Render fmt=") + format->name + " " +
                                             std::to_string(layer.renderWidth) + "x" +
                                             std::to_string(layer.renderHeight) + " rowbytes=" +
                                             std::to_string(layer.renderWidth * format->pixelBytes) + " ";
                    ASSERT_EQ(lines.size(), 1u);
                    EXPECT_TRUE(lines[0].starts_with(head)) << lines[0];
                }
            }
        }
    }
    kv::SetRowLevel(active);
    for (const PF_Handle pattern : patterns) kvsim::DisposeHandle(pattern);
}

TEST(SmartRenderTiles, TheLutAndTheCopyInTilesAreTheWholeFrame) {
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(81, "tiles"));
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    for (const kv::PixelFormat* format : kSmartFormats) {
        for (const double amount : {100.0, 60.0, 0.0}) {
            SCOPED_TRACE(std::string(format->name) + " amount " + std::to_string(amount));
            EXPECT_TRUE(TilesMatchTheWhole(host, kLayers[1], *format, amount, lut, nullptr));
        }
    }
    kvsim::DisposeHandle(lut);
}

// Input and output with origins of their own: each output pixel comes from
// the input pixel at the same layer position, and only where both lie.
TEST(SmartRenderTiles, InputReachesTheOutputThroughTheOrigins) {
    PF_Handle lut = kvsim::MakeHandle16(kvtest::InvertRedText(82, "origins"));
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    const Layer layer{40, 30, {1, 1}, 40, 30, false};
    for (const kv::PixelFormat* format : kSmartFormats) {
        SCOPED_TRACE(format->name);
        FakeWorld in(*format, 20, 12, 16);
        in.SetOrigin(5, 9);
        in.FillTestPicture(6);
        FakeWorld out(*format, 18, 10, 48);
        out.SetOrigin(11, 4);
        out.FillBytes(kvtest::kUntouched);
        ASSERT_EQ(RenderPart(host, layer, &in, out, 100.0, lut), PF_Err_NONE);
        int wrong = 0;
        for (A_long y = 0; y < 10; ++y) {
            for (A_long x = 0; x < 18; ++x) {
                const A_long inX = x + 11 - 5, inY = y + 4 - 9;  // the same layer position
                const bool covered = inX >= 0 && inX < 20 && inY >= 0 && inY < 12;
                wrong += covered ? !kvtest::InvertsRed(in, out, inX, inY, x, y) : !kvtest::PixelUntouched(out, x, y);
            }
        }
        EXPECT_EQ(wrong, 0);
    }
    kvsim::DisposeHandle(lut);
}

// Worlds far outside their layer: a tile beyond it is black, and one whose
// place cannot be told in 32 bits is refused rather than drawn wrong.
TEST(SmartRenderTiles, TilesFarOutsideTheLayer) {
    PF_Handle pattern = kvsim::MakeHandle16(kvtest::PatternText(4));
    FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    FakeWorld far(kv::kArgb8, 6, 4);
    far.SetOrigin(INT_MIN + 5, 2);
    far.FillBytes(kvtest::kUntouched);
    ASSERT_EQ(RenderPart(host, Layer{64, 64, {1, 1}, 64, 64, false}, &far, far, 100.0, pattern), PF_Err_NONE);
    const std::vector<unsigned char> black = {255, 0, 0, 0};
    for (size_t i = 0; i < far.bytes().size(); i += 4) {
        ASSERT_TRUE(std::equal(black.begin(), black.end(), far.bytes().begin() + static_cast<long>(i))) << i;
    }

    unsigned char pixel[16] = {};
    PF_LayerDef wide{};
    wide.data = pixel;
    wide.width = 1 << 30;
    wide.height = 0;
    wide.rowbytes = 16;
    wide.origin_x = -(1 << 30) + 1;
    SmartRenderCall call(host, &wide, &wide, 32, 100.0, pattern);
    call.SetLayer(INT_MAX, 8);
    ASSERT_EQ(call.PreRender(), PF_Err_NONE);
    EXPECT_EQ(call.Render(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(call.paramsStillOut(), 0);
    kvsim::DisposeHandle(pattern);
}

}  // namespace
