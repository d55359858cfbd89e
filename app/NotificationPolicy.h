#pragma once
#include <map>
#include <vector>

#include "platform/Clock.h"

namespace ventiq {

// When the application tells the desktop about overheating and failed fan
// control: on the change into or out of a condition, and at most once per
// condition per five minutes, so a temperature hovering at the threshold
// does not turn into a stream of messages.
class NotificationPolicy {
public:
    enum class Kind { overheatStarted, overheatEnded, controlFailed };

    static constexpr Duration minimumGap = std::chrono::minutes(5);

    // Takes the state of one engine update and returns what to show now.
    // With showing off the changes are followed but nothing is returned.
    std::vector<Kind> update(bool protectionActive, bool controlFailed, TimePoint now, bool showing = true);

private:
    bool protection_ = false;
    bool failed_ = false;
    std::map<Kind, TimePoint> lastShown_;
};

}  // namespace ventiq
