#pragma once
// The three pixel formats as the hosts hand them over, and the pieces the
// render tests share: a host set up for one format and a check of an
// output against the input under the red-inverting LUT.

#include <cmath>
#include <cstdint>
#include <cstring>

#include "host_sim/FakeHost.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace kvtest {

// A format as one host hands it over: the CPU format the frames are in, the
// host, and what the editing host's pixel format suite reports (0 for the
// compositing host, which has no such suite).
struct FormatCase {
    const kv::PixelFormat& pixelFormat;
    A_long host;
    PrPixelFormat hostFormat;
    const char* name;
};

inline constexpr FormatCase kFormats[] = {
    {kv::kArgb8, kvsim::kApplAfterEffects, 0, "ARGB8"},
    {kv::kBgra8u, kvsim::kApplPremiere, PrPixelFormat_BGRA_4444_8u, "BGRA8u"},
    {kv::kBgra32f, kvsim::kApplPremiere, PrPixelFormat_BGRA_4444_32f, "BGRA32f"},
};

inline constexpr unsigned char kUntouched = 0xCD;

inline bool PixelUntouched(kvsim::FakeWorld& world, int32_t x, int32_t y) {
    const unsigned char* p = world.Row(y) + static_cast<size_t>(x) * world.pixelBytes();
    for (int i = 0; i < world.pixelBytes(); ++i) {
        if (p[i] != kUntouched) return false;
    }
    return true;
}

// Red inverted, green, blue and alpha kept, within one 8-bit step: output
// pixel (outX, outY) against input pixel (inX, inY).
inline bool InvertsRed(const kvsim::FakeWorld& in, const kvsim::FakeWorld& out, int32_t inX, int32_t inY,
                       int32_t outX, int32_t outY) {
    float a[4], b[4];
    in.GetPixel(inX, inY, a);
    out.GetPixel(outX, outY, b);
    const float tolerance = in.format().depth == kv::ChannelDepth::k32f ? 1e-5f : 1.01f / 255.0f;
    const float expected[4] = {1.0f - a[0], a[1], a[2], a[3]};
    for (int c = 0; c < 4; ++c) {
        if (!(std::fabs(b[c] - expected[c]) <= tolerance)) return false;
    }
    return true;
}

// The same at the same place in both worlds.
inline bool InvertsRed(const kvsim::FakeWorld& in, const kvsim::FakeWorld& out, int32_t x, int32_t y) {
    return InvertsRed(in, out, x, y, x, y);
}

}  // namespace kvtest
