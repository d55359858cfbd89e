#pragma once
#include <functional>
#include <memory>

namespace ventiq {

class MainLoop;

// An action that runs once on a later turn of the loop however often it was
// asked for before then, so a burst of changes in one turn gives one result.
// A turn that comes after this object is gone runs nothing.
class CoalescedTask {
public:
    CoalescedTask(MainLoop& loop, std::function<void()> action);
    CoalescedTask(const CoalescedTask&) = delete;
    CoalescedTask& operator=(const CoalescedTask&) = delete;

    // Call on the loop's thread.
    void schedule();

private:
    MainLoop& loop_;
    std::function<void()> action_;
    bool pending_ = false;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace ventiq
