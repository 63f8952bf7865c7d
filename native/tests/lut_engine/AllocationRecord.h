#pragma once
// Replaces the global allocation functions of the engine test executable so
// that a test can see how much memory an operation asks for at once, not
// only what it returns.

#include <cstddef>

namespace kvtest {

// Records the largest single allocation made on this thread while it lives.
class LargestAllocation {
public:
    LargestAllocation();
    ~LargestAllocation();
    LargestAllocation(const LargestAllocation&) = delete;
    LargestAllocation& operator=(const LargestAllocation&) = delete;

    std::size_t bytes() const;
};

}  // namespace kvtest
