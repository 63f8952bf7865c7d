#include "effect/UserChangedParam.h"

#include "effect/EffectParams.h"
#include "panel_link/ChangeLut.h"
#include "panel_link/EditRequest.h"
#include "panel_link/Log.h"

namespace kv {

PF_Err HandleUserChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], void* extra) {
    const auto* changed = static_cast<const PF_UserChangedParamExtra*>(extra);
    if (changed == nullptr) {
        LogPrintf("USER_CHANGED_PARAM index %d", -1);
        return PF_Err_NONE;
    }
    LogPrintf("USER_CHANGED_PARAM index %d", static_cast<int>(changed->param_index));
    switch (changed->param_index) {
        case kParamChangeLut:
            return ChangeLut(in_data, out_data, params);
        case kParamEditLut:
            RequestEditLut(in_data, params);
            return PF_Err_NONE;
        default:
            return PF_Err_NONE;
    }
}

}  // namespace kv
