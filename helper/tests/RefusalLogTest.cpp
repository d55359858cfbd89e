#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "helper/RefusalLog.h"

namespace ventiq {
namespace {

using namespace std::chrono_literals;
using Clock = RefusalLog::Clock;

TEST(RefusalLog, FirstLinesOfAMinutePerUserThenOneSummary) {
    RefusalLog log(3, 60s);
    const Clock::time_point t0{};
    int written = 0;
    for (int i = 0; i < 1000; ++i) written += log.takeLine(1000, t0 + std::chrono::milliseconds(i)) ? 1 : 0;
    EXPECT_EQ(written, 3);
    // Another user's refusals have lines of their own.
    EXPECT_TRUE(log.takeLine(1001, t0 + 10s));

    EXPECT_EQ(log.nextEnd(), t0 + 60s);
    EXPECT_TRUE(log.endWindows(t0 + 59s).empty());
    const auto summary = log.endWindows(t0 + 60s);
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0], "拒绝连接：uid=1000 在 60 秒内另有 997 次连接被拒绝，未逐条记录");

    // User 1001 had nothing unlogged: its window ends without a line.
    EXPECT_EQ(log.nextEnd(), t0 + 70s);
    EXPECT_TRUE(log.endWindows(t0 + 70s).empty());
    EXPECT_FALSE(log.nextEnd());

    // A new minute starts with lines again.
    EXPECT_TRUE(log.takeLine(1000, t0 + 61s));
}

}  // namespace
}  // namespace ventiq
