#include "helper/Executor.h"

#include <future>

namespace ventiq {

SerialExecutor::SerialExecutor() : worker_([this] { run(); }) {}

SerialExecutor::~SerialExecutor() { stop(); }

void SerialExecutor::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void SerialExecutor::post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void SerialExecutor::runSync(std::function<void()> task) {
    std::promise<void> done;
    post([&] {
        task();
        done.set_value();
    });
    done.get_future().wait();
}

void SerialExecutor::scheduleRepeating(std::chrono::milliseconds interval, std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        timers_.push_back({std::chrono::steady_clock::now() + interval, interval, std::move(task)});
    }
    wake_.notify_one();
}

void SerialExecutor::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const auto now = std::chrono::steady_clock::now();
        Timer* due = nullptr;
        for (auto& t : timers_) {
            if (due == nullptr || t.due < due->due) due = &t;
        }
        // A due timer goes before queued tasks, so a flood of requests cannot
        // hold the watchdog off.
        if (due != nullptr && due->due <= now) {
            // Fixed rate from the first deadline; a late run does not pile up
            // the missed ones.
            while (due->due <= now) due->due += due->interval;
            auto task = due->task;
            lock.unlock();
            task();
            lock.lock();
            continue;
        }
        if (!tasks_.empty()) {
            auto task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
            lock.lock();
            continue;
        }
        if (due != nullptr) {
            wake_.wait_until(lock, due->due);
        } else {
            wake_.wait(lock);
        }
    }
}

}  // namespace ventiq
