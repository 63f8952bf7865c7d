#pragma once
// One frame on the processor, however the host handed it over: the LUT from
// the cache, the choice of what to show, the render line and the input
// statistics, then the pattern, the LUT job or a copy over the overlap of the
// two worlds. RENDER and SMART_RENDER both end here, so a frame renders the
// same through either.

#include "lut_engine/PixelFormat.h"
#include "sdk/effect_sdk.h"

namespace kv {

// What the output shows, decided per frame from the stored LUT.
enum class LutSource {
    None,      // no usable LUT: the input is copied
    Pattern,   // a calibration pattern request: the pattern replaces the picture
    Embedded,  // a cube: applied and blended by "Amount"
};

const char* LutSourceName(LutSource source);

// Renders `input` into `output`, both in `format`, with the LUT held by the
// "LUT" parameter `lutParam` and `amount` in 0..1. Resource failures leave as
// exceptions for the dispatcher.
void RenderFrame(const PF_InData* in_data, float amount, const PF_ParamDef& lutParam, const PixelFormat& format,
                 const PF_LayerDef& input, const PF_LayerDef& output);

}  // namespace kv
