#pragma once
// The stored form of a process list: LUT text with its own magic, so that a
// module that does not know it reads it as "no LUT".
//
//   text   = "KVLUT5" id name format count ws data
//   format = 1 to 16 letters and digits ("CLF", "CDL", "spi1d", ...)
//   count  = the number of steps, 1..kMaxProcessSteps
//   data   = base64 of the steps, one after another, each a kind byte and
//            its fields, little-endian; every float as its 32 bits, so the
//            list reads back bit for bit:
//     0 matrix    m[9] offset[3]
//     1 range     flags (1 min, 2 max, 4 clamp) minIn minOut maxIn maxOut
//     2 log       style base, then per channel logSideSlope logSideOffset
//                 linSideSlope linSideOffset linSideBreak linearSlope and a
//                 byte (1: linearSlope given)
//     3 exponent  style exponent[3] offset[3]
//     4 cdl       style slope[3] offset[3] power[3] saturation
//     5 lut1d     flags (1 halfDomain, 2 hueAdjust) size (uint32) values[3 size]
//     6 lut3d     interpolation size (uint32) values[3 size^3]
//   (style and interpolation are one byte each, the enums' values.)

#include <cstdint>
#include <string>
#include <string_view>

#include "lut_engine/ProcessList.h"

namespace kv {

// The text of `list` under the given id and name (the name cut as
// FormatLutText cuts it).
std::string FormatProcessListText(const ProcessList& list, int32_t id, std::string_view name);

// Reads a "KVLUT5" text into `list`, `id` and `name`. False with one of the
// fixed messages for anything malformed: an unknown kind or style, a size
// out of range, a count beyond the data, data cut short. Never reads past
// text.size() and allocates nothing before the text is known to hold it.
bool ParseProcessListText(std::string_view text, ProcessList& list, int32_t& id, std::string& name,
                          std::string* error = nullptr);

}  // namespace kv
