#include "platform/ManualLoop.h"

#include <algorithm>

namespace ventiq {

ManualLoop::ManualLoop() : owner_(std::this_thread::get_id()), now_(TimePoint{} + std::chrono::hours(24 * 365)) {}

TimePoint ManualLoop::now() const {
    std::lock_guard g(mutex_);
    return now_;
}

void ManualLoop::post(std::function<void()> task) {
    std::lock_guard g(mutex_);
    queue_.push_back(std::move(task));
}

TimerHandle ManualLoop::schedule(TimePoint due, Duration interval, bool repeats, std::function<void()> task) {
    auto cancelled = std::make_shared<bool>(false);
    std::lock_guard g(mutex_);
    timers_.emplace(std::make_pair(due, sequence_++), Timer{std::move(task), cancelled, interval, repeats});
    return TimerHandle(cancelled);
}

TimerHandle ManualLoop::postAfter(Duration delay, std::function<void()> task) {
    return schedule(now() + delay, {}, false, std::move(task));
}

TimerHandle ManualLoop::repeating(Duration interval, std::function<void()> task) {
    // A zero interval would spin the loop; the shortest tick is a millisecond.
    interval = std::max<Duration>(interval, std::chrono::milliseconds(1));
    return schedule(now() + interval, interval, true, std::move(task));
}

void ManualLoop::runPending() {
    for (;;) {
        std::vector<std::function<void()>> batch;
        {
            std::lock_guard g(mutex_);
            if (queue_.empty()) return;
            batch.swap(queue_);
        }
        for (auto& task : batch) task();
    }
}

void ManualLoop::advance(Duration by) {
    runPending();
    TimePoint end;
    {
        std::lock_guard g(mutex_);
        end = now_ + by;
    }
    for (;;) {
        Timer timer;
        {
            std::lock_guard g(mutex_);
            while (!timers_.empty() && *timers_.begin()->second.cancelled) timers_.erase(timers_.begin());
            if (timers_.empty() || timers_.begin()->first.first > end) {
                now_ = end;
                break;
            }
            auto node = timers_.extract(timers_.begin());
            now_ = node.key().first;
            timer = std::move(node.mapped());
            if (timer.repeats) {
                timers_.emplace(std::make_pair(now_ + timer.interval, sequence_++), timer);
            }
        }
        timer.task();
        runPending();
    }
    runPending();
}

size_t ManualLoop::pendingTimers() const {
    std::lock_guard g(mutex_);
    size_t n = 0;
    for (const auto& [key, timer] : timers_) n += *timer.cancelled ? 0 : 1;
    return n;
}

}  // namespace ventiq
