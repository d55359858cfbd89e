#pragma once
#include <functional>

#include "helper/Executor.h"

namespace ventiq {

// The helper runs its fan service on a serial queue; in one process with
// virtual time the queue can simply run each task at once.
class InlineExecutor final : public Executor {
public:
    void post(std::function<void()> task) override { task(); }
    void runSync(std::function<void()> task) override { task(); }
};

}  // namespace ventiq
