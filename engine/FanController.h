#pragma once
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/ControlState.h"
#include "engine/FanHelper.h"
#include "engine/FanInfo.h"
#include "engine/FanPreset.h"
#include "engine/LadderTier.h"
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
// directly and redraws on "VentiqDataUpdated".
class FanController {
public:
    using Completion = std::function<void(bool ok, const std::string& message)>;

    // Overheat protection drives the Custom fans to maximum from this
    // temperature until the core is back below it minus the hysteresis.
    static constexpr double protectionOnTemp = 92.0;
    static constexpr double protectionHysteresis = 4.0;

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
    FanPreset preset() const { return preset_; }
    void setPreset(FanPreset value);
    FanPreset lastActivePreset() const { return lastActivePreset_; }
    int myLeftRPM() const { return myLeftRPM_; }
    void setMyLeftRPM(int value);
    int myRightRPM() const { return myRightRPM_; }
    void setMyRightRPM(int value);
    FanMode leftMode() const { return leftMode_; }
    void setLeftMode(FanMode value);
    FanMode rightMode() const { return rightMode_; }
    void setRightMode(FanMode value);
    bool leftLadderEnabled() const { return leftLadderEnabled_; }
    void setLeftLadderEnabled(bool value);
    bool rightLadderEnabled() const { return rightLadderEnabled_; }
    void setRightLadderEnabled(bool value);
    double sensorStartTemp() const { return sensorStartTemp_; }
    void setSensorStartTemp(double value);
    double sensorMaxTemp() const { return sensorMaxTemp_; }
    void setSensorMaxTemp(double value);
    SensorSource sensorSource() const { return sensorSource_; }
    void setSensorSource(SensorSource value);
    const LadderTier& ladder2() const { return ladder2_; }
    void setLadder2(const LadderTier& value);
    const LadderTier& ladder3() const { return ladder3_; }
    void setLadder3(const LadderTier& value);
    bool sustainedMaxOn() const { return sustainedMaxOn_; }
    void setSustainedMaxOn(bool value);
    int sustainedMinutes() const { return sustainedMinutes_; }
    void setSustainedMinutes(int value);

    // Readings and state.
    const std::vector<FanInfo>& fans() const { return fans_; }
    const TempSnapshot& temps() const { return temps_; }
    const ControlState& controlState() const { return controlState_; }
    const std::string& lastControlMessage() const { return lastControlMessage_; }
    int ladderTier() const { return ladderTier_; }
    const TempLadder::Sustained& sustainedState() const { return sustainedState_; }
    bool protectionActive() const { return protectionActive_; }
    std::optional<TimePoint> fullSpeedSince() const { return fullSpeedSince_; }
    // The application-wide options over the engine's own store.
    VentiqPrefs& prefs() { return prefs_; }
    const VentiqPrefs& prefs() const { return prefs_; }

    bool isControlOn() const { return preset_ != FanPreset::auto_; }
    bool smcAvailable() const { return smc_ != nullptr; }
    bool helperReady() const;
    bool helperInstalling() const;
    std::string helperStatusText() const;
    std::optional<int> currentLeftRPM() const { return currentRPM(0); }
    std::optional<int> currentRightRPM() const { return currentRPM(1); }
    int myLeftEffectiveRPM() const { return effectiveRPM(myLeftRPM_, true); }
    int myRightEffectiveRPM() const { return effectiveRPM(myRightRPM_, false); }
    bool ladderActive() const { return preset_ == FanPreset::mySettings; }
    bool sustainedMaxHold() const { return ladderActive() && sustainedState_.hold; }
    bool heatMaxActive() const { return ladderActive() && (protectionActive_ || sustainedState_.hold); }

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
    static constexpr double blockingTimeout = 1.5;

    void loadSettings();
    void requestReconcile(bool force);
    void postDataUpdated();
    void updateHeatState();
    std::optional<int> currentRPM(int index) const;
    int effectiveRPM(int base, bool isLeft) const;
    void writeLadder(int number, const LadderTier& tier);
    void adoptSavedFansIfNeeded();
    bool foreignControlSeen(TimePoint now) const;
    void persistTakenOverFans();
    TimePoint now() const;
    // Wraps a completion so that it does nothing once the engine is gone.
    Completion guarded(std::function<void(bool, const std::string&)> body);

    SMCReading* smc_;
    FanHelper& helper_;
    TemperatureSource& sensors_;
    PreferenceStore& defaults_;
    MainLoop& loop_;
    NotificationCenter& notifications_;
    VentiqPrefs prefs_;

    FanPreset preset_ = FanPreset::mySettings;
    FanPreset lastActivePreset_ = FanPreset::mySettings;
    int myLeftRPM_ = 3238;
    int myRightRPM_ = 3193;
    FanMode leftMode_ = FanMode::constant;
    FanMode rightMode_ = FanMode::constant;
    bool leftLadderEnabled_ = true;
    bool rightLadderEnabled_ = true;
    double sensorStartTemp_ = 50.0;
    double sensorMaxTemp_ = 85.0;
    SensorSource sensorSource_ = SensorSource::cpuMax;
    LadderTier ladder2_ = TempLadder::defaultTier2;
    LadderTier ladder3_ = TempLadder::defaultTier3;
    bool sustainedMaxOn_ = false;
    int sustainedMinutes_ = TempLadder::defaultSustainedMinutes;

    std::vector<FanInfo> fans_;
    TempSnapshot temps_ = TempSnapshot::empty();
    ControlState controlState_ = ControlState::system();
    std::string lastControlMessage_;
    int ladderTier_ = 1;
    TempLadder::Sustained sustainedState_;
    bool protectionActive_ = false;
    std::optional<TimePoint> fullSpeedSince_;

    TimerHandle timer_;
    TimerHandle reconcileWork_;
    std::map<int, FanActualGuard> actualGuards_;

    // Request bookkeeping. A fan counts as held exactly while it has a
    // lastSent_ entry; an absent time stands for the distant past.
    std::map<int, int> lastSent_;
    std::map<int, TimePoint> lastSentAt_;
    std::map<int, TimePoint> pendingSince_;
    std::optional<std::string> sendError_;
    std::optional<TimePoint> lastHelperRefresh_;
    std::map<int, TimePoint> releasedAt_;
    bool adoptedSavedFans_ = false;

    // Timers and helper completions hold the engine only through this.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace ventiq
