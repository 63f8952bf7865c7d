#include "FailingAllocation.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool tFailing = false;
thread_local long tRefused = 0;

void* Allocate(std::size_t size) {
    if (tFailing) {
        ++tRefused;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
}  // namespace

namespace kvtest {
AllocationFailure::AllocationFailure() { tFailing = true; }
AllocationFailure::~AllocationFailure() { tFailing = false; }
long RefusedAllocations() { return tRefused; }
}  // namespace kvtest

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
