#include "FailingAllocation.h"

#include <cstdlib>
#include <new>

#include "host_sim/FakeHost.h"

namespace {
constexpr long kNotFailing = -1;
thread_local long tAllowed = kNotFailing;  // allocations left before refusing
thread_local long tRefused = 0;

void* Allocate(std::size_t size) {
    if (tAllowed != kNotFailing && !kvsim::InHostCallback()) {
        if (tAllowed == 0) {
            ++tRefused;
            throw std::bad_alloc();
        }
        --tAllowed;
    }
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
}  // namespace

namespace kvtest {
AllocationFailure::AllocationFailure(long allowedFirst) { tAllowed = allowedFirst < 0 ? 0 : allowedFirst; }
AllocationFailure::~AllocationFailure() { tAllowed = kNotFailing; }
long RefusedAllocations() { return tRefused; }
}  // namespace kvtest

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
