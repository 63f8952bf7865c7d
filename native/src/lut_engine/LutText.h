#pragma once
// LUT text: the form in which the effect keeps its LUT inside the project.
// Reader grammar: LutTextReader.cpp; writer: LutTextWriter.cpp.

#include <cstdint>
#include <string>
#include <string_view>

#include "lut_engine/Lut3D.h"

namespace kv {

// The largest number of nodes per axis that LUT text may carry. A .cube file
// may hold more; such a LUT cannot be stored as LUT text.
inline constexpr int32_t kMaxLutTextSize = 129;
// The most entries per curve of a 1D stage in LUT text.
inline constexpr int32_t kMaxLutText1DSize = 65536;

// Fills `lut` from LUT text. Returns false for bad input and, when `error` is
// given, assigns one of the fixed messages of ReaderMessages.h to it; `lut` is
// then partly filled and must be discarded. Never throws for bad input
// (only allocation failure propagates) and reads nothing beyond text.size().
bool ParseLutText(std::string_view text, Lut3D& lut, std::string* error = nullptr);

// The LUT text of `lut` (its own id and name are ignored). A process list is
// written as "KVLUT5" (ProcessListText.h). Table values
// that are not finite are written as FiniteTableValue gives them. A cube over
// 0..1 without a 1D stage or video-range maps (and a record without tables)
// is written as "KVLUT3", its values quantised to 16 bits between the
// smallest and largest value and the domain left out, wherever that keeps
// every value within max(2^-17, 2^-11 |v|) of itself or the values span at
// most one unit. Every other LUT is written as "KVLUT4", with the video-range
// maps, the domain, the 1D stage and the cube; each of its tables is stored
// as 16-bit codes when every value then reads back within that bound, and as
// exact float32 bits otherwise. A name whose encoded token would pass the
// reader's 399 characters is cut to the longest whole UTF-8 prefix that fits.
std::string FormatLutText(const Lut3D& lut, int32_t id, std::string_view name);

// The name as every text form writes it: percent-encoded, cut to the longest
// whole UTF-8 prefix whose token fits the reader's 399 characters.
std::string LutTextNameToken(std::string_view name);

// "-" is the empty name; "%" and two hexadecimal digits stand for that byte.
std::string PercentDecodeName(std::string_view token);

// The inverse: letters, digits and "-._~" stay, every other byte becomes
// "%XX"; the empty name becomes "-".
std::string PercentEncodeName(std::string_view name);

}  // namespace kv
