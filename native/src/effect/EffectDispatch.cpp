#include "effect/EffectDispatch.h"

#include "effect/CpuRender.h"
#include "effect/EffectGlobal.h"
#include "effect/EffectParams.h"
#include "effect/GpuDeviceCommands.h"
#include "effect/LutParam.h"
#include "effect/SmartRender.h"
#include "effect/UserChangedParam.h"
#include "panel_link/ButtonLabel.h"

namespace kv {

namespace {

PF_Err RunCommand(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                  PF_LayerDef* output, void* extra) {
    switch (cmd) {
        case PF_Cmd_ABOUT:
            return About(in_data, out_data);
        case PF_Cmd_GLOBAL_SETUP:
            return GlobalSetup(in_data, out_data);
        case PF_Cmd_PARAMS_SETUP:
            return ParamsSetup(in_data, out_data);
        case PF_Cmd_RENDER:
            return Render(in_data, out_data, params, output);
        case PF_Cmd_SMART_PRE_RENDER:
            return SmartPreRender(in_data, out_data, static_cast<PF_PreRenderExtra*>(extra));
        case PF_Cmd_SMART_RENDER:
            return SmartRender(in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra));
        case PF_Cmd_SMART_RENDER_GPU:
            return SmartRenderGpu(in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra));
        case PF_Cmd_GPU_DEVICE_SETUP:
            return GpuDeviceSetup(in_data, out_data, static_cast<PF_GPUDeviceSetupExtra*>(extra));
        case PF_Cmd_GPU_DEVICE_SETDOWN:
            return GpuDeviceSetdown(in_data, out_data, static_cast<PF_GPUDeviceSetdownExtra*>(extra));
        case PF_Cmd_USER_CHANGED_PARAM:
            return HandleUserChangedParam(in_data, out_data, params, extra);
        case PF_Cmd_ARBITRARY_CALLBACK:
            return ArbitraryCallback(in_data, static_cast<PF_ArbParamsExtra*>(extra));
        default:
            return PF_Err_NONE;
    }
}

}  // namespace

PF_Err DispatchEffectCommand(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                             PF_LayerDef* output, void* extra) noexcept {
    // A failing label update must not fail the host's UI pass: its outcome,
    // thrown or returned, is dropped.
    if (cmd == PF_Cmd_UPDATE_PARAMS_UI) {
        try {
            UpdateLutButtonLabel(in_data, params, "update");
        } catch (...) {
        }
        return PF_Err_NONE;
    }
    try {
        return RunCommand(cmd, in_data, out_data, params, output, extra);
    } catch (...) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}

}  // namespace kv
