#pragma once
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/ControlState.h"
#include "engine/FanDecision.h"
#include "engine/FanHelper.h"
#include "engine/FanInfo.h"
#include "platform/Clock.h"

namespace ventiq {

class PreferenceStore;

// Turns the fan decisions into requests to the helper and judges from the
// readback whether they took: which fans the engine holds, what was sent to
// each and when, the grace after a hand-back, and the list of held fans kept
// in the preference store so that a later start can take them over.
class RequestTracker {
public:
    using Completion = FanHelper::Completion;

    // helper and store must outlive the tracker. dataUpdated runs after every
    // answer from the helper that changed something shown.
    RequestTracker(FanHelper& helper, PreferenceStore& store, std::function<void()> dataUpdated);
    RequestTracker(const RequestTracker&) = delete;
    RequestTracker& operator=(const RequestTracker&) = delete;

    const ControlState& controlState() const { return controlState_; }
    const std::string& lastControlMessage() const { return lastControlMessage_; }

    // One pass over the fans of the last reading and what the decision wants
    // for each. With force every wanted fan is asked for again and a helper
    // that is not ready is re-checked at once.
    void pass(const std::vector<FanInfo>& fans, const std::vector<FanDecision::Outcome>& decisions, TimePoint now,
              bool force);
    // Forgets what was sent, so the next forced pass asks for every wanted fan again.
    void forgetRequests();

    // Installs the helper; then runs after the tracker has taken note of the answer.
    void install(Completion then);
    // Hands every fan back (waiting at most blockingTimeout), forgets them and
    // removes the helper; then runs after the tracker has noted the answer.
    void uninstall(TimePoint now, Completion then);
    // The engine's last act: keeps the held fans over the quit when asked to
    // and the helper agrees, else hands them all back.
    void quit(bool keepFansOnQuit);

private:
    static constexpr double blockingTimeout = 1.5;

    void adoptSavedFansIfNeeded(const std::vector<FanInfo>& fans);
    bool foreignControlSeen(const std::vector<FanInfo>& fans, TimePoint now) const;
    void persistTakenOverFans();
    // Wraps a completion so that it does nothing once the tracker is gone.
    Completion guarded(Completion body);

    FanHelper& helper_;
    PreferenceStore& store_;
    std::function<void()> dataUpdated_;

    ControlState controlState_ = ControlState::system();
    std::string lastControlMessage_;

    // A fan counts as held exactly while it has a lastSent_ entry; an absent
    // time stands for the distant past.
    std::map<int, int> lastSent_;
    std::map<int, TimePoint> lastSentAt_;
    std::map<int, TimePoint> pendingSince_;
    std::optional<std::string> sendError_;
    std::optional<TimePoint> lastHelperRefresh_;
    std::map<int, TimePoint> releasedAt_;
    bool adoptedSavedFans_ = false;

    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace ventiq
