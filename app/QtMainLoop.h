#pragma once
#include "platform/MainLoop.h"

class QObject;

namespace ventiq {

// The main loop on Qt's event loop: tasks and timers run on the thread that
// built the loop (the GUI thread), posts may come from any thread.
class QtMainLoop final : public MainLoop {
public:
    explicit QtMainLoop(const Clock& clock = SteadyClock::shared());
    ~QtMainLoop() override;
    QtMainLoop(const QtMainLoop&) = delete;
    QtMainLoop& operator=(const QtMainLoop&) = delete;

    void post(std::function<void()> task) override;
    TimerHandle postAfter(Duration delay, std::function<void()> task) override;
    TimerHandle repeating(Duration interval, std::function<void()> task) override;
    const Clock& clock() const override { return clock_; }
    bool isLoopThread() const override;

private:
    const Clock& clock_;
    // Parent of every timer, so that they die with the loop.
    QObject* context_;
};

}  // namespace ventiq
