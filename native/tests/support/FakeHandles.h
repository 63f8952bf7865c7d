#pragma once
// The host's handle callbacks, shared by the fake host's parts.

#include "effect_sdk.h"

namespace kvtest::detail {

// Fills the handle slots of a utility callback table.
void FillHandleCallbacks(PF_UtilCallbacks& utils);
void SetFailNewHandle(bool fail);
void SetFailLockHandle(bool fail);

}  // namespace kvtest::detail
