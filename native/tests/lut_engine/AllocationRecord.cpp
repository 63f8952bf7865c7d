#include "AllocationRecord.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool tRecording = false;
thread_local std::size_t tLargest = 0;

void* Allocate(std::size_t size) {
    if (tRecording && size > tLargest) tLargest = size;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

namespace kvtest {
LargestAllocation::LargestAllocation() {
    tLargest = 0;
    tRecording = true;
}
LargestAllocation::~LargestAllocation() { tRecording = false; }
std::size_t LargestAllocation::bytes() const { return tLargest; }
}  // namespace kvtest

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
