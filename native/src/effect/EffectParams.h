#pragma once
// The effect's parameters in the hosts' order. Ids are stored with projects
// and must never change; index 0 is the host's input layer.

#include "effect_sdk.h"

enum EffectParamIndex : PF_ParamIndex {
    kParamInput = 0,
    kParamAmount = 1,
    kParamLut = 2,
    kParamChangeLut = 3,
    kParamEditLut = 4,
    kParamCount = 5,
};

struct EffectParamEntry {
    PF_ParamIndex index;
    A_long id;
    const char* name;
    PF_ParamType type;
    PF_ParamFlags flags;
    PF_ParamUIFlags uiFlags;
    const char* buttonLabel;  // buttons only
};

inline constexpr EffectParamEntry kEffectParams[] = {
    {kParamAmount, 2, "Amount", PF_Param_FLOAT_SLIDER, 0, 0, nullptr},
    {kParamLut, 4, "LUT", PF_Param_ARBITRARY_DATA, PF_ParamFlag_CANNOT_TIME_VARY, PF_PUI_NO_ECW_UI, nullptr},
    // The trailing blank keeps the name distinct from the LUT data parameter.
    {kParamChangeLut, 5, "LUT ", PF_Param_BUTTON, PF_ParamFlag_SUPERVISE | PF_ParamFlag_CANNOT_TIME_VARY, 0,
     "Change LUT"},
    {kParamEditLut, 7, "Match", PF_Param_BUTTON, PF_ParamFlag_SUPERVISE | PF_ParamFlag_CANNOT_TIME_VARY, 0,
     "Edit LUT"},
};

// "Amount": a percentage shown with one decimal.
inline constexpr float kAmountValidMin = 0.0f;
inline constexpr float kAmountValidMax = 100.0f;
inline constexpr float kAmountSliderMin = 0.0f;
inline constexpr float kAmountSliderMax = 100.0f;
inline constexpr float kAmountDefault = 100.0f;
inline constexpr A_short kAmountPrecision = 1;

// "LUT": the arbitrary-data id and its control size.
inline constexpr A_short kLutArbitraryId = 4;
inline constexpr A_short kLutUiWidth = 1;
inline constexpr A_short kLutUiHeight = 1;

static_assert(sizeof(kEffectParams) / sizeof(kEffectParams[0]) + 1 == kParamCount);
