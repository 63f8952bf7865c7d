#pragma once
// The "Change LUT" button: the user picks a .cube file, and its LUT is stored
// in the "LUT" parameter as LUT text, named after the file and carrying the
// match id found in it.

#include "sdk/effect_sdk.h"

namespace kv {

// Returns 0 whatever the user did or the file held (problems are logged and
// shown in a message box); the out-of-memory error when the host gives no
// handle, memory or lock for the new value, the old value then staying as it
// was, byte for byte; and the damaged-structure error, before the dialog
// opens, when the host passed no records to store into. On success the "LUT"
// parameter's value and change flag are set, the host is asked to render anew
// and redraw the controls, and the button label is updated.
PF_Err ChangeLut(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]);

}  // namespace kv
