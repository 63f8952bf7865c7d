#include "host_sim/FakeHost.h"
#include "host_sim/FakeHandles.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "host_link/LutParamBytes.h"

namespace kvsim {

// ---- Handles ----------------------------------------------------------------

namespace {

// A handle is the address of the block's first member, the data pointer,
// which is what the hosts' void** handles point at.
struct HandleBlock {
    void* data;
    size_t size;
    std::atomic<int> locks;
};
static_assert(offsetof(HandleBlock, data) == 0, "a handle must point at the data pointer");

std::atomic<long> gLiveHandles{0};
std::atomic<long> gLockedHandles{0};
std::atomic<bool> gFailNewHandle{false};
std::atomic<bool> gFailLockHandle{false};
std::atomic<int> gLocksBeforeOneFailure{-1};  // -1: no single failure armed
std::atomic<bool> gFailResizeHandle{false};

// Per kind of handle call: how many came since the last reset, and which of
// them (by number, below 64) are refused.
constexpr int kHandleCallKinds = 6;
std::atomic<int> gHandleCallsSoFar[kHandleCallKinds]{};
std::atomic<uint64_t> gRefusedHandleCalls[kHandleCallKinds]{};

// Counts this call of its kind; true when FailHandleCall armed its number.
bool Refused(HandleCall kind) {
    const int k = static_cast<int>(kind);
    const int number = gHandleCallsSoFar[k].fetch_add(1);
    return number >= 0 && number < 64 && ((gRefusedHandleCalls[k].load() >> number) & 1u) != 0;
}

HandleBlock* Block(PF_Handle h) { return reinterpret_cast<HandleBlock*>(h); }

thread_local int tHostCallbackDepth = 0;

PF_Handle NewHandleCb(A_u_longlong size) {
    detail::HostCallbackScope inHost;
    if (Refused(HandleCall::New) || gFailNewHandle.load()) {
        return nullptr;
    }
    auto* block = new HandleBlock{std::calloc(size ? size : 1, 1), static_cast<size_t>(size), {0}};
    ++gLiveHandles;
    return reinterpret_cast<PF_Handle>(block);
}

// True for the one lock that FailOneLockAfter armed.
bool ArmedLockFails() {
    int left = gLocksBeforeOneFailure.load();
    while (left >= 0 && !gLocksBeforeOneFailure.compare_exchange_weak(left, left - 1)) {
    }
    return left == 0;
}

void* LockHandleCb(PF_Handle h) {
    if (Refused(HandleCall::Lock) || h == nullptr || gFailLockHandle.load() || ArmedLockFails()) {
        return nullptr;
    }
    if (Block(h)->locks.fetch_add(1) == 0) {
        ++gLockedHandles;
    }
    return Block(h)->data;
}

void UnlockHandleCb(PF_Handle h) {
    if (Refused(HandleCall::Unlock) || h == nullptr) {
        return;
    }
    if (Block(h)->locks.load() > 0 && Block(h)->locks.fetch_sub(1) == 1) {
        --gLockedHandles;
    }
}

void FreeHandle(PF_Handle h) {
    if (h == nullptr) {
        return;
    }
    if (Block(h)->locks.load() > 0) {
        --gLockedHandles;
    }
    std::free(Block(h)->data);
    delete Block(h);
    --gLiveHandles;
}

// Handles whose dispose was refused, kept so that a test can free them
// once it has looked at what the refusal left behind.
std::mutex gRefusedDisposalsLock;
std::vector<PF_Handle> gRefusedDisposals;

// A refused dispose, like a refused unlock, does nothing: the host's own
// callbacks have no way to report it.
void DisposeHandleCb(PF_Handle h) {
    if (!Refused(HandleCall::Dispose)) {
        FreeHandle(h);
    } else if (h != nullptr) {
        const std::lock_guard<std::mutex> lock(gRefusedDisposalsLock);
        gRefusedDisposals.push_back(h);
    }
}

A_u_longlong GetHandleSizeCb(PF_Handle h) { return h && !Refused(HandleCall::Size) ? Block(h)->size : 0; }

PF_Err ResizeHandleCb(A_u_longlong size, PF_Handle* h) {
    detail::HostCallbackScope inHost;
    if (h == nullptr || *h == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (Refused(HandleCall::Resize) || gFailResizeHandle.load()) {
        return PF_Err_OUT_OF_MEMORY;  // the handle is left as it was
    }
    HandleBlock* block = Block(*h);
    void* data = std::realloc(block->data, size ? size : 1);
    if (data == nullptr) {
        return PF_Err_OUT_OF_MEMORY;
    }
    if (size > block->size) {
        std::memset(static_cast<char*>(data) + block->size, 0, size - block->size);
    }
    block->data = data;
    block->size = static_cast<size_t>(size);
    return PF_Err_NONE;
}

}  // namespace

long LiveHandleCount() { return gLiveHandles.load(); }
long LockedHandleCount() { return gLockedHandles.load(); }

PF_Handle MakeHandle(const void* bytes, size_t length) {
    auto* block = new HandleBlock{std::calloc(length ? length : 1, 1), length, {0}};
    if (length != 0) {
        std::memcpy(block->data, bytes, length);
    }
    ++gLiveHandles;
    return reinterpret_cast<PF_Handle>(block);
}

PF_Handle MakeHandle8(std::string_view text) { return MakeHandle(text.data(), text.size()); }

PF_Handle MakeHandle16(std::string_view text) {
    const std::string wide = kv::WidenLutText(text);
    return MakeHandle(wide.data(), wide.size());
}

std::vector<unsigned char> HandleBytes(PF_Handle handle) {
    if (handle == nullptr) {
        return {};
    }
    const auto* data = static_cast<const unsigned char*>(Block(handle)->data);
    return std::vector<unsigned char>(data, data + Block(handle)->size);
}

void DisposeHandle(PF_Handle handle) { FreeHandle(handle); }

void FailHandleCall(HandleCall kind, int number) {
    if (number >= 0 && number < 64) {
        gRefusedHandleCalls[static_cast<int>(kind)] |= uint64_t{1} << number;
    }
}

void FreeRefusedDisposals() {
    std::vector<PF_Handle> handles;
    {
        const std::lock_guard<std::mutex> lock(gRefusedDisposalsLock);
        handles.swap(gRefusedDisposals);
    }
    for (PF_Handle h : handles) FreeHandle(h);
}

void ResetHandleCallFailures() {
    for (int k = 0; k < kHandleCallKinds; ++k) {
        gRefusedHandleCalls[k] = 0;
        gHandleCallsSoFar[k] = 0;
    }
}

namespace detail {

void FillHandleCallbacks(PF_UtilCallbacks& utils) {
    utils.host_new_handle = NewHandleCb;
    utils.host_lock_handle = LockHandleCb;
    utils.host_unlock_handle = UnlockHandleCb;
    utils.host_dispose_handle = DisposeHandleCb;
    utils.host_get_handle_size = GetHandleSizeCb;
    utils.host_resize_handle = ResizeHandleCb;
}

ArbValues ArbValuesOf(PF_ParamDef** params) {
    ArbValues held;
    for (int i = 0; params != nullptr && i < ArbValues::kMax && params[i] != nullptr; ++i) {
        if (params[i]->param_type == PF_Param_ARBITRARY_DATA) held.values[i] = params[i]->u.arb_d.value;
    }
    return held;
}

void DisposeReplacedValues(PF_ParamDef** params, const ArbValues& before) {
    const ArbValues after = ArbValuesOf(params);
    for (int i = 0; i < ArbValues::kMax; ++i) {
        const bool changed = after.values[i] != before.values[i] &&
                             (params[i]->uu.change_flags & PF_ChangeFlag_CHANGED_VALUE) != 0;
        if (changed) FreeHandle(before.values[i]);
    }
}

void SetFailNewHandle(bool fail) { gFailNewHandle = fail; }
void SetFailLockHandle(bool fail) { gFailLockHandle = fail; }
void FailOneLockAfter(int succeeding) { gLocksBeforeOneFailure = succeeding; }
void SetFailResizeHandle(bool fail) { gFailResizeHandle = fail; }

}  // namespace detail

bool InHostCallback() { return tHostCallbackDepth > 0; }

detail::HostCallbackScope::HostCallbackScope() { ++tHostCallbackDepth; }
detail::HostCallbackScope::~HostCallbackScope() { --tHostCallbackDepth; }

}  // namespace kvsim
