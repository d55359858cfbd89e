#pragma once
// Serial execution for the fan service: every task runs alone, in the order
// it was posted, so the service's state needs no lock.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace ventiq {

class Executor {
public:
    virtual ~Executor() = default;
    virtual void post(std::function<void()> task) = 0;
    // Runs the task on the executor and waits for it; tasks posted before it
    // finish first. Never call it from a task of the same executor.
    virtual void runSync(std::function<void()> task) = 0;
};

// One worker thread with a task queue and repeating timers.
class SerialExecutor final : public Executor {
public:
    SerialExecutor();
    // Stops the worker; tasks still queued are dropped.
    ~SerialExecutor() override;
    // The same, earlier: once it returns no task runs any more.
    void stop();
    SerialExecutor(const SerialExecutor&) = delete;
    SerialExecutor& operator=(const SerialExecutor&) = delete;

    void post(std::function<void()> task) override;
    void runSync(std::function<void()> task) override;
    // First run one interval from now, then every interval, on the worker.
    void scheduleRepeating(std::chrono::milliseconds interval, std::function<void()> task);

private:
    struct Timer {
        std::chrono::steady_clock::time_point due;
        std::chrono::milliseconds interval;
        std::function<void()> task;
    };
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    std::vector<Timer> timers_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace ventiq
