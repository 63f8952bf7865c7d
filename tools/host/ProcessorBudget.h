#pragma once
// The processors a batch may keep busy at once. Frames render in parallel
// and the module splits each frame's rows into bands on threads of its own,
// so frames times bands would oversubscribe the machine: each step of a
// frame first takes its share here (reading and writing one processor,
// rendering one per band) and gives it back after. Requests are served in
// the order they came, so a frame that needs every processor is not starved
// by frames that need one.

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace kvtool {

class ProcessorBudget {
public:
    explicit ProcessorBudget(unsigned processors);

    // Waits for `wanted` processors (at least 1, at most all) and returns how
    // many were taken.
    unsigned Acquire(unsigned wanted);
    void Release(unsigned taken);

private:
    const unsigned total_;
    unsigned free_;
    std::uint64_t nextTicket_ = 0;
    std::uint64_t serving_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
};

// A share held for a scope.
class ProcessorShare {
public:
    ProcessorShare(ProcessorBudget& budget, unsigned wanted) : budget_(budget), taken_(budget.Acquire(wanted)) {}
    ~ProcessorShare() { budget_.Release(taken_); }
    ProcessorShare(const ProcessorShare&) = delete;
    ProcessorShare& operator=(const ProcessorShare&) = delete;

private:
    ProcessorBudget& budget_;
    const unsigned taken_;
};

}  // namespace kvtool
