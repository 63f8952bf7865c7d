// Feeds arbitrary bytes to the LUT text reader. Beyond the sanitizers, checks
// that a result is consistent and that what was read survives the writer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "lut_engine/LutText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kv::Lut3D lut;
    std::string error;
    if (!kv::ParseLutText(text, lut, &error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    if (lut.size == 0) return 0;
    const auto n = static_cast<size_t>(lut.size);
    if (lut.size < 2 || lut.size > 129 || lut.data.size() != n * n * n * 3) __builtin_trap();

    kv::Lut3D back;
    if (!kv::ParseLutText(kv::FormatLutText(lut, lut.id, lut.name), back, &error)) __builtin_trap();
    // A name too long for the token is cut, so only a prefix must come back.
    if (back.size != lut.size || back.id != lut.id || lut.name.substr(0, back.name.size()) != back.name) {
        __builtin_trap();
    }
    return 0;
}
