#pragma once
// Replaces the global allocation functions of the test executable so that a
// test can make every allocation of the current thread throw std::bad_alloc,
// the way an exhausted host process would.

namespace kvtest {

class AllocationFailure {
public:
    AllocationFailure();   // from here on, this thread's allocations throw
    ~AllocationFailure();  // back to normal
    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;
};

// Allocations refused on this thread since the program started.
long RefusedAllocations();

}  // namespace kvtest
