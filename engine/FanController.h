#pragma once
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/ControlSettings.h"
#include "engine/ControlState.h"
#include "engine/FanDecision.h"
#include "engine/FanHelper.h"
#include "engine/FanInfo.h"
#include "engine/FanPreset.h"
#include "engine/HeatState.h"
#include "engine/LadderTier.h"
#include "engine/RequestTracker.h"
#include "engine/TempLadder.h"
#include "platform/MainLoop.h"
#include "sensing/SensorSource.h"
#include "sensing/TempSnapshot.h"
#include "settings/VentiqPrefs.h"

namespace ventiq {

class NotificationCenter;
class PreferenceStore;
class SMCReading;
class TemperatureSource;

// The control engine: reads fans and temperatures on a repeating timer,
// decides per fan whether the system controls it or which speed it holds,
// asks the helper for it and judges from the readback whether it took.
// Everything runs on the main loop; the interface reads the properties
// directly and redraws on "VentiqDataUpdated". It wires its parts, each of
// which owns its own state: the stored settings, the heat state, the pure
// per-fan decision and the request tracker; the engine itself keeps the
// readings and the timers.
class FanController {
public:
    using Completion = std::function<void(bool ok, const std::string& message)>;

    // Overheat protection drives the Custom fans to maximum from this
    // temperature until the core is back below it minus the hysteresis.
    static constexpr double protectionOnTemp = HeatState::protectionOnTemp;
    static constexpr double protectionHysteresis = HeatState::protectionHysteresis;

    // smc may be null when the SMC could not be opened; the engine then sees
    // no fans. The collaborators must outlive the engine. With startTimer the
    // engine also reads once, makes its first pass and starts ticking.
    FanController(SMCReading* smc, FanHelper& helper, TemperatureSource& sensors, bool startTimer,
                  PreferenceStore& defaults, MainLoop& loop, NotificationCenter& notifications);
    ~FanController();
    FanController(const FanController&) = delete;
    FanController& operator=(const FanController&) = delete;

    // The application's engine, installed once at start-up by whoever builds it.
    static FanController& shared();
    static void setShared(FanController* controller);

    // Control settings; every setter runs the setting's change handler, even
    // for an unchanged value.
    FanPreset preset() const { return settings().preset; }
    void setPreset(FanPreset value);
    FanPreset lastActivePreset() const { return settings().lastActivePreset; }
    int myLeftRPM() const { return settings().myLeftRPM; }
    void setMyLeftRPM(int value);
    int myRightRPM() const { return settings().myRightRPM; }
    void setMyRightRPM(int value);
    FanMode leftMode() const { return settings().leftMode; }
    void setLeftMode(FanMode value);
    FanMode rightMode() const { return settings().rightMode; }
    void setRightMode(FanMode value);
    bool leftLadderEnabled() const { return settings().leftLadderEnabled; }
    void setLeftLadderEnabled(bool value);
    bool rightLadderEnabled() const { return settings().rightLadderEnabled; }
    void setRightLadderEnabled(bool value);
    double sensorStartTemp() const { return settings().sensorStartTemp; }
    void setSensorStartTemp(double value);
    double sensorMaxTemp() const { return settings().sensorMaxTemp; }
    void setSensorMaxTemp(double value);
    SensorSource sensorSource() const { return settings().sensorSource; }
    void setSensorSource(SensorSource value);
    const LadderTier& ladder2() const { return settings().ladder2; }
    void setLadder2(const LadderTier& value);
    const LadderTier& ladder3() const { return settings().ladder3; }
    void setLadder3(const LadderTier& value);
    bool sustainedMaxOn() const { return settings().sustainedMaxOn; }
    void setSustainedMaxOn(bool value);
    int sustainedMinutes() const { return settings().sustainedMinutes; }
    void setSustainedMinutes(int value);

    // Readings and state.
    const std::vector<FanInfo>& fans() const { return fans_; }
    const TempSnapshot& temps() const { return temps_; }
    const ControlState& controlState() const { return tracker_.controlState(); }
    const std::string& lastControlMessage() const { return tracker_.lastControlMessage(); }
    int ladderTier() const { return heat_.ladderTier(); }
    const TempLadder::Sustained& sustainedState() const { return heat_.sustained(); }
    bool protectionActive() const { return heat_.protectionActive(); }
    std::optional<TimePoint> fullSpeedSince() const { return heat_.fullSpeedSince(); }
    // The application-wide options over the engine's own store.
    VentiqPrefs& prefs() { return prefs_; }
    const VentiqPrefs& prefs() const { return prefs_; }

    bool isControlOn() const { return preset() != FanPreset::auto_; }
    bool smcAvailable() const { return smc_ != nullptr; }
    bool helperReady() const;
    bool helperInstalling() const;
    std::string helperStatusText() const;
    std::optional<int> currentLeftRPM() const { return currentRPM(0); }
    std::optional<int> currentRightRPM() const { return currentRPM(1); }
    int myLeftEffectiveRPM() const { return FanDecision::effectiveRPM(myLeftRPM(), true, decisionInputs()); }
    int myRightEffectiveRPM() const { return FanDecision::effectiveRPM(myRightRPM(), false, decisionInputs()); }
    bool ladderActive() const { return preset() == FanPreset::mySettings; }
    bool sustainedMaxHold() const { return ladderActive() && heat_.sustained().hold; }
    bool heatMaxActive() const { return FanDecision::heatMaxActive(decisionInputs()); }

    // The loop.
    void tick();
    void applyRefreshInterval();
    void readHardware();
    void checkFullSpeedTimeout();
    // The application wires this to the platform's did-wake signal.
    void onWake();

    // Decisions.
    const FanInfo* fan(int index) const;
    std::optional<double> temperature(SensorSource source) const;
    std::optional<int> desiredTarget(const FanInfo& fan) const;
    std::optional<int> sensorRPM(const FanInfo& fan) const;
    FanMode displayMode(bool isLeft) const;
    int ladderRPM(int base, bool isLeft) const;

    // User operations.
    void setControlOn(bool on);
    void setFanFixedRPM(int index, int rpm);
    void saveCurrentAsMySettings();

    // Requests and handover.
    void reconcile(bool force);
    void retryApply();
    void enableFanControl(Completion completion);
    void disableFanControl(Completion completion);
    void shutdown();

private:
    const ControlSettings::Values& settings() const { return settings_.values(); }
    FanDecision::Inputs decisionInputs() const;
    // The change handler of every control setting, loaded or set by the user.
    void settingChanged(ControlSettings::Change change, FanPreset presetBefore);
    void requestReconcile(bool force);
    void postDataUpdated();
    std::optional<int> currentRPM(int index) const;
    TimePoint now() const;

    SMCReading* smc_;
    FanHelper& helper_;
    TemperatureSource& sensors_;
    MainLoop& loop_;
    NotificationCenter& notifications_;
    VentiqPrefs prefs_;

    ControlSettings settings_;
    HeatState heat_;
    RequestTracker tracker_;

    std::vector<FanInfo> fans_;
    TempSnapshot temps_ = TempSnapshot::empty();
    std::map<int, FanActualGuard> actualGuards_;

    TimerHandle timer_;
    TimerHandle reconcileWork_;
    // Timers hold the engine only through this.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace ventiq
