#pragma once
// One frame on the processor, however the host handed it over: the LUT from
// the cache, the choice of what to show, the render line and the input
// statistics, then the pattern, the LUT job or a copy over the overlap of the
// two worlds. RENDER and SMART_RENDER both end here, so a frame renders the
// same through either.

#include <cstdint>
#include <memory>

#include "lut_engine/Lut3D.h"
#include "lut_engine/PixelFormat.h"
#include "lut_engine/ProbePattern.h"
#include "sdk/effect_sdk.h"

namespace kv {

// What the output shows, decided per frame from the stored LUT.
enum class LutSource {
    None,      // no usable LUT: the input is copied
    Pattern,   // a calibration pattern request: the pattern replaces the picture
    Embedded,  // a cube: applied and blended by "Amount"
};

const char* LutSourceName(LutSource source);

// Where the two worlds of one render lie in the layer they belong to, in the
// layer's pixels at the render's resolution. A smart render may be asked for
// only part of a layer; anything that depends on where a pixel lies (the
// pattern, the statistics' sample grid) is laid out over the layer, and the
// input reaches the output through the two worlds' own origins.
struct FramePlacement {
    PF_LRect layer{};          // the pattern's extent; its size is the render line's
    PF_LRect sampled{};        // the input statistics' sample grid
    A_long inputX = 0;         // layer position of the input's pixel (0, 0)
    A_long inputY = 0;
    A_long outputX = 0;        // layer position of the output's pixel (0, 0)
    A_long outputY = 0;
    A_long lineRowBytes = 0;   // the row bytes the render line shows
};

// RENDER's worlds cover the whole layer: the pattern over the output, the
// statistics over the input, both at the layer's origin.
FramePlacement WholeLayerPlacement(const PF_LayerDef& input, const PF_LayerDef& output);

// The LUT stored in the "LUT" parameter, through the LUT cache; null when it
// holds none that can be used (a reason, where there is one, is logged).
std::shared_ptr<const Lut3D> LutOfParam(const PF_InData* in_data, const PF_ParamDef& param);

// The pattern of the whole layer as an output world of width x height
// pixels, placed by `placement`, sees it. False when the moved area does not
// fit in 32 bits although the world meets it.
bool PatternGeometryInWorld(const Lut3D& lut, const FramePlacement& placement, int32_t width, int32_t height,
                            ProbeGeometry& geometry);

// Renders `input` into `output`, both in `format`, with the LUT held by the
// "LUT" parameter `lutParam` and `amount` in 0..1, the worlds placed in their
// layer by `placement`. Returns 0, or PF_Err_BAD_CALLBACK_PARAM for a
// placement so far out that the pattern cannot be drawn for it (nothing is
// written then). Resource failures leave as exceptions for the dispatcher.
PF_Err RenderFrame(const PF_InData* in_data, float amount, const PF_ParamDef& lutParam, const PixelFormat& format,
                   const PF_LayerDef& input, const PF_LayerDef& output, const FramePlacement& placement);

}  // namespace kv
