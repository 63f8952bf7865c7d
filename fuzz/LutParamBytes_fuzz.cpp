// Feeds arbitrary parameter bytes to the LUT cache, both as they come and
// widened to UTF-16 the way the effect stores its own values. Beyond the
// sanitizers, checks that the two storage forms read alike.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host_link/LutCache.h"
#include "host_link/LutParamBytes.h"
#include "lut_engine/process/PreparedSteps.h"

namespace {

bool SameLut(const std::shared_ptr<const kv::Lut3D>& a, const std::shared_ptr<const kv::Lut3D>& b) {
    if (!a || !b) return !a && !b;
    // Bitwise: header numbers that overflow to infinity make NaN values,
    // which never compare equal as floats.
    const bool sameSteps = (a->process == nullptr) == (b->process == nullptr) &&
                           (a->steps == nullptr || a->steps->records.size() == b->steps->records.size());
    return a->size == b->size && a->id == b->id && a->probe == b->probe && a->name == b->name &&
           a->shaperSize == b->shaperSize && sameSteps && a->data.size() == b->data.size() &&
           (a->data.empty() ||
            std::memcmp(a->data.data(), b->data.data(), a->data.size() * sizeof(float)) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string narrow = kv::ExtractLutText(data, size);
    std::string error;
    const std::shared_ptr<const kv::Lut3D> lut = kv::GetLutForParam(data, size, &error);
    if (lut && lut->IsEmpty()) __builtin_trap();  // "no LUT" must read as none
    if (lut && !error.empty()) __builtin_trap();
    const bool eightBit = size >= 6 && std::memcmp(data, "KVLUT", 5) == 0;
    if (eightBit && narrow.size() != size) __builtin_trap();  // 8-bit text is kept whole
    if (!eightBit && !narrow.empty() && narrow.size() != size / 2) __builtin_trap();

    std::vector<uint8_t> wide(size * 2, 0);
    for (size_t i = 0; i < size; ++i) wide[2 * i] = data[i];
    const std::string fromWide = kv::ExtractLutText(wide.data(), wide.size());
    // 8-bit text widened is the same text and the same LUT.
    if (eightBit && fromWide != narrow) __builtin_trap();
    if (!fromWide.empty() && fromWide.size() != size) __builtin_trap();
    if (eightBit) {
        const std::shared_ptr<const kv::Lut3D> wideLut = kv::GetLutForParam(wide.data(), wide.size());
        if (!SameLut(lut, wideLut)) __builtin_trap();
    }

    // An odd trailing byte of UTF-16 storage is ignored.
    if (size >= 1 && !fromWide.empty()) {
        wide.push_back(0x4B);
        if (kv::ExtractLutText(wide.data(), wide.size()) != fromWide) __builtin_trap();
    }
    return 0;
}
