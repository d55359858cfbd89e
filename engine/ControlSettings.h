#pragma once
#include <functional>

#include "engine/FanPreset.h"
#include "engine/LadderTier.h"
#include "engine/TempLadder.h"
#include "sensing/SensorSource.h"

namespace ventiq {

class PreferenceStore;
// How one control setting sits in the store; defined with the settings' table.
template <typename T>
struct StoredSetting;

// The user's control settings as kept in the preference domain: read once at
// start with their defaults and limits, written back on every assignment, the
// two upper ladder settings kept in order on load.
class ControlSettings {
public:
    // The settings themselves, as the fan decision reads them.
    struct Values {
        FanPreset preset = FanPreset::mySettings;
        // The last preset other than auto; turning control on returns to it.
        FanPreset lastActivePreset = FanPreset::mySettings;
        int myLeftRPM = 3238;
        int myRightRPM = 3193;
        FanMode leftMode = FanMode::constant;
        FanMode rightMode = FanMode::constant;
        bool leftLadderEnabled = true;
        bool rightLadderEnabled = true;
        double sensorStartTemp = 50.0;
        double sensorMaxTemp = 85.0;
        SensorSource sensorSource = SensorSource::cpuMax;
        LadderTier ladder2 = TempLadder::defaultTier2;
        LadderTier ladder3 = TempLadder::defaultTier3;
        bool sustainedMaxOn = false;
        int sustainedMinutes = TempLadder::defaultSustainedMinutes;
    };

    // What an assignment touched; the owner reacts per kind.
    enum class Change { preset, speed, mode, ladderSwitch, sensorCurve, ladder, sustainedHeat };
    // Runs after every assignment has been written, even of an unchanged
    // value. presetBefore is the preset as it was before the assignment.
    using Listener = std::function<void(Change change, FanPreset presetBefore)>;

    // The store must outlive the settings. Nothing is read until load().
    ControlSettings(PreferenceStore& store, Listener listener);

    // Accepted stored values go through the setters, so they are written back
    // and reach the listener; absent or refused ones leave the default alone.
    void load();

    const Values& values() const { return values_; }

    void setPreset(FanPreset value);
    void setMyLeftRPM(int value);
    void setMyRightRPM(int value);
    void setLeftMode(FanMode value);
    void setRightMode(FanMode value);
    void setLeftLadderEnabled(bool value);
    void setRightLadderEnabled(bool value);
    void setSensorStartTemp(double value);
    void setSensorMaxTemp(double value);
    void setSensorSource(SensorSource value);
    void setLadder2(const LadderTier& value);
    void setLadder3(const LadderTier& value);
    void setSustainedMaxOn(bool value);
    void setSustainedMinutes(int value);

private:
    // Keeps one setting's value, writes it under its key and tells the listener.
    template <typename T>
    void assign(const StoredSetting<T>& setting, T value);
    // Assigns, in order, each stored value that its setting accepts.
    template <typename... T>
    void loadStored(const StoredSetting<T>&... settings);
    void loadLadders();
    void changed(Change change, FanPreset presetBefore) const;
    void changed(Change change) const { changed(change, values_.preset); }

    PreferenceStore& store_;
    Listener listener_;
    Values values_;
};

}  // namespace ventiq
