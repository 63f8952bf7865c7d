#pragma once
// The effect's parameters in the hosts' order: each one's id, name, kind,
// flags, default and range live in its entry here. Ids are stored with
// projects and must never change; index 0 is the host's input layer. Read by
// the effect, the panel link and the GPU paths alike.

#include "sdk/effect_sdk.h"

namespace kv {

enum EffectParamIndex : PF_ParamIndex {
    kParamInput = 0,
    kParamAmount = 1,
    kParamLut = 2,
    kParamChangeLut = 3,
    kParamEditLut = 4,
    kParamCount = 5,
};

// Float sliders: the valid and slider ranges, the default, the decimals shown.
struct FloatSliderSettings {
    float validMin = 0.0f;
    float validMax = 0.0f;
    float sliderMin = 0.0f;
    float sliderMax = 0.0f;
    float defaultValue = 0.0f;
    A_short precision = 0;
    PF_ValueDisplayFlags displayFlags = 0;
};

// Arbitrary data: the data id and the control's size.
struct ArbitraryDataSettings {
    A_short arbitraryId = 0;
    A_short uiWidth = 0;
    A_short uiHeight = 0;
};

struct EffectParamEntry {
    PF_ParamIndex index = 0;
    A_long id = 0;
    const char* name = "";
    PF_ParamType type = PF_Param_RESERVED;
    PF_ParamFlags flags = 0;
    PF_ParamUIFlags uiFlags = 0;
    FloatSliderSettings slider{};      // float sliders only
    ArbitraryDataSettings arbitrary{}; // arbitrary data only
    const char* buttonLabel = nullptr; // buttons only: the text shown before a label update
};

inline constexpr EffectParamEntry kEffectParams[] = {
    // A percentage shown with one decimal.
    {.index = kParamAmount, .id = 2, .name = "Amount", .type = PF_Param_FLOAT_SLIDER,
     .slider = {.validMin = 0.0f, .validMax = 100.0f, .sliderMin = 0.0f, .sliderMax = 100.0f,
                .defaultValue = 100.0f, .precision = 1, .displayFlags = PF_ValueDisplayFlag_PERCENT}},
    {.index = kParamLut, .id = 4, .name = "LUT", .type = PF_Param_ARBITRARY_DATA,
     .flags = PF_ParamFlag_CANNOT_TIME_VARY, .uiFlags = PF_PUI_NO_ECW_UI,
     .arbitrary = {.arbitraryId = 4, .uiWidth = 1, .uiHeight = 1}},
    // The trailing blank keeps the name distinct from the LUT data parameter.
    {.index = kParamChangeLut, .id = 5, .name = "LUT ", .type = PF_Param_BUTTON,
     .flags = PF_ParamFlag_SUPERVISE | PF_ParamFlag_CANNOT_TIME_VARY, .buttonLabel = "Change LUT"},
    {.index = kParamEditLut, .id = 7, .name = "Match", .type = PF_Param_BUTTON,
     .flags = PF_ParamFlag_SUPERVISE | PF_ParamFlag_CANNOT_TIME_VARY, .buttonLabel = "Edit LUT"},
};

static_assert(sizeof(kEffectParams) / sizeof(kEffectParams[0]) + 1 == kParamCount);
static_assert([] {
    for (PF_ParamIndex i = 0; i + 1 < kParamCount; ++i) {
        if (kEffectParams[i].index != i + 1) return false;
    }
    return true;
}(), "entries stand in index order");

// The entry of parameter `index` (kParamAmount .. kParamEditLut).
constexpr const EffectParamEntry& ParamEntry(EffectParamIndex index) { return kEffectParams[index - 1]; }

}  // namespace kv
