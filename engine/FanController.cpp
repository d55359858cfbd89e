#include "engine/FanController.h"

#include <algorithm>
#include <stdexcept>

#include "platform/NotificationCenter.h"
#include "sensing/TemperatureSource.h"
#include "smc/SMCReading.h"

namespace ventiq {

namespace {
FanController* sharedController = nullptr;
}  // namespace

FanController::FanController(SMCReading* smc, FanHelper& helper, TemperatureSource& sensors, bool startTimer,
                             PreferenceStore& defaults, MainLoop& loop, NotificationCenter& notifications)
    : smc_(smc),
      helper_(helper),
      sensors_(sensors),
      loop_(loop),
      notifications_(notifications),
      prefs_(defaults),
      settings_(defaults, [this](ControlSettings::Change change, FanPreset before) { settingChanged(change, before); }),
      tracker_(helper, defaults, [this] { postDataUpdated(); }) {
    settings_.load();
    // The full-speed timeout counts from the start of the program.
    if (preset() == FanPreset::fullSpeed) heat_.enterFullSpeed(now());
    if (startTimer) {
        applyRefreshInterval();
        readHardware();
        checkFullSpeedTimeout();
        reconcile(false);
        postDataUpdated();
    }
}

FanController::~FanController() {
    timer_.cancel();
    reconcileWork_.cancel();
    if (sharedController == this) sharedController = nullptr;
}

FanController& FanController::shared() {
    if (!sharedController) throw std::logic_error("FanController::shared() used before the application built the engine");
    return *sharedController;
}

void FanController::setShared(FanController* controller) { sharedController = controller; }

TimePoint FanController::now() const { return loop_.clock().now(); }

void FanController::postDataUpdated() { notifications_.post(Notifications::dataUpdated); }

void FanController::settingChanged(ControlSettings::Change change, FanPreset presetBefore) {
    using Change = ControlSettings::Change;
    const bool custom = preset() == FanPreset::mySettings;
    switch (change) {
    case Change::preset:
        if (preset() == FanPreset::fullSpeed) {
            // Choosing full speed again must not restart its timeout.
            if (presetBefore != FanPreset::fullSpeed) heat_.enterFullSpeed(now());
        } else {
            heat_.leaveFullSpeed();
        }
        requestReconcile(true);
        return;
    case Change::speed:
    case Change::ladder:
        if (custom) requestReconcile(false);
        return;
    case Change::mode:
    case Change::ladderSwitch:
        if (custom) requestReconcile(true);
        return;
    case Change::sensorCurve:
        // Every pass reads the curve afresh, so the next tick picks it up
        // without an extra pass.
        return;
    case Change::sustainedHeat:
        heat_.resetSustained();
        if (custom) requestReconcile(false);
        return;
    }
}

void FanController::setPreset(FanPreset value) { settings_.setPreset(value); }
void FanController::setMyLeftRPM(int value) { settings_.setMyLeftRPM(value); }
void FanController::setMyRightRPM(int value) { settings_.setMyRightRPM(value); }
void FanController::setLeftMode(FanMode value) { settings_.setLeftMode(value); }
void FanController::setRightMode(FanMode value) { settings_.setRightMode(value); }
void FanController::setLeftLadderEnabled(bool value) { settings_.setLeftLadderEnabled(value); }
void FanController::setRightLadderEnabled(bool value) { settings_.setRightLadderEnabled(value); }
void FanController::setSensorStartTemp(double value) { settings_.setSensorStartTemp(value); }
void FanController::setSensorMaxTemp(double value) { settings_.setSensorMaxTemp(value); }
void FanController::setSensorSource(SensorSource value) { settings_.setSensorSource(value); }
void FanController::setLadder2(const LadderTier& value) { settings_.setLadder2(value); }
void FanController::setLadder3(const LadderTier& value) { settings_.setLadder3(value); }
void FanController::setSustainedMaxOn(bool value) { settings_.setSustainedMaxOn(value); }
void FanController::setSustainedMinutes(int value) { settings_.setSustainedMinutes(value); }

bool FanController::helperReady() const { return helper_.isReady(); }
bool FanController::helperInstalling() const { return helper_.isInstalling(); }
std::string FanController::helperStatusText() const { return helper_.statusText(); }

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
    heat_.advance(temps_.cpuMax, settings(), now());
}

void FanController::checkFullSpeedTimeout() {
    if (preset() != FanPreset::fullSpeed || !prefs_.fullSpeedTimeoutOn()) return;
    if (heat_.fullSpeedExpired(now(), prefs_.fullSpeedTimeoutMinutes())) setPreset(FanPreset::mySettings);
}

void FanController::onWake() {
    // The machine may have reset the fans while asleep; ask for every fan
    // that is still wanted again.
    tracker_.forgetRequests();
    requestReconcile(true);
}

FanDecision::Inputs FanController::decisionInputs() const {
    return {fans_, temps_, settings(), {heat_.ladderTier(), heat_.protectionActive(), heat_.sustained().hold}};
}

const FanInfo* FanController::fan(int index) const { return FanDecision::fan(fans_, index); }

std::optional<double> FanController::temperature(SensorSource source) const {
    return FanDecision::temperature(temps_, source);
}

std::optional<int> FanController::desiredTarget(const FanInfo& fan) const {
    return FanDecision::target(fan, decisionInputs());
}

std::optional<int> FanController::sensorRPM(const FanInfo& fan) const {
    return FanDecision::sensorRPM(fan, decisionInputs());
}

FanMode FanController::displayMode(bool isLeft) const { return FanDecision::displayMode(isLeft, settings()); }

int FanController::ladderRPM(int base, bool isLeft) const { return FanDecision::ladderRPM(base, isLeft, decisionInputs()); }

std::optional<int> FanController::currentRPM(int index) const {
    const FanInfo* f = fan(index);
    if (!f || !f->actualReady) return std::nullopt;
    return f->actual;
}

void FanController::setControlOn(bool on) { setPreset(on ? lastActivePreset() : FanPreset(FanPreset::auto_)); }

void FanController::setFanFixedRPM(int index, int rpm) {
    if (index != 0 && index != 1) return;
    const FanInfo* chosen = fan(index);
    if (!chosen) return;
    const int clamped = std::min(std::max(rpm, chosen->minRPM), chosen->maxRPM);
    if (preset() != FanPreset::mySettings) {
        // Keep what the user sees on the other fan: leaving Auto keeps it
        // with the system, leaving Full Speed keeps it at its maximum.
        if (const FanInfo* left = fan(0)) {
            const int maxRPM = left->maxRPM;
            setLeftMode(displayMode(true));
            if (leftMode() == FanMode::constant) setMyLeftRPM(maxRPM);
        }
        if (const FanInfo* right = fan(1)) {
            const int maxRPM = right->maxRPM;
            setRightMode(displayMode(false));
            if (rightMode() == FanMode::constant) setMyRightRPM(maxRPM);
        }
    }
    if (index == 0) {
        setLeftMode(FanMode::constant);
        setMyLeftRPM(clamped);
    } else {
        setRightMode(FanMode::constant);
        setMyRightRPM(clamped);
    }
    if (preset() != FanPreset::mySettings) setPreset(FanPreset::mySettings);
}

void FanController::saveCurrentAsMySettings() {
    if (const FanInfo* left = fan(0); left && left->actualReady) setMyLeftRPM(left->actual);
    if (const FanInfo* right = fan(1); right && right->actualReady) setMyRightRPM(right->actual);
    setPreset(FanPreset::mySettings);
}

void FanController::reconcile(bool force) {
    tracker_.pass(fans_, FanDecision::decide(decisionInputs()), now(), force);
}

void FanController::retryApply() {
    tracker_.forgetRequests();
    requestReconcile(true);
}

void FanController::enableFanControl(Completion completion) {
    std::weak_ptr<int> alive = alive_;
    tracker_.install([this, alive, completion](bool ok, const std::string& message) {
        if (alive.lock()) requestReconcile(true);
        if (completion) completion(ok, message);
    });
}

void FanController::disableFanControl(Completion completion) {
    std::weak_ptr<int> alive = alive_;
    tracker_.uninstall(now(), [this, alive, completion](bool ok, const std::string& message) {
        if (alive.lock()) requestReconcile(true);
        if (completion) completion(ok, message);
    });
}

void FanController::shutdown() {
    timer_.cancel();
    // A pass still pending would request the fans again after they were
    // handed back.
    reconcileWork_.cancel();
    tracker_.quit(prefs_.keepFansOnQuit());
}

}  // namespace ventiq
