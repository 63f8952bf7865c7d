// The wider LUT text form, both ways. An input whose first byte is even is
// LUT text: whatever ParseLutText accepts must be a usable record (finite
// tables, ranges whose widths are finite, no maps left to fold). An odd
// first byte builds a LUT from the bytes that follow (sizes, bounds, then
// raw float bits, so NaN, infinities and huge ranges all come up), which
// FormatLutText then ParseLutText must carry within the storage bound.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzBytes.h"
#include "LutRoundTrip.h"

namespace {

using kvfuzz::Bytes;

// Raw bounds, some of them unusable (CheckTextRoundTrip skips those).
void FillBounds(Bytes& in, float* lo, float* hi) {
    for (int c = 0; c < 3; ++c) {
        lo[c] = in.Float();
        hi[c] = in.Float();
        if (in.Byte() < 16) continue;
        if (!(lo[c] < hi[c]) || !std::isfinite(lo[c]) || !std::isfinite(hi[c])) {
            lo[c] = -1.0f;
            hi[c] = 3.0f;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    if ((data[0] & 1) == 0) {
        const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
        kv::Lut3D lut;
        std::string error;
        if (!kv::ParseLutText(text, lut, &error)) {
            kvfuzz::Check(!error.empty());
            return 0;
        }
        if (lut.size != 0 || lut.shaperSize != 0) {
            kvfuzz::Check(lut.videoRange == 0);
            kvfuzz::CheckReadLut(lut, kv::kMaxLutTextSize);
        }
        return 0;
    }
    Bytes in(data + 1, size - 1);
    kv::Lut3D lut;
    const uint8_t shape = in.Byte();
    // Small tables: the encodings do not depend on size, and ten million runs
    // must finish.
    lut.size = (shape & 3) == 0 ? 0 : 2 + (shape >> 2) % 3;
    lut.shaperSize = (shape & 3) == 1 ? 0 : 2 + in.Byte() % 48;
    if (lut.size == 0 && lut.shaperSize == 0) lut.shaperSize = 2;
    FillBounds(in, lut.domainMin, lut.domainMax);
    FillBounds(in, lut.shaperMin, lut.shaperMax);
    const float scale = std::ldexp(1.0f, static_cast<int>(in.Byte() % 24) - 8);
    lut.shaper.resize(static_cast<size_t>(lut.shaperSize) * 3);
    for (float& v : lut.shaper) v = in.Value(scale);
    const auto n = static_cast<size_t>(lut.size);
    lut.data.resize(n * n * n * 3);
    for (float& v : lut.data) v = in.Value(scale);
    kvfuzz::CheckTextRoundTrip(lut, static_cast<int32_t>(shape) - 128);
    return 0;
}
