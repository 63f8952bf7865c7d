#pragma once
// The five pixel formats as the hosts hand them over, and the pieces the
// render tests share: a render as the format's host sends it and a check of
// an output against the input under the red-inverting LUT.

#include <cmath>
#include <cstdint>
#include <cstring>

#include "host_sim/FakeHost.h"
#include "host_sim/FakeSmartRender.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace kvtest {

// A format as one host hands it over: the CPU format the frames are in, the
// host, what the editing host's pixel format suite reports (0 for the
// compositing host, which has no such suite), and for the compositing host's
// deep formats the bit depth of the smart render that carries them (0: the
// frames come through RENDER).
struct FormatCase {
    const kv::PixelFormat& pixelFormat;
    A_long host;
    PrPixelFormat hostFormat;
    const char* name;
    A_short smartDepth = 0;
};

// The three RENDER formats first, as they have long stood.
inline constexpr FormatCase kFormats[] = {
    {kv::kArgb8, kvsim::kApplAfterEffects, 0, "ARGB8"},
    {kv::kBgra8u, kvsim::kApplPremiere, PrPixelFormat_BGRA_4444_8u, "BGRA8u"},
    {kv::kBgra32f, kvsim::kApplPremiere, PrPixelFormat_BGRA_4444_32f, "BGRA32f"},
    {kv::kArgb16, kvsim::kApplAfterEffects, 0, "ARGB16", 16},
    {kv::kArgb32f, kvsim::kApplAfterEffects, 0, "ARGB32f", 32},
};

// Renders the input world and the "Amount" and "LUT" values of `params` into
// `output` as the host of `f` does: RENDER, or pre-render and smart render
// for the deep formats. A parameter left checked out answers -1, which no
// effect answer is.
inline PF_Err RenderAs(const FormatCase& f, kvsim::FakeHost& host, kvsim::FakeParams& params, PF_LayerDef& output) {
    if (f.smartDepth == 0) {
        return host.Call(PF_Cmd_RENDER, params.list(), &output);
    }
    kvsim::SmartRenderCall call(host, &params.at(kvsim::kParamArrayInput).u.ld, &output, f.smartDepth,
                                params.at(kvsim::kParamArrayAmount).u.fs_d.value, params.lut());
    PF_Err err = call.PreRender();
    if (err == PF_Err_NONE) err = call.Render();
    return call.paramsStillOut() == 0 ? err : -1;
}

inline constexpr unsigned char kUntouched = 0xCD;

inline bool PixelUntouched(kvsim::FakeWorld& world, int32_t x, int32_t y) {
    const unsigned char* p = world.Row(y) + static_cast<size_t>(x) * world.pixelBytes();
    for (int i = 0; i < world.pixelBytes(); ++i) {
        if (p[i] != kUntouched) return false;
    }
    return true;
}

// Red inverted, green, blue and alpha kept, within one step of the world's
// depth (one code of 8 or 16 bits; for floats, rounding only): output pixel
// (outX, outY) against input pixel (inX, inY). A 16-bit path that went
// through 8 bits on the way is dozens of codes off and fails.
inline bool InvertsRed(const kvsim::FakeWorld& in, const kvsim::FakeWorld& out, int32_t inX, int32_t inY,
                       int32_t outX, int32_t outY) {
    float a[4], b[4];
    in.GetPixel(inX, inY, a);
    out.GetPixel(outX, outY, b);
    const kv::ChannelDepth depth = out.format().depth;
    const float tolerance = depth == kv::ChannelDepth::k32f   ? 1e-5f
                            : depth == kv::ChannelDepth::k16u ? 1.01f / 32768.0f
                                                              : 1.01f / 255.0f;
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
