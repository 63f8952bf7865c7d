#include "panel_link/Log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "LogTestSupport.h"

namespace {

using LogThreadsTest = UserDataFolderTest;

TEST_F(LogThreadsTest, LinesFromManyThreadsStayWhole) {
    constexpr int kThreads = 8;
    constexpr int kLines = 60;
    const std::string padding(300, 'x');  // long lines make tearing likely if unguarded
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &padding] {
            for (int i = 0; i < kLines; ++i) kv::LogPrintf("thread %d line %d %s", t, i, padding.c_str());
        });
    }
    for (auto& thread : threads) thread.join();

    std::set<std::pair<int, int>> seen;
    const auto lines = ReadLogLines();
    for (const std::string& line : lines) {
        const std::string message = MessageOf(line);
        int thread = -1, index = -1, consumed = 0;
        ASSERT_EQ(std::sscanf(message.c_str(), "thread %d line %d %n", &thread, &index, &consumed), 2) << message;
        EXPECT_EQ(message.substr(static_cast<size_t>(consumed)), padding) << "line " << index << " of " << thread;
        EXPECT_TRUE(seen.emplace(thread, index).second) << "duplicate " << message.substr(0, 30);
    }
    EXPECT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));
}

}  // namespace
