#include "effect/SmartRender.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <new>

#include "effect/CheckedOutParams.h"
#include "effect/EffectParams.h"
#include "effect/GpuDeviceCommands.h"
#include "effect/HostPixelFormat.h"
#include "effect/RenderFrame.h"

namespace kv {

namespace {

// What pre-render hands on to render: the whole input at the render's
// resolution, in layer pixels, as the host's checkout reported it.
struct PreRenderLayer {
    PF_LRect extent;
};

void DeletePreRenderLayer(void* data) { delete static_cast<PreRenderLayer*>(data); }

bool UsableExtent(const PF_LRect& r) {
    const int64_t width = static_cast<int64_t>(r.right) - r.left;
    const int64_t height = static_cast<int64_t>(r.bottom) - r.top;
    return width > 0 && height > 0 && width <= std::numeric_limits<A_long>::max() &&
           height <= std::numeric_limits<A_long>::max();
}

// A full-resolution length at the render's resolution. A partly covered
// pixel counts; a scale that is not a fraction leaves the length alone.
A_long Downsampled(A_long full, const PF_RationalScale& scale) {
    if (full <= 0) {
        return 0;
    }
    if (scale.num <= 0 || scale.den == 0) {
        return full;
    }
    const int64_t scaled = (static_cast<int64_t>(full) * scale.num + scale.den - 1) / scale.den;
    return static_cast<A_long>(std::min<int64_t>(scaled, std::numeric_limits<A_long>::max()));
}

// The layer the render's worlds are part of: what pre-render learnt from the
// checkout; without it, the layer's size from the in-data at the render's
// resolution; without that, the output world itself.
PF_LRect LayerOfRender(const PF_InData& in_data, const PF_SmartRenderInput& input, const PF_EffectWorld& output) {
    if (const auto* layer = static_cast<const PreRenderLayer*>(input.pre_render_data);
        layer != nullptr && UsableExtent(layer->extent)) {
        return layer->extent;
    }
    const A_long width = Downsampled(in_data.width, in_data.downsample_x);
    const A_long height = Downsampled(in_data.height, in_data.downsample_y);
    if (width > 0 && height > 0) {
        return PF_LRect{0, 0, width, height};
    }
    const auto end = [](A_long origin, A_long extent) {
        const int64_t e = static_cast<int64_t>(origin) + std::max<A_long>(extent, 0);
        return static_cast<A_long>(std::min<int64_t>(e, std::numeric_limits<A_long>::max()));
    };
    return PF_LRect{output.origin_x, output.origin_y, end(output.origin_x, output.width),
                    end(output.origin_y, output.height)};
}

}  // namespace

FramePlacement SmartPlacement(const PF_InData& in_data, const PF_SmartRenderInput& request,
                              const PF_EffectWorld& input, const PF_EffectWorld& output, A_long pixelBytes) {
    FramePlacement placement;
    placement.layer = LayerOfRender(in_data, request, output);
    placement.sampled = placement.layer;
    placement.inputX = input.origin_x;
    placement.inputY = input.origin_y;
    placement.outputX = output.origin_x;
    placement.outputY = output.origin_y;
    // Tiles of one frame have rows of their own lengths; the line shows the
    // layer's, so that it changes only with the settings.
    const int64_t rowBytes = (static_cast<int64_t>(placement.layer.right) - placement.layer.left) * pixelBytes;
    placement.lineRowBytes = static_cast<A_long>(std::min<int64_t>(rowBytes, std::numeric_limits<A_long>::max()));
    return placement;
}

PF_Err SmartPreRender(PF_InData* in_data, PF_OutData*, PF_PreRenderExtra* extra) {
    if (in_data == nullptr || extra == nullptr || extra->input == nullptr || extra->output == nullptr ||
        extra->cb == nullptr || extra->cb->checkout_layer == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    // Each output pixel needs the input pixel at the same place, no more.
    PF_CheckoutResult result{};
    const PF_Err err = extra->cb->checkout_layer(in_data->effect_ref, kParamInput, kInputCheckoutId,
                                                 &extra->input->output_request, in_data->current_time,
                                                 in_data->time_step, in_data->time_scale, &result);
    if (err != PF_Err_NONE) {
        return err;
    }
    extra->output->result_rect = result.result_rect;
    extra->output->max_result_rect = result.max_result_rect;
    if (GpuRenderPossible(*extra->input)) {
        extra->output->flags = static_cast<A_short>(extra->output->flags | PF_RenderOutputFlag_GPU_RENDER_POSSIBLE);
    }
    // Without memory for it, render falls back on the in-data's layer size.
    // (The throwing form, so that it pairs with the delete of the disposal.)
    try {
        extra->output->pre_render_data = new PreRenderLayer{result.max_result_rect};
        extra->output->delete_pre_render_data_func = DeletePreRenderLayer;
    } catch (const std::bad_alloc&) {
    }
    return PF_Err_NONE;
}

PF_Err SmartRender(PF_InData* in_data, PF_OutData*, PF_SmartRenderExtra* extra) {
    if (in_data == nullptr || extra == nullptr || extra->input == nullptr || extra->cb == nullptr ||
        extra->cb->checkout_layer_pixels == nullptr || extra->cb->checkout_output == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    CheckedOutParams params(*in_data);
    if (const PF_Err err = params.CheckOutAmountAndLut(); err != PF_Err_NONE) {
        return err;
    }

    PF_EffectWorld* input = nullptr;
    if (const PF_Err err = extra->cb->checkout_layer_pixels(in_data->effect_ref, kInputCheckoutId, &input);
        err != PF_Err_NONE || input == nullptr) {
        return err;
    }
    PF_EffectWorld* output = nullptr;
    if (const PF_Err err = extra->cb->checkout_output(in_data->effect_ref, &output);
        err != PF_Err_NONE || output == nullptr) {
        return err;
    }
    const PixelFormat* format = SmartRenderFormatOf(in_data, *output, extra->input->bitdepth);
    if (format == nullptr) {
        return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
    return RenderFrame(in_data, params.Amount(), params.Lut(), *format, *input, *output,
                       SmartPlacement(*in_data, *extra->input, *input, *output, format->pixelBytes));
}

}  // namespace kv
