#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "engine/FanController.h"
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

FanController::Completion FanController::guarded(std::function<void(bool, const std::string&)> body) {
    std::weak_ptr<int> alive = alive_;
    return [alive, body = std::move(body)](bool ok, const std::string& message) {
        if (alive.lock()) body(ok, message);
    };
}

void FanController::reconcile(bool force) {
    const TimePoint t = now();
    if (!helper_.isReady() && (force || !lastHelperRefresh_ || t - *lastHelperRefresh_ > helperRecheckInterval)) {
        lastHelperRefresh_ = t;
        helper_.refreshState();
    }
    adoptSavedFansIfNeeded();

    std::vector<std::pair<int, int>> wanted;
    std::vector<int> handBack;
    for (const FanInfo& f : fans_) {
        if (const auto rpm = desiredTarget(f)) {
            wanted.emplace_back(f.index, *rpm);
        } else if (lastSent_.contains(f.index)) {
            handBack.push_back(f.index);
        }
    }

    for (int index : handBack) {
        // A helper that restarted, or that let go of fans kept over a quit,
        // no longer counts the fan as its own, so nobody else would ever give
        // it back: it stays held until the hand-back can go out.
        if (!helper_.isReady()) continue;
        lastSent_.erase(index);
        lastSentAt_.erase(index);
        pendingSince_.erase(index);
        releasedAt_[index] = t;
        helper_.releaseFan(index, guarded([this](bool ok, const std::string& message) {
            lastControlMessage_ = message;
            if (!ok) sendError_ = message;
            postDataUpdated();
        }));
    }

    if (wanted.empty()) {
        sendError_.reset();
        controlState_ = foreignControlSeen(t) ? ControlState::external() : ControlState::system();
    } else if (!helper_.isReady()) {
        controlState_ = ControlState::needsHelper();
    } else {
        bool allConfirmed = true;
        for (const auto& [index, rpm] : wanted) {
            const FanInfo* f = fan(index);
            const bool confirmed = f && f->forced.value_or(false) &&
                                   std::abs(static_cast<long long>(f->target) - rpm) < confirmationTolerance;
            allConfirmed = allConfirmed && confirmed;

            const auto sent = lastSent_.find(index);
            const bool sameRequest = sent != lastSent_.end() && sent->second == rpm;
            if (!sameRequest) pendingSince_[index] = t;
            if (confirmed) {
                pendingSince_.erase(index);
            } else {
                pendingSince_.try_emplace(index, t);
            }

            const auto sentAt = lastSentAt_.find(index);
            const bool sentRecently = sentAt != lastSentAt_.end() && t - sentAt->second < resendInterval;
            if (!force && sameRequest && (confirmed || sentRecently)) continue;

            lastSent_[index] = rpm;
            lastSentAt_[index] = t;
            helper_.setFanTarget(index, rpm, guarded([this](bool ok, const std::string& message) {
                lastControlMessage_ = message;
                if (ok) {
                    sendError_.reset();
                } else {
                    sendError_ = message;
                    controlState_ = ControlState::failed(message);
                }
                postDataUpdated();
            }));
        }
        helper_.heartbeat();

        const bool overdue = std::any_of(wanted.begin(), wanted.end(), [&](const auto& request) {
            const auto pending = pendingSince_.find(request.first);
            return pending != pendingSince_.end() && t - pending->second > failureDelay;
        });
        if (sendError_) {
            controlState_ = ControlState::failed(*sendError_);
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

bool FanController::foreignControlSeen(TimePoint t) const {
    return std::any_of(fans_.begin(), fans_.end(), [&](const FanInfo& f) {
        if (!f.forced.value_or(false) || lastSent_.contains(f.index)) return false;
        const auto released = releasedAt_.find(f.index);
        return released == releasedAt_.end() || t - released->second >= releaseGrace;
    });
}

// Fans kept by the helper when the last run quit are still forced at their
// old targets; treating them as held lets the engine change or hand them back.
void FanController::adoptSavedFansIfNeeded() {
    if (adoptedSavedFans_ || fans_.empty()) return;
    adoptedSavedFans_ = true;
    const auto saved = defaults_.integerArray(PrefKeys::takenOverFans).value_or(std::vector<int>{});
    for (int index : saved) {
        const FanInfo* f = fan(index);
        if (!f || !f->forced.value_or(false) || lastSent_.contains(index)) continue;
        lastSent_[index] = f->target;
        lastSentAt_.erase(index);
    }
    persistTakenOverFans();
}

void FanController::persistTakenOverFans() {
    std::vector<int> held;
    held.reserve(lastSent_.size());
    for (const auto& [index, rpm] : lastSent_) held.push_back(index);
    // Every pass ends here; the file store syncs each write to disk, so an
    // unchanged list is not written again.
    if (defaults_.integerArray(PrefKeys::takenOverFans) == held) return;
    defaults_.setIntegerArray(PrefKeys::takenOverFans, held);
}

void FanController::retryApply() {
    lastSent_.clear();
    requestReconcile(true);
}

void FanController::enableFanControl(Completion completion) {
    std::weak_ptr<int> alive = alive_;
    helper_.install([this, alive, completion](bool ok, const std::string& message) {
        if (alive.lock()) {
            lastControlMessage_ = message;
            lastHelperRefresh_.reset();
            requestReconcile(true);
        }
        if (completion) completion(ok, message);
    });
}

void FanController::disableFanControl(Completion completion) {
    helper_.releaseAllBlocking(blockingTimeout);
    const TimePoint t = now();
    for (const auto& [index, rpm] : lastSent_) releasedAt_[index] = t;
    lastSent_.clear();
    persistTakenOverFans();
    std::weak_ptr<int> alive = alive_;
    helper_.uninstall([this, alive, completion](bool ok, const std::string& message) {
        if (alive.lock()) {
            lastControlMessage_ = message;
            requestReconcile(true);
        }
        if (completion) completion(ok, message);
    });
}

void FanController::shutdown() {
    timer_.cancel();
    // A pass still pending would request the fans again after they were
    // handed back.
    reconcileWork_.cancel();
    if (lastSent_.empty()) return;
    if (prefs_.keepFansOnQuit() && helper_.keepFansOnQuitBlocking(blockingTimeout)) {
        persistTakenOverFans();
        return;
    }
    // Unconfirmed, the fans stay listed: the next start takes over any that
    // still read as forced and gives them back.
    if (helper_.releaseAllBlocking(blockingTimeout)) lastSent_.clear();
    persistTakenOverFans();
}

}  // namespace ventiq
