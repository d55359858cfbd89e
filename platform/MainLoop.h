#pragma once
#include <functional>
#include <memory>

#include "platform/Clock.h"

namespace ventiq {

// Handle of a delayed task or a repeating timer. Cancelling is idempotent;
// dropping the handle does not cancel.
class TimerHandle {
public:
    TimerHandle() = default;
    explicit TimerHandle(std::shared_ptr<bool> cancelled) : cancelled_(std::move(cancelled)) {}
    void cancel() {
        if (cancelled_) *cancelled_ = true;
    }
    bool isActive() const { return cancelled_ && !*cancelled_; }

private:
    std::shared_ptr<bool> cancelled_;
};

// The application's main loop. post() may be called from any thread; the
// timers are created and cancelled on the loop's own thread.
class MainLoop {
public:
    virtual ~MainLoop() = default;
    virtual void post(std::function<void()> task) = 0;
    virtual TimerHandle postAfter(Duration delay, std::function<void()> task) = 0;
    virtual TimerHandle repeating(Duration interval, std::function<void()> task) = 0;
    virtual const Clock& clock() const = 0;
    // True when called on the loop's own thread.
    virtual bool isLoopThread() const = 0;
};

}  // namespace ventiq
