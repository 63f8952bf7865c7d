#include "host/ProcessorBudget.h"

#include <algorithm>

namespace kvtool {

ProcessorBudget::ProcessorBudget(unsigned processors) : total_(std::max(processors, 1u)), free_(total_) {}

unsigned ProcessorBudget::Acquire(unsigned wanted) {
    const unsigned n = std::clamp(wanted, 1u, total_);
    std::unique_lock<std::mutex> lock(mutex_);
    const std::uint64_t ticket = nextTicket_++;
    changed_.wait(lock, [&] { return serving_ == ticket && free_ >= n; });
    free_ -= n;
    ++serving_;
    lock.unlock();
    changed_.notify_all();  // the next ticket may fit in what is left
    return n;
}

void ProcessorBudget::Release(unsigned taken) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        free_ = std::min(total_, free_ + taken);
    }
    changed_.notify_all();
}

}  // namespace kvtool
