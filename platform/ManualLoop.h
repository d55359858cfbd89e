#pragma once
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/MainLoop.h"

namespace ventiq {

// A main loop in virtual time for tests: nothing runs until the test advances
// the clock or drains the queue, so every sequence is deterministic.
class ManualLoop final : public MainLoop, public Clock {
public:
    ManualLoop();

    void post(std::function<void()> task) override;
    TimerHandle postAfter(Duration delay, std::function<void()> task) override;
    TimerHandle repeating(Duration interval, std::function<void()> task) override;
    const Clock& clock() const override { return *this; }
    bool isLoopThread() const override { return std::this_thread::get_id() == owner_; }
    TimePoint now() const override;

    // Runs posted tasks (and tasks they post) until the queue is empty.
    void runPending();
    // Moves virtual time forward, running every timer that falls due, in
    // order of its due time, with posted tasks drained after each.
    void advance(Duration by);
    void advanceSeconds(double s) { advance(seconds(s)); }
    size_t pendingTimers() const;

private:
    struct Timer {
        std::function<void()> task;
        std::shared_ptr<bool> cancelled;
        Duration interval{};
        bool repeats = false;
    };
    TimerHandle schedule(TimePoint due, Duration interval, bool repeats, std::function<void()> task);

    mutable std::mutex mutex_;
    std::thread::id owner_;
    TimePoint now_;
    std::vector<std::function<void()>> queue_;
    std::multimap<std::pair<TimePoint, uint64_t>, Timer> timers_;
    uint64_t sequence_ = 0;
};

}  // namespace ventiq
