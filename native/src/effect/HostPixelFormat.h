#pragma once
// Which of the CPU render's pixel formats a host frame is in.

#include <span>

#include "sdk/effect_sdk.h"
#include "lut_engine/PixelFormat.h"

namespace kv {

// An editing-host pixel format the effect takes, and the CPU format it is.
struct EditingHostFormat {
    PrPixelFormat host;
    const PixelFormat* format;
};

// The editing host's formats the effect takes, in the order it declares them
// at global setup: float first, so the host keeps float frames float.
std::span<const EditingHostFormat> EditingHostFormats();

// The format of the frames of a RENDER call. The compositing host's worlds
// are 8-bit ARGB, or 16-bit when flagged deep. The editing host tells the
// frame's format through its pixel format suite; without the suite the frame
// is taken as 8-bit. Null for a format the effect does not take.
const PixelFormat* RenderFormatOf(const PF_InData* in_data, PF_LayerDef* output);

// The format of a smart render's output world: what the World Suite says of
// it, or, when the suite cannot be had, what the bit depth of the render
// implies. Null for a format the effect does not take.
const PixelFormat* SmartRenderFormatOf(const PF_InData* in_data, const PF_EffectWorld& output, A_short bitdepth);

}  // namespace kv
