#pragma once
// A serial executor that runs its tasks only when the test says so, on the
// test's own thread.
#include <deque>
#include <functional>

#include "helper/Executor.h"

namespace ventiq::testing {

class ManualExecutor final : public Executor {
public:
    void post(std::function<void()> task) override { tasks_.push_back(std::move(task)); }
    void runSync(std::function<void()> task) override {
        runAll();
        task();
    }
    // Runs queued tasks, including those they post, until none is left.
    int runAll() {
        int ran = 0;
        while (!tasks_.empty()) {
            auto task = std::move(tasks_.front());
            tasks_.pop_front();
            task();
            ++ran;
        }
        return ran;
    }
    size_t pending() const { return tasks_.size(); }

private:
    std::deque<std::function<void()>> tasks_;
};

}  // namespace ventiq::testing
