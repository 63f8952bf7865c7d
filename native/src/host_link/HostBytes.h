#pragma once
// Host-owned bytes held for one scope: a parameter handle locked through the
// effect API's callbacks, or a memory block the editing host handed over.
//
// Hosts fill their callback records as they see fit, so every callback is
// checked here, in one place: a missing one leaves the bytes empty and is
// never called. The end of the scope undoes exactly what the start did: a
// handle is unlocked only if it was locked, a block is disposed only if it
// was taken.

#include <cstddef>

#include "sdk/effect_sdk.h"
#include "sdk/premiere_sdk_types.h"

// Only its address passes through here; HostBytes.cpp reads the table.
struct PrSDKMemoryManagerSuite;

namespace kv {

class HostBytes {
public:
    // Nothing held.
    HostBytes() = default;

    // The handle's size, then a lock on it; unlocked at the end. Empty when
    // the handle is null, the record lacks the size, lock or unlock callback,
    // or the host refuses the lock.
    static HostBytes LockHandle(const PF_UtilCallbacks* utils, PF_Handle handle);
    static HostBytes LockHandle(const PF_InData* in_data, PF_Handle handle);

    // A lock on a handle the effect has just made or resized to `size` bytes,
    // for writing them: the host is not asked for the size. Empty when the
    // handle is null, the record lacks the lock or unlock callback, or the
    // host refuses the lock.
    static HostBytes LockSized(const PF_UtilCallbacks* utils, PF_Handle handle, size_t size);

    // The handle's size without locking it; 0 when the handle is null or the
    // record lacks the size callback.
    static size_t SizeOf(const PF_InData* in_data, PF_Handle handle);

    // A block the host gave to the effect to keep: its size now, its disposal
    // at the end. Empty when the block is null or the suite lacks its size
    // function; not disposed when the suite lacks the dispose function.
    static HostBytes AdoptBlock(const PrSDKMemoryManagerSuite* memory, PrMemoryPtr block);

    HostBytes(HostBytes&& other) noexcept;
    HostBytes& operator=(HostBytes&& other) noexcept;
    HostBytes(const HostBytes&) = delete;
    HostBytes& operator=(const HostBytes&) = delete;
    ~HostBytes();

    // Null and 0 when nothing is held.
    unsigned char* Data() const { return data_; }
    size_t Size() const { return size_; }

private:
    void Release() noexcept;

    unsigned char* data_ = nullptr;
    size_t size_ = 0;
    // What the end of the scope undoes: at most one of the two is set.
    const PF_UtilCallbacks* unlockWith_ = nullptr;
    PF_Handle handle_ = nullptr;
    const PrSDKMemoryManagerSuite* disposeWith_ = nullptr;
    PrMemoryPtr block_ = nullptr;
};

}  // namespace kv
