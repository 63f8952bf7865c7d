#include "effect/HostPixelFormat.h"

#include "host_link/HostSuites.h"

namespace kv {

std::span<const EditingHostFormat> EditingHostFormats() {
    static const EditingHostFormat kFormats[] = {
        {PrPixelFormat_BGRA_4444_32f, &kBgra32f},
        {PrPixelFormat_BGRA_4444_8u, &kBgra8u},
    };
    return kFormats;
}

namespace {

// The compositing host's formats by their smart-render names and bit depths.
struct CompositingHostFormat {
    PF_PixelFormat host;
    A_short bitdepth;
    const PixelFormat* format;
};

constexpr CompositingHostFormat kCompositingHostFormats[] = {
    {PF_PixelFormat_ARGB32, 8, &kArgb8},
    {PF_PixelFormat_ARGB64, 16, &kArgb16},
    {PF_PixelFormat_ARGB128, 32, &kArgb32f},
};

}  // namespace

const PixelFormat* SmartRenderFormatOf(const PF_InData* in_data, const PF_EffectWorld& output, A_short bitdepth) {
    PF_PixelFormat host = PF_PixelFormat_INVALID;
    const bool named = WorldSuitePixelFormat(in_data, output, host);
    for (const CompositingHostFormat& entry : kCompositingHostFormats) {
        if (named ? entry.host == host : entry.bitdepth == bitdepth) {
            return entry.format;
        }
    }
    return nullptr;
}

const PixelFormat* RenderFormatOf(const PF_InData* in_data, PF_LayerDef* output) {
    if (in_data->appl_id != kApplIdPremiere) {
        // Hosts that drive the effect through smart render may still send
        // RENDER with a deep world: its channels are 16-bit.
        return (output->world_flags & PF_WorldFlag_DEEP) != 0 ? &kArgb16 : &kArgb8;
    }
    // Without an answer the frame is taken as 8-bit.
    PrPixelFormat format = PrPixelFormat_BGRA_4444_8u;
    EditingHostPixelFormat(in_data, output, format);
    for (const EditingHostFormat& entry : EditingHostFormats()) {
        if (entry.host == format) {
            return entry.format;
        }
    }
    return nullptr;
}

}  // namespace kv
