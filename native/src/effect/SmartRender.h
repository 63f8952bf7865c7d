#pragma once
// The compositing host's smart render, at the project's depth: SMART_PRE_RENDER
// asks for the input the output needs, SMART_RENDER renders it. Parameters
// come through checkout_param there, never through the params array.

#include "effect/RenderFrame.h"
#include "sdk/effect_sdk.h"

namespace kv {

// The effect's own id for its one checkout of the input layer.
inline constexpr A_long kInputCheckoutId = 0;

// Where a smart render's worlds lie in their layer: the layer from what
// pre-render learnt (else the in-data's size at the render's resolution,
// else the output world), each world at its own origin. `pixelBytes` sizes
// the render line's row bytes.
FramePlacement SmartPlacement(const PF_InData& in_data, const PF_SmartRenderInput& request,
                              const PF_EffectWorld& input, const PF_EffectWorld& output, A_long pixelBytes);

// Checks out the input layer for exactly the rectangle asked for and reports
// the result's rectangles as the output's. The whole input's rectangle goes
// on to SMART_RENDER as pre-render data, which the host disposes of through
// the function given with it. A host error is returned as it is.
// Sets PF_RenderOutputFlag_GPU_RENDER_POSSIBLE when the planned render is
// on a GPU device this effect accepted at its setup.
PF_Err SmartPreRender(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra);

// Renders the checked-out input into the output world as RENDER would at 8,
// 16 or 32 bits per channel. The worlds may cover only part of the layer:
// the pattern is laid out over the whole layer and each world's origin says
// where it lies. Every parameter checked out is checked in again
// before it returns, whichever way it returns. Returns a host error as it is,
// 514 for a pixel format the effect does not take, and 0 without writing
// anything when the host gives no world without saying why.
PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra);

}  // namespace kv
