#include "effect/BandSplitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

namespace {

// Runs the task at once on the calling thread: the bands then come in a
// deterministic order and thousands of splits cost no thread starts.
std::thread RunInline(std::function<void()> task) {
    task();
    return std::thread();
}

std::atomic<int> g_starts{0};
std::atomic<int> g_failAt{-1};
std::atomic<int> g_bandsDone{0};

// Starts real threads, but throws the way std::thread does when the system is
// out of threads on start number g_failAt (counting from 0).
std::thread FailingStarter(std::function<void()> task) {
    if (g_starts.fetch_add(1) == g_failAt.load()) {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    return std::thread(std::move(task));
}

TEST(PlanBands, FollowsTheWorkedExamples) {
    auto plan = [](int32_t rows, unsigned threads) {
        const kv::BandPlan p = kv::PlanBands(rows, threads);
        return std::pair<int32_t, int32_t>{p.bands, p.bandRows};
    };
    EXPECT_EQ(plan(1080, 12), (std::pair<int32_t, int32_t>{12, 90}));
    EXPECT_EQ(plan(20, 12), (std::pair<int32_t, int32_t>{1, 20}));
    EXPECT_EQ(plan(31, 64), (std::pair<int32_t, int32_t>{1, 31}));
    EXPECT_EQ(plan(32, 0), (std::pair<int32_t, int32_t>{2, 16}));
    EXPECT_EQ(plan(100, 6), (std::pair<int32_t, int32_t>{6, 17}));
    EXPECT_EQ(plan(2160, 64), (std::pair<int32_t, int32_t>{32, 68}));
    EXPECT_EQ(plan(2160, 0), (std::pair<int32_t, int32_t>{4, 540}));
    EXPECT_EQ(plan(0, 12).first, 1);
    EXPECT_EQ(plan(-5, 12).first, 1);
    EXPECT_EQ(plan(2147483647, 32), (std::pair<int32_t, int32_t>{32, 67108864}));
}

// Every row is processed exactly once, in at most 32 bands of at least 16
// rows, the first band starting at row 0.
TEST(Split, CoversEveryRowExactlyOnce) {
    std::vector<int32_t> rowCounts;
    for (int32_t r = -2; r <= 700; ++r) rowCounts.push_back(r);
    for (int32_t r : {1080, 1088, 2160, 4321, 8191}) rowCounts.push_back(r);
    int splitsChecked = 0;
    for (unsigned threads : {0u, 1u, 2u, 3u, 5u, 12u, 31u, 32u, 33u, 64u}) {
        for (int32_t rows : rowCounts) {
            std::vector<std::pair<int32_t, int32_t>> bands;
            kv::Split(
                rows, [&](int32_t first, int32_t last) { bands.emplace_back(first, last); }, threads, &RunInline);
            ASSERT_FALSE(bands.empty());
            ASSERT_LE(bands.size(), 32u);
            // The caller's band runs after the started ones.
            EXPECT_EQ(bands.back().first, 0);
            std::sort(bands.begin(), bands.end());
            int32_t next = 0;
            for (const auto& [first, last] : bands) {
                ASSERT_EQ(first, next) << rows << " rows, " << threads << " threads";
                ASSERT_LE(first, last);
                if (bands.size() > 1) {
                    ASSERT_GE(last - first, 1);
                }
                next = last;
            }
            ASSERT_EQ(next, std::max(rows, 0)) << rows << " rows, " << threads << " threads";
            if (rows < 32) {
                ASSERT_EQ(bands.size(), 1u);
            }
            ++splitsChecked;
        }
    }
    EXPECT_EQ(splitsChecked, 10 * static_cast<int>(rowCounts.size()));
}

TEST(Split, RunsTheFirstBandOnTheCallerAndTheRestOnTheirOwnThreads) {
    std::mutex m;
    std::set<std::thread::id> ids;
    std::vector<std::pair<int32_t, int32_t>> bands;
    std::thread::id firstBandThread;
    kv::Split(
        1080,
        [&](int32_t first, int32_t last) {
            std::lock_guard<std::mutex> lock(m);
            ids.insert(std::this_thread::get_id());
            bands.emplace_back(first, last);
            if (first == 0) firstBandThread = std::this_thread::get_id();
        },
        12, nullptr);
    EXPECT_EQ(ids.size(), 12u);
    EXPECT_EQ(firstBandThread, std::this_thread::get_id());
    std::sort(bands.begin(), bands.end());
    ASSERT_EQ(bands.size(), 12u);
    EXPECT_EQ(bands[0], (std::pair<int32_t, int32_t>{0, 90}));
    EXPECT_EQ(bands[11], (std::pair<int32_t, int32_t>{990, 1080}));
}

// When a thread cannot be started, the ones already running finish and are
// joined before the error reaches the caller; nothing terminates the process.
TEST(Split, JoinsStartedThreadsAndThrowsWhenAThreadCannotStart) {
    for (int failAt : {0, 1, 5}) {
        g_starts = 0;
        g_failAt = failAt;
        g_bandsDone = 0;
        try {
            kv::Split(
                1080,
                [](int32_t, int32_t) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    g_bandsDone.fetch_add(1);
                },
                12, &FailingStarter);
            ADD_FAILURE() << "no error with start " << failAt << " failing";
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code(), std::errc::resource_unavailable_try_again);
        }
        EXPECT_EQ(g_bandsDone.load(), failAt) << "start " << failAt << " failing";
    }
    g_failAt = -1;
}

TEST(Split, PassesOnABandsExceptionAfterAllBandsEnd) {
    std::atomic<int> done{0};
    EXPECT_THROW(kv::Split(
                     640,
                     [&](int32_t first, int32_t) {
                         std::this_thread::sleep_for(std::chrono::milliseconds(first == 0 ? 0 : 10));
                         done.fetch_add(1);
                         if (first == 160) throw std::runtime_error("band failed");
                     },
                     4, nullptr),
                 std::runtime_error);
    EXPECT_EQ(done.load(), 4);
}

TEST(SetThreadStarter, ReplacesAndRestoresTheDefault) {
    g_starts = 0;
    g_failAt = 0;
    const kv::ThreadStarter previous = kv::SetThreadStarter(&FailingStarter);
    const bool threaded = kv::PlanBands(1080, std::thread::hardware_concurrency()).bands > 1;
    if (threaded) {
        EXPECT_THROW(kv::Split(1080, [](int32_t, int32_t) {}), std::system_error);
    }
    EXPECT_EQ(kv::SetThreadStarter(previous), &FailingStarter);
    std::atomic<int> rows{0};
    kv::Split(1080, [&](int32_t first, int32_t last) { rows.fetch_add(last - first); });
    EXPECT_EQ(rows.load(), 1080);
    g_failAt = -1;
}

}  // namespace
