#include "engine/RequestTracker.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/PreferenceStore.h"
#include "settings/L10n.h"
#include "settings/PrefKeys.h"

namespace ventiq {

namespace {
// A read-back target this close to the request counts as obeyed; the SMC
// stores the target as a float and may hand back a slightly different value.
constexpr int confirmationTolerance = 4;
constexpr Duration resendInterval = seconds(4);
constexpr Duration failureDelay = seconds(8);
// A fan just handed back may still read as forced for a few ticks before the
// system takes it; that is not another program's doing.
constexpr Duration releaseGrace = seconds(6);
constexpr Duration helperRecheckInterval = seconds(10);
}  // namespace

RequestTracker::RequestTracker(FanHelper& helper, PreferenceStore& store, std::function<void()> dataUpdated)
    : helper_(helper), store_(store), dataUpdated_(std::move(dataUpdated)) {}

RequestTracker::Completion RequestTracker::guarded(Completion body) {
    std::weak_ptr<int> alive = alive_;
    return [alive, body = std::move(body)](bool ok, const std::string& message) {
        if (alive.lock()) body(ok, message);
    };
}

void RequestTracker::pass(const std::vector<FanInfo>& fans, const std::vector<FanDecision::Outcome>& decisions,
                          TimePoint now, bool force) {
    if (!helper_.isReady() && (force || !lastHelperRefresh_ || now - *lastHelperRefresh_ > helperRecheckInterval)) {
        lastHelperRefresh_ = now;
        helper_.refreshState();
    }
    adoptSavedFansIfNeeded(fans);

    std::vector<std::pair<int, int>> wanted;
    for (const auto& decision : decisions) {
        if (decision.rpm) {
            // Wanted again on its way back: asked for afresh like a new fan.
            if (handingBack_.erase(decision.index) > 0) lastSent_.emplace(decision.index, std::nullopt);
            wanted.emplace_back(decision.index, *decision.rpm);
        } else if (holds(decision.index)) {
            handBack(fans, decision.index, now);
        }
    }
    const auto refusal = handBackRefusal();

    if (wanted.empty()) {
        sendError_.reset();
        if (refusal) {
            controlState_ = ControlState::failed(*refusal);
        } else {
            controlState_ = foreignControlSeen(fans, now) ? ControlState::external() : ControlState::system();
        }
    } else if (!helper_.isReady()) {
        controlState_ = ControlState::needsHelper();
    } else {
        bool allConfirmed = true;
        for (const auto& [index, rpm] : wanted) {
            const FanInfo* f = FanDecision::fan(fans, index);
            const bool confirmed = f && f->forced.value_or(false) &&
                                   std::abs(static_cast<long long>(f->target) - rpm) < confirmationTolerance;
            allConfirmed = allConfirmed && confirmed;

            const auto sent = lastSent_.find(index);
            const bool sameRequest = sent != lastSent_.end() && sent->second == rpm;
            if (!sameRequest) pendingSince_[index] = now;
            if (confirmed) {
                pendingSince_.erase(index);
            } else {
                pendingSince_.try_emplace(index, now);
            }

            const auto sentAt = lastSentAt_.find(index);
            const bool sentRecently = sentAt != lastSentAt_.end() && now - sentAt->second < resendInterval;
            if (!force && sameRequest && (confirmed || sentRecently)) continue;

            lastSent_[index] = rpm;
            lastSentAt_[index] = now;
            ++unansweredTargets_[index];
            helper_.setFanTarget(index, rpm, guarded([this, index](bool ok, const std::string& message) {
                if (--unansweredTargets_[index] <= 0) unansweredTargets_.erase(index);
                lastControlMessage_ = message;
                if (ok) {
                    sendError_.reset();
                } else {
                    sendError_ = message;
                    controlState_ = ControlState::failed(message);
                }
                dataUpdated_();
            }));
        }
        helper_.heartbeat();

        const bool overdue = std::any_of(wanted.begin(), wanted.end(), [&](const auto& request) {
            const auto pending = pendingSince_.find(request.first);
            return pending != pendingSince_.end() && now - pending->second > failureDelay;
        });
        if (sendError_) {
            controlState_ = ControlState::failed(*sendError_);
        } else if (refusal) {
            controlState_ = ControlState::failed(*refusal);
        } else if (allConfirmed) {
            controlState_ = ControlState::active();
        } else if (overdue) {
            controlState_ = ControlState::failed(L10n::tr("controlRejected"));
        } else {
            controlState_ = ControlState::applying();
        }
    }
    // Until the fans kept by the last run are taken over, the stored list is
    // the only record of them; a pass that saw no fan must not erase it.
    if (adoptedSavedFans_) persistTakenOverFans();
}

void RequestTracker::handBack(const std::vector<FanInfo>& fans, int index, TimePoint now) {
    if (lastSent_.erase(index) > 0) {
        lastSentAt_.erase(index);
        pendingSince_.erase(index);
    }
    HandBack& state = handingBack_[index];
    // The system has the fan, and no request of ours can still force it.
    const FanInfo* f = FanDecision::fan(fans, index);
    if (f && f->forced == false && !unansweredTargets_.contains(index)) {
        handingBack_.erase(index);
        return;
    }
    // A helper that restarted, or that let go of fans kept over a quit, no
    // longer counts the fan as its own, so nobody else would ever give it
    // back: it stays held until the hand-back can go out.
    if (!helper_.isReady()) return;
    if (state.unanswered && state.sentAt && now - *state.sentAt < resendInterval) return;
    state.sentAt = now;
    state.unanswered = true;
    state.attempt = ++nextAttempt_;
    releasedAt_[index] = now;
    helper_.releaseFan(index, guarded([this, index, attempt = state.attempt](bool ok, const std::string& message) {
        lastControlMessage_ = message;
        const auto it = handingBack_.find(index);
        // An older hand-back's answer says nothing about the latest one.
        if (it != handingBack_.end() && it->second.attempt == attempt) {
            if (ok) {
                handingBack_.erase(it);
                persistTakenOverFans();
            } else {
                it->second.unanswered = false;
                it->second.refusal = message;
                controlState_ = ControlState::failed(message);
            }
        }
        dataUpdated_();
    }));
}

std::optional<std::string> RequestTracker::handBackRefusal() const {
    for (const auto& [index, state] : handingBack_) {
        if (state.refusal) return state.refusal;
    }
    return std::nullopt;
}

bool RequestTracker::foreignControlSeen(const std::vector<FanInfo>& fans, TimePoint now) const {
    return std::any_of(fans.begin(), fans.end(), [&](const FanInfo& f) {
        if (!f.forced.value_or(false) || holds(f.index)) return false;
        const auto released = releasedAt_.find(f.index);
        return released == releasedAt_.end() || now - released->second >= releaseGrace;
    });
}

// Fans kept by the helper when the last run quit are still forced at their
// old targets; treating them as held lets the engine change or hand them back.
void RequestTracker::adoptSavedFansIfNeeded(const std::vector<FanInfo>& fans) {
    if (adoptedSavedFans_ || fans.empty()) return;
    adoptedSavedFans_ = true;
    const auto saved = store_.integerArray(PrefKeys::takenOverFans).value_or(std::vector<int>{});
    for (int index : saved) {
        const FanInfo* f = FanDecision::fan(fans, index);
        if (!f || !f->forced.value_or(false) || holds(index)) continue;
        lastSent_[index] = f->target;
        lastSentAt_.erase(index);
    }
    persistTakenOverFans();
}

void RequestTracker::persistTakenOverFans() {
    std::vector<int> held;
    for (const auto& [index, rpm] : lastSent_) held.push_back(index);
    for (const auto& [index, state] : handingBack_) held.push_back(index);
    std::sort(held.begin(), held.end());
    // Every pass ends here; the file store syncs each write to disk, so an
    // unchanged list is not written again.
    if (store_.integerArray(PrefKeys::takenOverFans) == held) return;
    store_.setIntegerArray(PrefKeys::takenOverFans, held);
}

void RequestTracker::forgetRequests() {
    for (auto& [index, rpm] : lastSent_) rpm.reset();
    lastSentAt_.clear();
    for (auto& [index, state] : handingBack_) state.unanswered = false;
}

void RequestTracker::forgetAll() {
    lastSent_.clear();
    lastSentAt_.clear();
    pendingSince_.clear();
    handingBack_.clear();
}

void RequestTracker::install(Completion then) {
    std::weak_ptr<int> alive = alive_;
    helper_.install([this, alive, then = std::move(then)](bool ok, const std::string& message) {
        if (alive.lock()) {
            lastControlMessage_ = message;
            lastHelperRefresh_.reset();
        }
        then(ok, message);
    });
}

void RequestTracker::uninstall(TimePoint now, Completion then) {
    helper_.releaseAllBlocking(blockingTimeout);
    for (const auto& [index, rpm] : lastSent_) releasedAt_[index] = now;
    for (const auto& [index, state] : handingBack_) releasedAt_[index] = now;
    // The helper is on its way out, and it hands every fan back when it stops.
    forgetAll();
    persistTakenOverFans();
    std::weak_ptr<int> alive = alive_;
    helper_.uninstall([this, alive, then = std::move(then)](bool ok, const std::string& message) {
        if (alive.lock()) lastControlMessage_ = message;
        then(ok, message);
    });
}

void RequestTracker::quit(bool keepFansOnQuit) {
    if (!holdsAny()) return;
    if (keepFansOnQuit && helper_.keepFansOnQuitBlocking(blockingTimeout)) {
        persistTakenOverFans();
        return;
    }
    // Unconfirmed, the fans stay listed: the next start takes over any that
    // still read as forced and gives them back.
    if (helper_.releaseAllBlocking(blockingTimeout)) forgetAll();
    persistTakenOverFans();
}

}  // namespace ventiq
