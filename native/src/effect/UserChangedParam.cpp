#include "effect/UserChangedParam.h"

// The "Change LUT" and "Edit LUT" flows are not part of this module yet: a
// press is acknowledged and changes nothing.
PF_Err HandleUserChangedParam(PF_InData*, PF_OutData*, PF_ParamDef*[], void*) { return PF_Err_NONE; }
