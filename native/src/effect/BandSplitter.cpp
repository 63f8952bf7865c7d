#include "effect/BandSplitter.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <exception>
#include <utility>

namespace kv {

namespace {

std::thread StartStdThread(std::function<void()> task) {
    return std::thread(std::move(task));
}

std::atomic<ThreadStarter> gThreadStarter{&StartStdThread};
std::atomic<unsigned> gHardwareThreads{0};

// Joins the started threads on every way out of Split: a std::thread
// destroyed while joinable would end the process.
class ThreadJoiner {
public:
    explicit ThreadJoiner(std::array<std::thread, kMaxBands>& threads) : threads_(threads) {}
    ThreadJoiner(const ThreadJoiner&) = delete;
    ThreadJoiner& operator=(const ThreadJoiner&) = delete;
    ~ThreadJoiner() { JoinAll(); }

    void JoinAll() {
        for (std::thread& t : threads_) {
            if (t.joinable()) {
                t.join();
            }
        }
    }

private:
    std::array<std::thread, kMaxBands>& threads_;
};

}  // namespace

BandPlan PlanBands(int32_t rows, unsigned hardwareThreads) {
    int32_t n = hardwareThreads == 0 ? 4
                                     : static_cast<int32_t>(std::min<unsigned>(hardwareThreads,
                                                                               kMaxBands));
    n = std::max(std::min(n, rows / kMinRowsPerBand), 1);
    BandPlan plan;
    plan.bands = n;
    // Rounded up in 64 bits: rows + n - 1 can pass INT32_MAX.
    const int64_t bandRows = n == 1 ? std::max(rows, 0) : (static_cast<int64_t>(rows) + n - 1) / n;
    plan.bandRows = static_cast<int32_t>(bandRows);
    return plan;
}

void Split(int32_t rows, const BandBody& body) {
    const unsigned forced = gHardwareThreads.load();
    Split(rows, body, forced != 0 ? forced : std::thread::hardware_concurrency(), gThreadStarter.load());
}

void Split(int32_t rows, const BandBody& body, unsigned hardwareThreads, ThreadStarter start) {
    const BandPlan plan = PlanBands(rows, hardwareThreads);
    if (plan.bands == 1) {
        body(0, std::max(rows, 0));
        return;
    }
    if (start == nullptr) {
        start = &StartStdThread;
    }

    // Slot 0 is the caller's band; a worker writes only its own slot, and the
    // caller reads them after the joins.
    std::array<std::exception_ptr, kMaxBands> errors;
    std::array<std::thread, kMaxBands> threads;
    ThreadJoiner joiner(threads);

    const int64_t band = plan.bandRows;
    for (int32_t i = 1; i < plan.bands; ++i) {
        const int32_t first = static_cast<int32_t>(std::min<int64_t>(i * band, rows));
        const int32_t last = static_cast<int32_t>(std::min<int64_t>(first + band, rows));
        if (first >= last) {
            continue;
        }
        std::exception_ptr* error = &errors[static_cast<size_t>(i)];
        threads[static_cast<size_t>(i)] = start([body, first, last, error] {
            try {
                body(first, last);
            } catch (...) {
                *error = std::current_exception();
            }
        });
    }

    try {
        body(0, static_cast<int32_t>(std::min<int64_t>(band, rows)));
    } catch (...) {
        errors[0] = std::current_exception();
    }
    joiner.JoinAll();

    for (const std::exception_ptr& e : errors) {
        if (e) {
            std::rethrow_exception(e);
        }
    }
}

ThreadStarter SetThreadStarter(ThreadStarter start) {
    return gThreadStarter.exchange(start != nullptr ? start : &StartStdThread);
}

unsigned SetHardwareThreads(unsigned threads) { return gHardwareThreads.exchange(threads); }

}  // namespace kv
