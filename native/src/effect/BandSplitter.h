#pragma once
// Cuts a frame's rows into contiguous bands and runs each band on its own
// short-lived thread, the calling thread doing the first band. Nothing
// outlives a call: every thread started is joined before Split returns or
// throws.

#include <cstdint>
#include <functional>
#include <thread>

namespace kv {

inline constexpr int32_t kMaxBands = 32;
inline constexpr int32_t kMinRowsPerBand = 16;

struct BandPlan {
    int32_t bands = 1;     // threads used, the caller included
    int32_t bandRows = 0;  // rows per band; the last non-empty band may be shorter
};

// How `rows` rows are split on a machine reporting `hardwareThreads` threads
// (0 = unknown, taken as 4). Capped at kMaxBands bands, and at one band per
// kMinRowsPerBand rows so that small frames stay on one thread. Band i covers
// [i * bandRows, min((i + 1) * bandRows, rows)); trailing bands may be empty.
BandPlan PlanBands(int32_t rows, unsigned hardwareThreads);

// Processes the half-open row range [first, last). Bands run concurrently and
// must touch disjoint rows only.
using BandBody = std::function<void(int32_t first, int32_t last)>;

// Starts a thread running `task`, throwing (std::system_error) when it cannot.
using ThreadStarter = std::thread (*)(std::function<void()> task);

// Runs `body` over rows [0, rows) in the bands of PlanBands. If a thread
// cannot be started, the threads already started are joined and the error
// propagates; an exception from a band body propagates the same way once all
// bands have ended. rows <= 0 runs the body once on an empty range.
void Split(int32_t rows, const BandBody& body);

// The same with an explicit thread count and thread starter.
void Split(int32_t rows, const BandBody& body, unsigned hardwareThreads, ThreadStarter start);

// The starter that Split(rows, body) uses; std::thread by default. Replaceable
// so that tests can make a given thread start fail. Returns the previous one;
// nullptr restores the default.
ThreadStarter SetThreadStarter(ThreadStarter start);

// The hardware thread count that Split(rows, body) plans with; 0 (the
// default) asks the system. Lets a test on a small machine reach a given
// number of bands. Returns the previous setting.
unsigned SetHardwareThreads(unsigned threads);

}  // namespace kv
