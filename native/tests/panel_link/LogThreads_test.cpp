#include "panel_link/Log.h"

#include <gtest/gtest.h>

#include <regex>
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
            for (int i = 0; i < kLines; ++i) LogPrintf("thread %d line %d %s", t, i, padding.c_str());
        });
    }
    for (auto& thread : threads) thread.join();

    const std::regex shape(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  thread (\d+) line (\d+) x{300})");
    std::set<std::pair<int, int>> seen;
    const auto lines = ReadLogLines();
    for (const std::string& line : lines) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, shape)) << line.substr(0, 80);
        EXPECT_TRUE(seen.emplace(std::stoi(match[1]), std::stoi(match[2])).second) << "duplicate " << line;
    }
    EXPECT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));
}

}  // namespace
