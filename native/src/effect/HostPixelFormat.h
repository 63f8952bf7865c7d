#pragma once
// Which of the CPU render's pixel formats a host frame is in.

#include <span>

#include "sdk/effect_sdk.h"
#include "lut_engine/PixelFormat.h"

namespace kv {

// An editing-host pixel format the effect takes, and the CPU format it is.
struct EditingHostFormat {
    PrPixelFormat host;
    const kv::PixelFormat* format;
};

// The editing host's formats the effect takes, in the order it declares them
// at global setup: float first, so the host keeps float frames float.
std::span<const EditingHostFormat> EditingHostFormats();

// The format of the frames of a RENDER call. The compositing host's worlds
// are 8-bit ARGB. The editing host tells the frame's format through its pixel
// format suite; without the suite the frame is taken as 8-bit. Null for a
// format the effect does not take.
const kv::PixelFormat* RenderFormatOf(const PF_InData* in_data, PF_LayerDef* output);

}  // namespace kv
