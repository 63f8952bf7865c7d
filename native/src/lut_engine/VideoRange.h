#pragma once
// Video-range LUTs: a table made for 10-bit video codes 64..940 applied to
// data-range values. Before the first table every channel maps
// x -> (64 + 876 x) / 1023, after the last y -> (1023 y - 64) / 876; neither
// map clamps.
//
// Both maps are affine, so they fold into the tables: the input map into the
// input range of the first table (the range on x that the map sends onto
// it), the output map into every value of the last table (tetrahedral and
// linear weights sum to one, so mapping the nodes maps what they
// interpolate). Every row operation and kernel then renders the LUT as it
// renders any other.

#include "lut_engine/Lut3D.h"

namespace kv {

// The range on the unmapped input that the input map sends onto lo..hi. False
// when that range is not usable: a bound or its width not finite in float,
// or min not below max.
bool VideoInputRange(float lo, float hi, float& mappedLo, float& mappedHi);

// Whether every range that folding would touch stays usable.
bool CanFoldVideoRanges(const Lut3D& lut);

// Folds lut.videoRange into the tables and clears it. False, the LUT
// unchanged, when a folded range would not be usable. Values the output map
// takes past the float range become the largest float of their sign.
bool FoldVideoRanges(Lut3D& lut);

}  // namespace kv
