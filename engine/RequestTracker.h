#pragma once
#include <cstdint>
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
//
// A fan stays in the engine's care until the helper confirmed its hand-back
// or its readback shows that the system has it. A refused hand-back goes out
// again on the next pass, an unanswered one after the resend interval: while
// the engine still sends heartbeats for other fans, the helper's watchdog
// would never give a forgotten fan back.
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
    // Forgets what was sent, so the next forced pass asks for every wanted fan
    // again and hands back at once every held fan that is no longer wanted.
    // The fans stay in the engine's care.
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

    // A held fan on its way back to the system.
    struct HandBack {
        std::optional<TimePoint> sentAt;
        // Whether the last hand-back still waits for its answer.
        bool unanswered = false;
        // Tells the answer to the latest hand-back from older ones.
        uint64_t attempt = 0;
        // The helper's message when it refused the last hand-back.
        std::optional<std::string> refusal;
    };

    bool holds(int index) const { return lastSent_.contains(index) || handingBack_.contains(index); }
    bool holdsAny() const { return !lastSent_.empty() || !handingBack_.empty(); }
    void handBack(const std::vector<FanInfo>& fans, int index, TimePoint now);
    // The message of a refused hand-back whose fan is still forced.
    std::optional<std::string> handBackRefusal() const;
    void forgetAll();
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

    // The held fans that are wanted, with the speed last asked for; absent
    // after the requests were forgotten. An absent time stands for the
    // distant past.
    std::map<int, std::optional<int>> lastSent_;
    std::map<int, TimePoint> lastSentAt_;
    std::map<int, TimePoint> pendingSince_;
    std::optional<std::string> sendError_;
    // The held fans no longer wanted, until the system has them.
    std::map<int, HandBack> handingBack_;
    uint64_t nextAttempt_ = 0;
    // Requests to hold a fan still waiting for their answer, per fan: one of
    // them may still force a fan that already reads automatic.
    std::map<int, int> unansweredTargets_;
    std::optional<TimePoint> lastHelperRefresh_;
    std::map<int, TimePoint> releasedAt_;
    bool adoptedSavedFans_ = false;

    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace ventiq
