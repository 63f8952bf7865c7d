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

// Fills `lut` from LUT text. Returns false for bad input and, when `error` is
// given, assigns one of the fixed messages of ReaderMessages.h to it; `lut` is
// then partly filled and must be discarded. Never throws for bad input
// (only allocation failure propagates) and reads nothing beyond text.size().
bool ParseLutText(std::string_view text, Lut3D& lut, std::string* error = nullptr);

// The "KVLUT3" text of `lut`'s cube (its own id and name are ignored; the
// domain is not written). Values are quantised to 16 bits between the
// smallest and largest finite value. A name whose encoded token would pass
// the reader's 399 characters is cut to the longest whole UTF-8 prefix that
// fits.
std::string FormatLutText(const Lut3D& lut, int32_t id, std::string_view name);

// "-" is the empty name; "%" and two hexadecimal digits stand for that byte.
std::string PercentDecodeName(std::string_view token);

// The inverse: letters, digits and "-._~" stay, every other byte becomes
// "%XX"; the empty name becomes "-".
std::string PercentEncodeName(std::string_view name);

}  // namespace kv
