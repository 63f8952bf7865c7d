// Feeds arbitrary bytes to the .cube reader. Beyond the sanitizers, checks
// that a result keeps the record's invariants and converts to LUT text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "lut_engine/CubeFile.h"
#include "lut_engine/LutText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kv::Lut3D lut;
    std::string error;
    if (!kv::ReadCubeFile(text, lut, &error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    const auto n = static_cast<size_t>(lut.size);
    if (lut.size < 2 || lut.size > 256 || lut.data.size() != n * n * n * 3) __builtin_trap();
    for (int c = 0; c < 3; ++c) {
        if (!(lut.domainMin[c] < lut.domainMax[c])) __builtin_trap();
    }
    if (lut.size <= 129) {
        kv::Lut3D back;
        if (!kv::ParseLutText(kv::FormatLutText(lut, 0, "fuzz"), back, &error) || back.size != lut.size) {
            __builtin_trap();
        }
    }
    return 0;
}
