#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "helper/Executor.h"

namespace ventiq {
namespace {

using namespace std::chrono_literals;

TEST(SerialExecutor, RunsTasksInOrderAndRunSyncWaitsForEarlierOnes) {
    SerialExecutor queue;
    std::vector<int> order;
    for (int i = 0; i < 100; ++i) {
        queue.post([&order, i] {
            if (i == 0) std::this_thread::sleep_for(20ms);
            order.push_back(i);
        });
    }
    queue.runSync([&] { order.push_back(100); });
    ASSERT_EQ(order.size(), 101u);
    for (int i = 0; i <= 100; ++i) EXPECT_EQ(order[i], i);
}

TEST(SerialExecutor, RepeatingTimerIsNotHeldOffByAFloodOfTasks) {
    SerialExecutor queue;
    std::atomic<int> fired{0};
    std::atomic<bool> flooding{true};
    queue.scheduleRepeating(10ms, [&] { ++fired; });
    // Each task posts the next one, so the queue is never empty.
    std::function<void()> flood = [&] {
        if (flooding) queue.post(flood);
    };
    queue.post(flood);
    std::this_thread::sleep_for(200ms);
    flooding = false;
    queue.runSync([] {});
    EXPECT_GE(fired.load(), 5);
}

}  // namespace
}  // namespace ventiq
