#pragma once
// The parameters one smart render reads, checked out at the render's time
// and checked in when the object goes, on every path out, exceptions
// included. Both smart renders (processor and GPU) read them so.

#include <array>
#include <cstddef>

#include "host_link/ParamTable.h"
#include "sdk/effect_sdk.h"

namespace kv {

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

    // Checks out "Amount", then "LUT", at the render's time. The host's
    // error for the first that fails; what was checked out before it is
    // checked in all the same.
    PF_Err CheckOutAmountAndLut() {
        if (const PF_Err err = CheckOut(kParamAmount, amount_); err != PF_Err_NONE) {
            return err;
        }
        return CheckOut(kParamLut, lut_);
    }

    // After CheckOutAmountAndLut succeeded: the blend from 0 to 1, and the
    // "LUT" parameter.
    float Amount() const { return static_cast<float>(amount_->u.fs_d.value * 0.01); }
    const PF_ParamDef& Lut() const { return *lut_; }

private:
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

    struct Slot {
        PF_ParamDef def{};
        bool held = false;
    };
    const PF_InData& in_;
    std::array<Slot, 2> slots_{};  // "Amount" and "LUT"
    std::size_t count_ = 0;
    const PF_ParamDef* amount_ = nullptr;
    const PF_ParamDef* lut_ = nullptr;
};

}  // namespace kv
