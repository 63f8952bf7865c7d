// Feeds arbitrary bytes to the ASC CDL file reader. Beyond the sanitizers,
// checks that a correction read is one complete CDL step without clamping,
// every value finite and within the ASC's limits, and that the file held it.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "LutRoundTrip.h"
#include "lut_engine/CdlFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using kvfuzz::Check;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kv::ProcessList list;
    kv::CdlFileInfo info;
    std::string error;
    if (!kv::ReadCdlFile(text, list, &info, &error)) {
        Check(!error.empty() && list.steps.empty());
        return 0;
    }
    Check(kv::IsCompleteProcessList(list) && list.format == "CDL" && list.steps.size() == 1);
    Check(info.corrections >= 1 && info.id.size() <= size);
    const auto* cdl = std::get_if<kv::CdlStep>(&list.steps[0]);
    Check(cdl != nullptr && cdl->style == kv::CdlStyle::kFwdNoClamp);
    for (int c = 0; c < 3; ++c) {
        Check(std::isfinite(cdl->slope[c]) && std::isfinite(cdl->offset[c]) && std::isfinite(cdl->power[c]));
        Check(cdl->slope[c] >= 0.0f && cdl->power[c] > 0.0f);
    }
    Check(std::isfinite(cdl->saturation) && cdl->saturation >= 0.0f);
    return 0;
}
