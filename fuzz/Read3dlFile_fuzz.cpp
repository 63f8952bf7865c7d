// Feeds arbitrary bytes to the .3dl reader. Beyond the sanitizers, checks
// that a result keeps the record's invariants (codes scaled to finite
// values, the 1D stage over 0..1) and that LUT text carries it.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "LutRoundTrip.h"
#include "lut_engine/ThreeDlFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kv::Lut3D lut;
    std::string error;
    if (!kv::Read3dlFile(text, lut, &error)) {
        kvfuzz::Check(!error.empty());
        return 0;
    }
    kvfuzz::CheckReadLut(lut, 129);
    for (int c = 0; c < 3; ++c) {
        kvfuzz::Check(lut.shaperMin[c] == 0.0f && lut.shaperMax[c] == 1.0f);
        kvfuzz::Check(lut.domainMin[c] == 0.0f && lut.domainMax[c] == 1.0f);
    }
    for (const float v : lut.data) kvfuzz::Check(std::isfinite(v));
    for (const float v : lut.shaper) kvfuzz::Check(std::isfinite(v));
    kvfuzz::CheckTextRoundTrip(lut, 0);
    return 0;
}
