#include "host_link/HostBytes.h"

#include <utility>

#include "sdk/gpu_filter_suites.h"

namespace kv {

HostBytes HostBytes::LockHandle(const PF_UtilCallbacks* utils, PF_Handle handle) {
    if (utils == nullptr || handle == nullptr || utils->host_get_handle_size == nullptr) {
        return HostBytes();
    }
    return LockSized(utils, handle, static_cast<size_t>(utils->host_get_handle_size(handle)));
}

HostBytes HostBytes::LockSized(const PF_UtilCallbacks* utils, PF_Handle handle, size_t size) {
    HostBytes held;
    if (utils == nullptr || handle == nullptr || utils->host_lock_handle == nullptr ||
        utils->host_unlock_handle == nullptr) {
        return held;
    }
    void* data = utils->host_lock_handle(handle);
    if (data == nullptr) {
        return held;
    }
    held.data_ = static_cast<unsigned char*>(data);
    held.size_ = size;
    held.unlockWith_ = utils;
    held.handle_ = handle;
    return held;
}

HostBytes HostBytes::LockHandle(const PF_InData* in_data, PF_Handle handle) {
    return LockHandle(in_data != nullptr ? in_data->utils : nullptr, handle);
}

size_t HostBytes::SizeOf(const PF_InData* in_data, PF_Handle handle) {
    const PF_UtilCallbacks* utils = in_data != nullptr ? in_data->utils : nullptr;
    if (utils == nullptr || handle == nullptr || utils->host_get_handle_size == nullptr) {
        return 0;
    }
    return static_cast<size_t>(utils->host_get_handle_size(handle));
}

HostBytes HostBytes::AdoptBlock(const PrSDKMemoryManagerSuite* memory, PrMemoryPtr block) {
    HostBytes held;
    if (memory == nullptr || block == nullptr) {
        return held;
    }
    // Freed even when its size cannot be had: the block is still ours.
    if (memory->PrDisposePtr != nullptr) {
        held.disposeWith_ = memory;
        held.block_ = block;
    }
    if (memory->GetPtrSize != nullptr) {
        held.data_ = reinterpret_cast<unsigned char*>(block);
        held.size_ = memory->GetPtrSize(block);
    }
    return held;
}

HostBytes::HostBytes(HostBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      unlockWith_(std::exchange(other.unlockWith_, nullptr)),
      handle_(std::exchange(other.handle_, nullptr)),
      disposeWith_(std::exchange(other.disposeWith_, nullptr)),
      block_(std::exchange(other.block_, nullptr)) {}

HostBytes& HostBytes::operator=(HostBytes&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        unlockWith_ = std::exchange(other.unlockWith_, nullptr);
        handle_ = std::exchange(other.handle_, nullptr);
        disposeWith_ = std::exchange(other.disposeWith_, nullptr);
        block_ = std::exchange(other.block_, nullptr);
    }
    return *this;
}

HostBytes::~HostBytes() { Release(); }

void HostBytes::Release() noexcept {
    if (unlockWith_ != nullptr) {
        unlockWith_->host_unlock_handle(handle_);
    }
    if (disposeWith_ != nullptr) {
        disposeWith_->PrDisposePtr(block_);
    }
    unlockWith_ = nullptr;
    disposeWith_ = nullptr;
    data_ = nullptr;
    size_ = 0;
}

}  // namespace kv
