#pragma once
// RENDER on the processor, for both hosts: the compositing host's 8-bit ARGB
// worlds and the editing host's 8-bit or float BGRA frames.

#include "sdk/effect_sdk.h"

namespace kv {

// What the output shows, decided per frame from the stored LUT.
enum class LutSource {
    None,      // no usable LUT: the input is copied
    Pattern,   // a calibration pattern request: the pattern replaces the picture
    Embedded,  // a cube: applied and blended by "Amount"
};

const char* LutSourceName(LutSource source);

// Renders one frame. Returns 0, or 514 when the editing host reports a pixel
// format other than 8-bit or float BGRA (nothing is read, logged or written
// then). Resource failures leave as exceptions for the dispatcher.
PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);

}  // namespace kv
