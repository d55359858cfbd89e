#include <algorithm>
#include <climits>
#include <cmath>

#include "engine/FanController.h"
#include "platform/NotificationCenter.h"
#include "sensing/TemperatureSource.h"
#include "smc/SMCReading.h"

namespace ventiq {

namespace {
// Nearest whole number, halves away from zero. SMC readings are finite; the
// clamp only keeps an absurd value from overflowing.
int roundHalfAway(double v) {
    return static_cast<int>(std::clamp(std::round(v), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

int clampToFan(int rpm, const FanInfo& fan) { return std::min(std::max(rpm, fan.minRPM), fan.maxRPM); }
}  // namespace

TimePoint FanController::now() const { return loop_.clock().now(); }

void FanController::postDataUpdated() { notifications_.post(Notifications::dataUpdated); }

void FanController::tick() {
    readHardware();
    checkFullSpeedTimeout();
    reconcile(false);
    postDataUpdated();
}

void FanController::applyRefreshInterval() {
    timer_.cancel();
    std::weak_ptr<int> alive = alive_;
    timer_ = loop_.repeating(seconds(prefs_.refreshSeconds()), [this, alive] {
        if (alive.lock()) tick();
    });
}

void FanController::requestReconcile(bool force) {
    reconcileWork_.cancel();
    std::weak_ptr<int> alive = alive_;
    reconcileWork_ = loop_.postAfter(seconds(0.2), [this, alive, force] {
        if (!alive.lock()) return;
        readHardware();
        reconcile(force);
        postDataUpdated();
    });
}

void FanController::readHardware() {
    std::vector<FanInfo> fans;
    if (smc_) {
        const int count = smc_->fanCount();
        fans.reserve(static_cast<size_t>(std::max(count, 0)));
        for (int index = 0; index < count; ++index) {
            const auto reading = smc_->fanReading(index);
            if (!reading) continue;
            FanInfo info;
            info.index = index;
            // A stopped fan can read slightly below zero; a speed is never negative.
            info.actual = std::max(roundHalfAway(reading->actual), 0);
            info.target = roundHalfAway(reading->target);
            info.minRPM = roundHalfAway(reading->minRPM);
            info.maxRPM = roundHalfAway(reading->maxRPM);
            info.forced = reading->forced;
            info.actualReady = actualGuards_[index].feed(info.actual);
            fans.push_back(info);
        }
    }
    fans_ = std::move(fans);
    temps_ = sensors_.read();
    updateHeatState();
}

void FanController::updateHeatState() {
    const std::optional<double> t = temps_.cpuMax;
    if (t) {
        if (!protectionActive_ && *t >= protectionOnTemp) {
            protectionActive_ = true;
        } else if (protectionActive_ && *t < protectionOnTemp - protectionHysteresis) {
            protectionActive_ = false;
        }
    }
    if (preset_ == FanPreset::mySettings) {
        ladderTier_ = TempLadder::tier(ladderTier_, t, ladder2_, ladder3_);
        sustainedState_ = TempLadder::sustained(sustainedState_, now(), t, ladder3_, sustainedMaxOn_, sustainedMinutes_);
    } else {
        ladderTier_ = 1;
        sustainedState_ = {};
    }
}

void FanController::checkFullSpeedTimeout() {
    if (preset_ != FanPreset::fullSpeed || !prefs_.fullSpeedTimeoutOn() || !fullSpeedSince_) return;
    if (now() - *fullSpeedSince_ >= std::chrono::minutes(prefs_.fullSpeedTimeoutMinutes())) {
        setPreset(FanPreset::mySettings);
    }
}

void FanController::onWake() {
    // The machine may have reset the fans while asleep; ask for every fan
    // that is still wanted again.
    lastSent_.clear();
    requestReconcile(true);
}

const FanInfo* FanController::fan(int index) const {
    const auto it = std::find_if(fans_.begin(), fans_.end(), [index](const FanInfo& f) { return f.index == index; });
    return it == fans_.end() ? nullptr : &*it;
}

std::optional<double> FanController::temperature(SensorSource source) const {
    switch (source) {
    case SensorSource::cpuMax: return temps_.cpuMax;
    case SensorSource::cpuAvg: return temps_.cpuAvg;
    case SensorSource::ssd: return temps_.ssd;
    case SensorSource::battery: break;
    }
    return temps_.battery;
}

std::optional<int> FanController::desiredTarget(const FanInfo& fan) const {
    switch (preset_) {
    case FanPreset::auto_: return std::nullopt;
    case FanPreset::fullSpeed: return fan.maxRPM;
    case FanPreset::mySettings: break;
    }
    if (protectionActive_) return fan.maxRPM;
    const bool isLeft = fan.index == 0;
    switch (isLeft ? leftMode_ : rightMode_) {
    case FanMode::auto_: return std::nullopt;
    case FanMode::sensor: return sensorRPM(fan);
    case FanMode::constant: break;
    }
    return clampToFan(ladderRPM(isLeft ? myLeftRPM_ : myRightRPM_, isLeft), fan);
}

std::optional<int> FanController::sensorRPM(const FanInfo& fan) const {
    const auto t = temperature(sensorSource_);
    if (!t) return std::nullopt;
    if (*t <= sensorStartTemp_) return fan.minRPM;
    if (*t >= sensorMaxTemp_) return fan.maxRPM;
    const double span = std::max(sensorMaxTemp_ - sensorStartTemp_, 1.0);
    return fan.minRPM + roundHalfAway((*t - sensorStartTemp_) / span * (fan.maxRPM - fan.minRPM));
}

FanMode FanController::displayMode(bool isLeft) const {
    switch (preset_) {
    case FanPreset::auto_: return FanMode::auto_;
    case FanPreset::fullSpeed: return FanMode::constant;
    case FanPreset::mySettings: break;
    }
    return isLeft ? leftMode_ : rightMode_;
}

int FanController::ladderRPM(int base, bool isLeft) const {
    if (heatMaxActive()) {
        if (const FanInfo* side = fan(isLeft ? 0 : 1)) return side->maxRPM;
    }
    if (!ladderActive()) return base;
    if (!(isLeft ? leftLadderEnabled_ : rightLadderEnabled_)) return base;
    return TempLadder::rpm(ladderTier_, isLeft, base, ladder2_, ladder3_);
}

std::optional<int> FanController::currentRPM(int index) const {
    const FanInfo* f = fan(index);
    if (!f || !f->actualReady) return std::nullopt;
    return f->actual;
}

int FanController::effectiveRPM(int base, bool isLeft) const {
    const int rpm = ladderRPM(base, isLeft);
    const FanInfo* side = fan(isLeft ? 0 : 1);
    return side ? clampToFan(rpm, *side) : rpm;
}

}  // namespace ventiq
