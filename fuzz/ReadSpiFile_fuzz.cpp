// Feeds arbitrary bytes to the .spi1d and .spi3d readers. Beyond the
// sanitizers, checks that a result is a complete process list of the shape
// each reader promises, every value finite: a diagonal From matrix (or
// none) before a 1D table, or one trilinear 3D table.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "LutRoundTrip.h"
#include "lut_engine/Spi1dFile.h"
#include "lut_engine/Spi3dFile.h"

namespace {

void CheckFinite(const std::vector<float>& values) {
    for (const float v : values) kvfuzz::Check(std::isfinite(v));
}

void CheckSpi1d(const kv::ProcessList& list) {
    kvfuzz::Check(list.format == "spi1d" && (list.steps.size() == 1 || list.steps.size() == 2));
    if (list.steps.size() == 2) {
        const auto* from = std::get_if<kv::MatrixStep>(&list.steps[0]);
        kvfuzz::Check(from != nullptr);
        for (int i = 0; i < 9; ++i) {
            kvfuzz::Check(std::isfinite(from->m[i]) && (i % 4 == 0 ? from->m[i] == from->m[0] : from->m[i] == 0.0f));
        }
        for (const float o : from->offset) kvfuzz::Check(std::isfinite(o) && o == from->offset[0]);
    }
    const auto* table = std::get_if<kv::Lut1DStep>(&list.steps.back());
    kvfuzz::Check(table != nullptr && !table->halfDomain && !table->hueAdjust);
    CheckFinite(table->values);
}

void CheckSpi3d(const kv::ProcessList& list) {
    kvfuzz::Check(list.format == "spi3d" && list.steps.size() == 1);
    const auto* table = std::get_if<kv::Lut3DStep>(&list.steps[0]);
    kvfuzz::Check(table != nullptr && table->interpolation == kv::Interpolation3D::kTrilinear);
    CheckFinite(table->values);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kv::ProcessList list;
    std::string error;
    if (kv::ReadSpi1dFile(text, list, &error)) {
        kvfuzz::Check(kv::IsCompleteProcessList(list));
        CheckSpi1d(list);
    } else {
        kvfuzz::Check(!error.empty());
    }
    error.clear();
    if (kv::ReadSpi3dFile(text, list, &error)) {
        kvfuzz::Check(kv::IsCompleteProcessList(list));
        CheckSpi3d(list);
    } else {
        kvfuzz::Check(!error.empty());
    }
    return 0;
}
