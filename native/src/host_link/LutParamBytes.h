#pragma once
// The bytes of a "LUT" parameter value: LUT text stored either as 8-bit
// characters or as UTF-16 little-endian units, with no terminator. Values the
// effect makes are UTF-16; both forms are read everywhere.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace kv {

// "KVLUT" plus the form character: no LUT text is shorter.
inline constexpr size_t kMinLutTextBytes = 6;

// Whether `bytes` begin with the "KVLUT" magic as 8-bit text (5 bytes) or as
// UTF-16 (10 bytes). Shorter data does not.
bool StartsWithLutMagic8(const void* bytes, size_t length);
bool StartsWithLutMagic16(const void* bytes, size_t length);

// True when `bytes` hold at least 6 bytes and start with the magic as UTF-16
// or 8-bit text: what a stored value must look like to be kept.
bool LooksLikeLutValue(const void* bytes, size_t length);

// The 8-bit LUT text held by parameter bytes in either form; empty when the
// bytes are not LUT text (too short, no magic, or a UTF-16 unit above 255).
std::string ExtractLutText(const void* bytes, size_t length);

// The stored form of LUT text: each byte widened to one UTF-16 LE unit (UTF-8
// bytes of a name are widened one by one, not re-encoded).
std::string WidenLutText(std::string_view text);

// The "no LUT" value: "KVLUT0" as UTF-16 (12 bytes).
std::span<const unsigned char> NoLutValue();

}  // namespace kv
