#include "effect/EffectParams.h"

#include <cstring>

#include "effect/LutParam.h"

namespace kv {

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data) {
    if (in_data == nullptr || out_data == nullptr || in_data->inter.add_param == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    for (const EffectParamEntry& entry : kEffectParams) {
        PF_ParamDef def{};
        def.uu.id = entry.id;
        def.param_type = entry.type;
        def.flags = entry.flags;
        def.ui_flags = entry.uiFlags;
        std::strncpy(def.name, entry.name, sizeof def.name - 1);
        switch (entry.type) {
            case PF_Param_FLOAT_SLIDER:
                def.u.fs_d.valid_min = entry.slider.validMin;
                def.u.fs_d.valid_max = entry.slider.validMax;
                def.u.fs_d.slider_min = entry.slider.sliderMin;
                def.u.fs_d.slider_max = entry.slider.sliderMax;
                def.u.fs_d.dephault = entry.slider.defaultValue;
                def.u.fs_d.value = entry.slider.defaultValue;
                def.u.fs_d.precision = entry.slider.precision;
                def.u.fs_d.display_flags = entry.slider.displayFlags;
                break;
            case PF_Param_ARBITRARY_DATA:
                def.ui_width = entry.arbitrary.uiWidth;
                def.ui_height = entry.arbitrary.uiHeight;
                def.u.arb_d.id = entry.arbitrary.arbitraryId;
                def.u.arb_d.dephault = NewDefaultValue(in_data);
                def.u.arb_d.value = nullptr;
                def.u.arb_d.refconPV = LutParamRefcon();
                break;
            case PF_Param_BUTTON:
                def.u.button_d.u.namesptr = entry.buttonLabel;
                break;
            default:
                break;
        }
        const PF_Err err = in_data->inter.add_param(in_data->effect_ref, -1, &def);
        if (err != PF_Err_NONE) {
            return err;
        }
    }
    out_data->num_params = kParamCount;
    return PF_Err_NONE;
}

}  // namespace kv
