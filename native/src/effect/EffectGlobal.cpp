#include "effect/EffectGlobal.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>

#include "effect/HostPixelFormat.h"
#include "host_link/HostSuites.h"
#include "panel_link/Log.h"

namespace kv {

namespace {

// The editing host asks which pixel formats the effect takes.
void DeclarePixelFormats(const PF_InData* in_data) {
    const std::span<const EditingHostFormat> taken = EditingHostFormats();
    std::array<PrPixelFormat, 4> formats{};
    const size_t count = std::min(taken.size(), formats.size());
    for (size_t i = 0; i < count; ++i) {
        formats[i] = taken[i].host;
    }
    if (!DeclareEditingHostPixelFormats(in_data, std::span<const PrPixelFormat>(formats.data(), count))) {
        LogPrintf("GlobalSetup: no pixel format suite");
    }
}

char ApplChar(A_long appl_id, int shift) { return static_cast<char>((static_cast<uint32_t>(appl_id) >> shift) & 0xFF); }

}  // namespace

PF_Err About(PF_InData*, PF_OutData* out_data) {
    if (out_data == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    std::snprintf(out_data->return_msg, sizeof out_data->return_msg,
                  "%s %d.%d\rApplies the colour match made in the Kromvale panel.", KV_EFFECT_NAME,
                  KV_VERSION_MAJOR, KV_VERSION_MINOR);
    return PF_Err_NONE;
}

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data) {
    if (in_data == nullptr || out_data == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const A_long appl = in_data->appl_id;
    LogPrintf("GlobalSetup build %d host=%c%c%c%c api=%d.%d", kEffectBuild, ApplChar(appl, 24), ApplChar(appl, 16),
              ApplChar(appl, 8), ApplChar(appl, 0), static_cast<int>(in_data->version.major),
              static_cast<int>(in_data->version.minor));
    out_data->my_version = kEffectVersion;
    out_data->out_flags = kEffectOutFlags;
    out_data->out_flags2 = kEffectOutFlags2;
    if (appl == kApplIdPremiere) {
        // Its GPU frames come through the GPU filter entry instead.
        out_data->out_flags2 &= ~PF_OutFlag2_SUPPORTS_GPU_RENDER_F32;
        DeclarePixelFormats(in_data);
    }
    return PF_Err_NONE;
}

}  // namespace kv
