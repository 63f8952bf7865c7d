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
