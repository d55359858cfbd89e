#include "platform/CoalescedTask.h"

#include "platform/MainLoop.h"

namespace ventiq {

CoalescedTask::CoalescedTask(MainLoop& loop, std::function<void()> action) : loop_(loop), action_(std::move(action)) {}

void CoalescedTask::schedule() {
    if (pending_) return;
    pending_ = true;
    loop_.post([this, alive = std::weak_ptr<int>(alive_)] {
        if (alive.expired()) return;
        // Cleared first, so the action may ask for another run.
        pending_ = false;
        action_();
    });
}

}  // namespace ventiq
