#pragma once
// USER_CHANGED_PARAM: the effect's two buttons.

#include "effect_sdk.h"

PF_Err HandleUserChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], void* extra);
