#pragma once
// A frame whose rows lie more than 2 GiB apart in address space, with memory
// committed only where a row's pixels are. Lets a test reach row offsets past
// what 32 bits can hold without touching gigabytes of memory.

#include <cstddef>
#include <cstdint>

#include "lut_engine/FrameView.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace kvtest {

class SparseFrame {
public:
    // `rows` rows of `rowBytes` each; only the first `usedBytes` of a row are
    // ever touched.
    SparseFrame(int32_t rows, int32_t rowBytes, size_t usedBytes)
        : size_(static_cast<size_t>(rows) * static_cast<size_t>(rowBytes)) {
#ifdef _WIN32
        base_ = static_cast<unsigned char*>(VirtualAlloc(nullptr, size_, MEM_RESERVE, PAGE_NOACCESS));
        for (int32_t y = 0; base_ && y < rows; ++y) {
            if (!VirtualAlloc(base_ + static_cast<size_t>(y) * rowBytes, usedBytes, MEM_COMMIT,
                              PAGE_READWRITE)) {
                VirtualFree(base_, 0, MEM_RELEASE);
                base_ = nullptr;
            }
        }
#else
        (void)usedBytes;
        void* p = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                       -1, 0);
        base_ = p == MAP_FAILED ? nullptr : static_cast<unsigned char*>(p);
#endif
    }
    SparseFrame(const SparseFrame&) = delete;
    SparseFrame& operator=(const SparseFrame&) = delete;
    ~SparseFrame() {
        if (!base_) return;
#ifdef _WIN32
        VirtualFree(base_, 0, MEM_RELEASE);
#else
        munmap(base_, size_);
#endif
    }

    unsigned char* data() const { return base_; }

private:
    size_t size_;
    unsigned char* base_ = nullptr;
};

}  // namespace kvtest
