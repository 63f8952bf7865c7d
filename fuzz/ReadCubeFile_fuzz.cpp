// Feeds arbitrary bytes to the .cube reader. Beyond the sanitizers, checks
// that a result keeps the record's invariants and that LUT text carries it
// (1D stage, domain and values within the storage bound).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "LutRoundTrip.h"
#include "lut_engine/CubeFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kv::Lut3D lut;
    std::string error;
    if (!kv::ReadCubeFile(text, lut, &error)) {
        kvfuzz::Check(!error.empty());
        return 0;
    }
    kvfuzz::CheckReadLut(lut, 256, false);
    kvfuzz::CheckTextRoundTrip(lut, 0);
    return 0;
}
