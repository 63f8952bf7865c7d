#pragma once
// The host's handle callbacks, shared by the fake host's parts.

#include "sdk/effect_sdk.h"

namespace kvsim::detail {

// Fills the handle slots of a utility callback table.
void FillHandleCallbacks(PF_UtilCallbacks& utils);
void SetFailNewHandle(bool fail);
void SetFailLockHandle(bool fail);
void FailOneLockAfter(int succeeding);
void SetFailResizeHandle(bool fail);

// The arbitrary-data values of a null-terminated parameter list, as the host
// handed them to the effect (the first kMax parameters).
struct ArbValues {
    static constexpr int kMax = 8;
    PF_Handle values[kMax]{};
};
ArbValues ArbValuesOf(PF_ParamDef** params);
// A value the effect replaced and flagged as changed is the host's old value:
// the host owns a parameter's value and disposes the old one when it takes
// the new. Disposes each such value in `before`.
void DisposeReplacedValues(PF_ParamDef** params, const ArbValues& before);

// Marks the current thread as running host code for the object's lifetime;
// every callback the host serves holds one (see InHostCallback).
class HostCallbackScope {
public:
    HostCallbackScope();
    ~HostCallbackScope();
    HostCallbackScope(const HostCallbackScope&) = delete;
    HostCallbackScope& operator=(const HostCallbackScope&) = delete;
};

}  // namespace kvsim::detail
