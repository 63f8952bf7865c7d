#pragma once
// RENDER on the processor: the editing host's 8-bit or float BGRA frames, and
// the compositing host's 8-bit ARGB worlds (16-bit when a world comes flagged
// deep).

#include "sdk/effect_sdk.h"

namespace kv {

// Renders one frame. Returns 0, or 514 when the editing host reports a pixel
// format other than 8-bit or float BGRA (nothing is read, logged or written
// then). Resource failures leave as exceptions for the dispatcher.
PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);

}  // namespace kv
