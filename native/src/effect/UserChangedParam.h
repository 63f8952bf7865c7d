#pragma once
// USER_CHANGED_PARAM: the effect's two buttons.

#include "sdk/effect_sdk.h"

namespace kv {

PF_Err HandleUserChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], void* extra);

}  // namespace kv
