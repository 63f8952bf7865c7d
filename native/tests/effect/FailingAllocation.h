#pragma once
// Replaces the global allocation functions of the test executable so that a
// test can make the current thread's allocations throw std::bad_alloc, the
// way an exhausted host process would: all of them, or all after the first
// few, to reach every allocation of an operation in turn. Allocations made
// inside the fake host's callbacks are never refused (see InHostCallback).

namespace kvtest {

class AllocationFailure {
public:
    // From here on, this thread's allocations throw after `allowedFirst`
    // more have succeeded.
    explicit AllocationFailure(long allowedFirst = 0);
    ~AllocationFailure();  // back to normal
    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;
};

// Allocations refused on this thread since the program started.
long RefusedAllocations();

}  // namespace kvtest
