#include "effect/CpuRender.h"

#include "effect/EffectParams.h"
#include "effect/HostPixelFormat.h"
#include "effect/RenderFrame.h"

namespace kv {

PF_Err Render(PF_InData* in_data, PF_OutData*, PF_ParamDef* params[], PF_LayerDef* output) {
    if (in_data == nullptr || params == nullptr || output == nullptr || params[kParamInput] == nullptr ||
        params[kParamAmount] == nullptr || params[kParamLut] == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const float amount = static_cast<float>(params[kParamAmount]->u.fs_d.value * 0.01);
    const PixelFormat* const format = RenderFormatOf(in_data, output);
    if (format == nullptr) {
        return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
    const PF_LayerDef& input = params[kParamInput]->u.ld;
    return RenderFrame(in_data, amount, *params[kParamLut], *format, input, *output,
                       WholeLayerPlacement(input, *output));
}

}  // namespace kv
