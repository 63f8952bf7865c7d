#include "effect/SmartRender.h"

#include <array>

#include "effect/EffectParams.h"
#include "effect/HostPixelFormat.h"
#include "effect/RenderFrame.h"

namespace kv {

namespace {

// The effect's own id for its one checkout of the input layer.
constexpr A_long kInputCheckoutId = 0;

// The parameters one smart render reads, checked out at the render's time and
// checked in when the object goes, on every path out, exceptions included.
class CheckedOutParams {
public:
    explicit CheckedOutParams(const PF_InData& in_data) : in_(in_data) {}
    CheckedOutParams(const CheckedOutParams&) = delete;
    CheckedOutParams& operator=(const CheckedOutParams&) = delete;

    ~CheckedOutParams() {
        for (Slot& slot : slots_) {
            if (slot.held) {
                in_.inter.checkin_param(in_.effect_ref, &slot.def);
            }
        }
    }

    // The parameter's value at the render's time, or the host's error.
    PF_Err CheckOut(EffectParamIndex index, const PF_ParamDef*& def) {
        if (in_.inter.checkout_param == nullptr || in_.inter.checkin_param == nullptr) {
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        Slot& slot = slots_[count_++];
        const PF_Err err = in_.inter.checkout_param(in_.effect_ref, index, in_.current_time, in_.time_step,
                                                    in_.time_scale, &slot.def);
        if (err != PF_Err_NONE) {
            return err;
        }
        slot.held = true;
        def = &slot.def;
        return PF_Err_NONE;
    }

private:
    struct Slot {
        PF_ParamDef def{};
        bool held = false;
    };
    const PF_InData& in_;
    std::array<Slot, 2> slots_{};  // "Amount" and "LUT"
    size_t count_ = 0;
};

}  // namespace

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
    return PF_Err_NONE;
}

PF_Err SmartRender(PF_InData* in_data, PF_OutData*, PF_SmartRenderExtra* extra) {
    if (in_data == nullptr || extra == nullptr || extra->input == nullptr || extra->cb == nullptr ||
        extra->cb->checkout_layer_pixels == nullptr || extra->cb->checkout_output == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    CheckedOutParams params(*in_data);
    const PF_ParamDef* amountParam = nullptr;
    const PF_ParamDef* lutParam = nullptr;
    if (const PF_Err err = params.CheckOut(kParamAmount, amountParam); err != PF_Err_NONE) {
        return err;
    }
    if (const PF_Err err = params.CheckOut(kParamLut, lutParam); err != PF_Err_NONE) {
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
    const float amount = static_cast<float>(amountParam->u.fs_d.value * 0.01);
    RenderFrame(in_data, amount, *lutParam, *format, *input, *output);
    return PF_Err_NONE;
}

}  // namespace kv
