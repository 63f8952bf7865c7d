#include "host_sim/FakeHost.h"

#include <cstring>

namespace kvsim {

namespace {

// The effect's parameters as a host knows them once PARAMS_SETUP has run,
// written down here rather than taken from the effect's own table, so that a
// change to what the effect registers shows up as a difference between the
// two instead of being copied into every test's arrays.
struct ParamDescription {
    PF_ParamType type;
    A_long id;
    const char* name;
    float sliderMax;          // "Amount": valid and slider maximum, and the default
    A_short arbitraryId;      // "LUT"
    const char* buttonLabel;  // the buttons
};

constexpr ParamDescription kDescribed[kParamArrayCount - 1] = {
    {PF_Param_FLOAT_SLIDER, 2, "Amount", 100.0f, 0, nullptr},
    {PF_Param_ARBITRARY_DATA, 4, "LUT", 0.0f, 4, nullptr},
    {PF_Param_BUTTON, 5, "LUT ", 0.0f, 0, "Change LUT"},
    {PF_Param_BUTTON, 7, "Match", 0.0f, 0, "Edit LUT"},
};

}  // namespace

FakeParams::FakeParams(FakeWorld* input, double amountPercent, PF_Handle lut) {
    defs_[0].param_type = PF_Param_LAYER;
    SetInput(input);
    for (int i = 1; i < kParamArrayCount; ++i) {
        const ParamDescription& described = kDescribed[i - 1];
        PF_ParamDef& def = defs_[i];
        def.param_type = described.type;
        def.uu.id = described.id;
        std::strncpy(def.name, described.name, sizeof def.name - 1);
        switch (described.type) {
            case PF_Param_FLOAT_SLIDER:
                def.u.fs_d.valid_max = described.sliderMax;
                def.u.fs_d.slider_max = described.sliderMax;
                def.u.fs_d.dephault = described.sliderMax;
                break;
            case PF_Param_ARBITRARY_DATA:
                def.u.arb_d.id = described.arbitraryId;
                break;
            case PF_Param_BUTTON:
                def.u.button_d.u.namesptr = described.buttonLabel;
                break;
            default:
                break;
        }
    }
    SetAmount(amountPercent);
    SetLut(lut);
    for (int i = 0; i < kParamArrayCount; ++i) {
        list_[i] = &defs_[i];
    }
    list_[kParamArrayCount] = nullptr;
}

void FakeParams::SetInput(FakeWorld* input) {
    if (input != nullptr) {
        defs_[0].u.ld = input->def();
    } else {
        defs_[0].u.ld = PF_LayerDef{};
    }
}

}  // namespace kvsim
