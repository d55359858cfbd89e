#include "engine/FanController.h"

#include <algorithm>
#include <stdexcept>

#include "platform/NotificationCenter.h"
#include "platform/PreferenceStore.h"
#include "settings/PrefKeys.h"

namespace ventiq {

namespace {
FanController* sharedController = nullptr;

struct LadderKeys {
    const char* on;
    const char* temp;
    const char* left;
    const char* right;
};
constexpr LadderKeys ladder2Keys{PrefKeys::ladder2On, PrefKeys::ladder2Temp, PrefKeys::ladder2L, PrefKeys::ladder2R};
constexpr LadderKeys ladder3Keys{PrefKeys::ladder3On, PrefKeys::ladder3Temp, PrefKeys::ladder3L, PrefKeys::ladder3R};

// Each field on its own; a missing one keeps its default. Reports whether any
// field was stored.
bool readLadder(const PreferenceStore& store, const LadderKeys& keys, LadderTier& tier) {
    const auto on = store.flag(keys.on);
    const auto temp = store.integer(keys.temp);
    const auto left = store.integer(keys.left);
    const auto right = store.integer(keys.right);
    tier.enabled = on.value_or(tier.enabled);
    tier.tempC = temp.value_or(tier.tempC);
    tier.left = left.value_or(tier.left);
    tier.right = right.value_or(tier.right);
    return on || temp || left || right;
}
}  // namespace

FanController::FanController(SMCReading* smc, FanHelper& helper, TemperatureSource& sensors, bool startTimer,
                             PreferenceStore& defaults, MainLoop& loop, NotificationCenter& notifications)
    : smc_(smc),
      helper_(helper),
      sensors_(sensors),
      defaults_(defaults),
      loop_(loop),
      notifications_(notifications),
      prefs_(defaults) {
    loadSettings();
    // The full-speed timeout counts from the start of the program.
    if (preset_ == FanPreset::fullSpeed) fullSpeedSince_ = now();
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

// Accepted values go through the same handlers as a user change, so they are
// written back and may schedule a pass; absent or refused ones run nothing.
void FanController::loadSettings() {
    if (!defaults_.flag(PrefKeys::realControlV1)) {
        // A preset stored before this version held the fans for real must
        // not take them over unasked on the first run.
        defaults_.setFlag(PrefKeys::realControlV1, true);
        defaults_.setInteger(PrefKeys::preset, FanPreset(FanPreset::auto_).rawValue());
    }
    if (const auto raw = defaults_.integer(PrefKeys::preset)) {
        if (const auto p = FanPreset::fromRawValue(*raw)) setPreset(*p);
    }
    const auto lastRaw = defaults_.integer(PrefKeys::lastActivePreset);
    if (lastRaw && (*lastRaw == FanPreset::mySettings || *lastRaw == FanPreset::fullSpeed)) {
        lastActivePreset_ = *FanPreset::fromRawValue(*lastRaw);
    } else if (preset_ != FanPreset::auto_) {
        lastActivePreset_ = preset_;
    }
    if (const auto v = defaults_.integer(PrefKeys::myLeftRPM)) setMyLeftRPM(*v);
    if (const auto v = defaults_.integer(PrefKeys::myRightRPM)) setMyRightRPM(*v);
    if (const auto v = defaults_.integer(PrefKeys::leftMode)) {
        if (const auto m = FanMode::fromRawValue(*v)) setLeftMode(*m);
    }
    if (const auto v = defaults_.integer(PrefKeys::rightMode)) {
        if (const auto m = FanMode::fromRawValue(*v)) setRightMode(*m);
    }
    if (const auto v = defaults_.flag(PrefKeys::leftLadderEnabled)) setLeftLadderEnabled(*v);
    if (const auto v = defaults_.flag(PrefKeys::rightLadderEnabled)) setRightLadderEnabled(*v);
    if (const auto v = defaults_.number(PrefKeys::sensorStart)) setSensorStartTemp(*v);
    if (const auto v = defaults_.number(PrefKeys::sensorMax)) setSensorMaxTemp(*v);
    if (const auto v = defaults_.integer(PrefKeys::sensorSource)) {
        if (const auto s = SensorSource::fromRawValue(*v)) setSensorSource(*s);
    }

    LadderTier tier2 = ladder2_;
    LadderTier tier3 = ladder3_;
    const bool stored2 = readLadder(defaults_, ladder2Keys, tier2);
    const bool stored3 = readLadder(defaults_, ladder3Keys, tier3);
    const auto [normal2, normal3] = TempLadder::normalized(tier2, tier3, true);
    if (stored2 || normal2 != ladder2_) setLadder2(normal2);
    if (stored3 || normal3 != ladder3_) setLadder3(normal3);

    if (const auto v = defaults_.flag(PrefKeys::ladderMaxOn)) setSustainedMaxOn(*v);
    if (const auto v = defaults_.integer(PrefKeys::ladderMaxMin)) {
        setSustainedMinutes(TempLadder::sustainedMinutesRange.clamp(*v));
    }
}

void FanController::setPreset(FanPreset value) {
    const FanPreset old = preset_;
    preset_ = value;
    defaults_.setInteger(PrefKeys::preset, value.rawValue());
    if (value != FanPreset::auto_) {
        lastActivePreset_ = value;
        defaults_.setInteger(PrefKeys::lastActivePreset, value.rawValue());
    }
    if (value == FanPreset::fullSpeed) {
        // Choosing full speed again must not restart its timeout.
        if (old == FanPreset::fullSpeed) {
            requestReconcile(true);
            return;
        }
        fullSpeedSince_ = now();
    } else {
        fullSpeedSince_.reset();
    }
    requestReconcile(true);
}

void FanController::setMyLeftRPM(int value) {
    myLeftRPM_ = value;
    defaults_.setInteger(PrefKeys::myLeftRPM, value);
    if (preset_ == FanPreset::mySettings) requestReconcile(false);
}

void FanController::setMyRightRPM(int value) {
    myRightRPM_ = value;
    defaults_.setInteger(PrefKeys::myRightRPM, value);
    if (preset_ == FanPreset::mySettings) requestReconcile(false);
}

void FanController::setLeftMode(FanMode value) {
    leftMode_ = value;
    defaults_.setInteger(PrefKeys::leftMode, value.rawValue());
    if (preset_ == FanPreset::mySettings) requestReconcile(true);
}

void FanController::setRightMode(FanMode value) {
    rightMode_ = value;
    defaults_.setInteger(PrefKeys::rightMode, value.rawValue());
    if (preset_ == FanPreset::mySettings) requestReconcile(true);
}

void FanController::setLeftLadderEnabled(bool value) {
    leftLadderEnabled_ = value;
    defaults_.setFlag(PrefKeys::leftLadderEnabled, value);
    if (preset_ == FanPreset::mySettings) requestReconcile(true);
}

void FanController::setRightLadderEnabled(bool value) {
    rightLadderEnabled_ = value;
    defaults_.setFlag(PrefKeys::rightLadderEnabled, value);
    if (preset_ == FanPreset::mySettings) requestReconcile(true);
}

// The sensor curve is read afresh by every pass, so the next tick picks
// these up without an extra pass.
void FanController::setSensorStartTemp(double value) {
    sensorStartTemp_ = value;
    defaults_.setNumber(PrefKeys::sensorStart, value);
}

void FanController::setSensorMaxTemp(double value) {
    sensorMaxTemp_ = value;
    defaults_.setNumber(PrefKeys::sensorMax, value);
}

void FanController::setSensorSource(SensorSource value) {
    sensorSource_ = value;
    defaults_.setInteger(PrefKeys::sensorSource, value.rawValue());
}

void FanController::writeLadder(int number, const LadderTier& tier) {
    const LadderKeys& keys = number == 2 ? ladder2Keys : ladder3Keys;
    defaults_.setFlag(keys.on, tier.enabled);
    defaults_.setInteger(keys.temp, tier.tempC);
    defaults_.setInteger(keys.left, tier.left);
    defaults_.setInteger(keys.right, tier.right);
    if (preset_ == FanPreset::mySettings) requestReconcile(false);
}

void FanController::setLadder2(const LadderTier& value) {
    ladder2_ = value;
    writeLadder(2, value);
}

void FanController::setLadder3(const LadderTier& value) {
    ladder3_ = value;
    writeLadder(3, value);
}

void FanController::setSustainedMaxOn(bool value) {
    sustainedMaxOn_ = value;
    defaults_.setFlag(PrefKeys::ladderMaxOn, value);
    sustainedState_ = {};
    if (preset_ == FanPreset::mySettings) requestReconcile(false);
}

void FanController::setSustainedMinutes(int value) {
    sustainedMinutes_ = value;
    defaults_.setInteger(PrefKeys::ladderMaxMin, value);
    sustainedState_ = {};
    if (preset_ == FanPreset::mySettings) requestReconcile(false);
}

bool FanController::helperReady() const { return helper_.isReady(); }
bool FanController::helperInstalling() const { return helper_.isInstalling(); }
std::string FanController::helperStatusText() const { return helper_.statusText(); }

void FanController::setControlOn(bool on) { setPreset(on ? lastActivePreset_ : FanPreset(FanPreset::auto_)); }

void FanController::setFanFixedRPM(int index, int rpm) {
    if (index != 0 && index != 1) return;
    const FanInfo* chosen = fan(index);
    if (!chosen) return;
    const int clamped = std::min(std::max(rpm, chosen->minRPM), chosen->maxRPM);
    if (preset_ != FanPreset::mySettings) {
        // Keep what the user sees on the other fan: leaving Auto keeps it
        // with the system, leaving Full Speed keeps it at its maximum.
        if (const FanInfo* left = fan(0)) {
            const int maxRPM = left->maxRPM;
            setLeftMode(displayMode(true));
            if (leftMode_ == FanMode::constant) setMyLeftRPM(maxRPM);
        }
        if (const FanInfo* right = fan(1)) {
            const int maxRPM = right->maxRPM;
            setRightMode(displayMode(false));
            if (rightMode_ == FanMode::constant) setMyRightRPM(maxRPM);
        }
    }
    if (index == 0) {
        setLeftMode(FanMode::constant);
        setMyLeftRPM(clamped);
    } else {
        setRightMode(FanMode::constant);
        setMyRightRPM(clamped);
    }
    if (preset_ != FanPreset::mySettings) setPreset(FanPreset::mySettings);
}

void FanController::saveCurrentAsMySettings() {
    if (const FanInfo* left = fan(0); left && left->actualReady) setMyLeftRPM(left->actual);
    if (const FanInfo* right = fan(1); right && right->actualReady) setMyRightRPM(right->actual);
    setPreset(FanPreset::mySettings);
}

}  // namespace ventiq
