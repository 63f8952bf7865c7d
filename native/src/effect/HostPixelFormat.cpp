#include "effect/HostPixelFormat.h"

namespace kv {

std::span<const EditingHostFormat> EditingHostFormats() {
    static const EditingHostFormat kFormats[] = {
        {PrPixelFormat_BGRA_4444_32f, &kv::kBgra32f},
        {PrPixelFormat_BGRA_4444_8u, &kv::kBgra8u},
    };
    return kFormats;
}

const kv::PixelFormat* RenderFormatOf(const PF_InData* in_data, PF_LayerDef* output) {
    if (in_data->appl_id != kApplIdPremiere) {
        return &kv::kArgb8;
    }
    PrPixelFormat format = PrPixelFormat_BGRA_4444_8u;
    const SPBasicSuite* basic = in_data->pica_basicP;
    if (basic != nullptr) {
        const void* suite = nullptr;
        if (basic->AcquireSuite(kPFPixelFormatSuite, kPFPixelFormatSuiteVersion1, &suite) == kSPNoError) {
            if (suite != nullptr) {
                static_cast<const PF_PixelFormatSuite1*>(suite)->GetPixelFormat(output, &format);
            }
            basic->ReleaseSuite(kPFPixelFormatSuite, kPFPixelFormatSuiteVersion1);
        }
    }
    for (const EditingHostFormat& entry : EditingHostFormats()) {
        if (entry.host == format) {
            return entry.format;
        }
    }
    return nullptr;
}

}  // namespace kv
