#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/CoalescedTask.h"
#include "platform/ManualLoop.h"
#include "platform/NotificationCenter.h"

namespace ventiq {
namespace {

TEST(ManualLoop, TimersFireInDueOrderAndCancelStopsThem) {
    ManualLoop loop;
    std::vector<std::string> log;
    auto tick = loop.repeating(seconds(2), [&] { log.push_back("tick"); });
    loop.postAfter(seconds(3), [&] { log.push_back("once"); });
    auto cancelled = loop.postAfter(seconds(1), [&] { log.push_back("never"); });
    cancelled.cancel();

    loop.advanceSeconds(4);
    EXPECT_EQ(log, (std::vector<std::string>{"tick", "once", "tick"}));

    tick.cancel();
    loop.advanceSeconds(10);
    EXPECT_EQ(log.size(), 3u);
    EXPECT_EQ(loop.pendingTimers(), 0u);
}

TEST(ManualLoop, VirtualTimeMovesOnlyWhenAdvanced) {
    ManualLoop loop;
    const TimePoint start = loop.now();
    TimePoint seen{};
    loop.postAfter(seconds(0.2), [&] { seen = loop.now(); });
    loop.runPending();
    EXPECT_EQ(loop.now(), start);
    loop.advanceSeconds(1);
    EXPECT_EQ(seen - start, seconds(0.2));
    EXPECT_EQ(loop.now() - start, seconds(1));
}

TEST(CoalescedTask, ABurstRunsOnceOnALaterTurnAndNotAfterTheTaskIsGone) {
    ManualLoop loop;
    int runs = 0;
    auto task = std::make_unique<CoalescedTask>(loop, [&] { ++runs; });
    task->schedule();
    task->schedule();
    task->schedule();
    EXPECT_EQ(runs, 0) << "the run waits for the loop";
    loop.runPending();
    EXPECT_EQ(runs, 1);

    task->schedule();
    loop.runPending();
    EXPECT_EQ(runs, 2) << "a request after the run gives another run";

    task->schedule();
    task.reset();
    loop.runPending();
    EXPECT_EQ(runs, 2) << "a turn after the task is gone runs nothing";
}

TEST(CoalescedTask, TheActionMayAskForTheNextRun) {
    ManualLoop loop;
    int runs = 0;
    CoalescedTask* self = nullptr;
    CoalescedTask task(loop, [&] {
        if (++runs < 3) self->schedule();
    });
    self = &task;
    task.schedule();
    loop.runPending();
    EXPECT_EQ(runs, 3);
}

TEST(NotificationCenter, DeliversLaterOnTheLoopAndNeverToRemovedObservers) {
    ManualLoop loop;
    NotificationCenter center(loop);
    int data = 0;
    int language = 0;
    auto dataToken = center.addObserver(Notifications::dataUpdated, [&] { ++data; });
    auto languageToken = center.addObserver(Notifications::languageChanged, [&] { ++language; });

    center.post(Notifications::dataUpdated);
    EXPECT_EQ(data, 0) << "delivery waits for the loop";
    loop.runPending();
    EXPECT_EQ(data, 1);
    EXPECT_EQ(language, 0);

    center.post(Notifications::languageChanged);
    languageToken.reset();
    loop.runPending();
    EXPECT_EQ(language, 0) << "an observer removed before delivery is not called";
}

TEST(NotificationCenter, ObserverRemovedByAnEarlierObserverIsSkipped) {
    ManualLoop loop;
    NotificationCenter center(loop);
    int second = 0;
    ObserverToken secondToken;
    auto first = center.addObserver("X", [&] { secondToken.reset(); });
    secondToken = center.addObserver("X", [&] { ++second; });
    center.post("X");
    loop.runPending();
    EXPECT_EQ(second, 0);
}

}  // namespace
}  // namespace ventiq
