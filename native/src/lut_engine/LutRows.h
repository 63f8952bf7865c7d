#pragma once
// Row operations that apply a LUT to a band of rows, the reference routines
// for the CPU render. Faster variants must produce the same bits.

#include <cstdint>

#include "lut_engine/FrameView.h"
#include "lut_engine/Lut3D.h"

namespace kv {

// Everything a band of rows needs, for every pixel depth. `width` is the
// number of columns processed (the caller passes the smaller of the two
// views' widths); `lut` must pass HasCompleteTables(). Rows may start at any
// byte: channels are read and written without assuming their alignment.
struct LutRowsParams {
    FrameView src;
    FrameView dst;
    int32_t width = 0;
    ChannelTable srcChannels;
    // Integer depths only: turns a channel code into the LUT's input range
    // (the caller passes the format's code scale, kByteScale for bytes,
    // kCode16Scale for 16-bit channels).
    float scale = 0.0f;
    const Lut3D* lut = nullptr;
    float amount = 0.0f;
    ChannelTable dstChannels;
};

using LutRowsFn = void (*)(const LutRowsParams& params, int32_t y0, int32_t y1);

// Processes rows y0 <= y < y1 (nothing when y0 >= y1): runs R, G, B through
// the LUT's 1D stage and cube (SampleLut), blends with the unshaped input by
// the amount and copies alpha unchanged. Float results are not clamped; a
// NaN result is written as CanonicalNaN gives it. Only the destination rows
// in range are written.
void ApplyLutRows32f(const LutRowsParams& params, int32_t y0, int32_t y1);
void ApplyLutRows8(const LutRowsParams& params, int32_t y0, int32_t y1);
// 16-bit channels (0..32768). Codes above 32768 are read as the values they
// scale to and clamp like any result above 1.
void ApplyLutRows16(const LutRowsParams& params, int32_t y0, int32_t y1);

}  // namespace kv
