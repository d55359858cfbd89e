#pragma once
#include <optional>

#include "engine/ControlSettings.h"
#include "engine/TempLadder.h"
#include "platform/Clock.h"

namespace ventiq {

// How hot the machine has been, as far as the Custom preset cares: the ladder
// setting in use, overheat protection, the sustained-heat timer, and when
// the full-speed preset was entered. Advanced from each reading at a time the
// caller gives; it reads no clock and no sensor of its own.
class HeatState {
public:
    // Overheat protection drives the Custom fans to maximum from this
    // temperature until the core is back below it minus the hysteresis.
    static constexpr double protectionOnTemp = 92.0;
    static constexpr double protectionHysteresis = 4.0;

    int ladderTier() const { return ladderTier_; }
    bool protectionActive() const { return protectionActive_; }
    const TempLadder::Sustained& sustained() const { return sustained_; }
    std::optional<TimePoint> fullSpeedSince() const { return fullSpeedSince_; }

    // After each read, with the hottest core (absent when unreadable):
    // protection whatever the preset, then the ladder and sustained heat,
    // which only the Custom preset keeps.
    void advance(std::optional<double> cpuMax, const ControlSettings::Values& settings, TimePoint now);
    // Changing the sustained-heat switch or its minutes starts the timer over.
    void resetSustained() { sustained_ = {}; }

    // The full-speed timeout counts from entering the preset.
    void enterFullSpeed(TimePoint now) { fullSpeedSince_ = now; }
    void leaveFullSpeed() { fullSpeedSince_.reset(); }
    // Whether full speed has run for the given minutes; false when it is not
    // timing.
    bool fullSpeedExpired(TimePoint now, int minutes) const;

private:
    int ladderTier_ = 1;
    bool protectionActive_ = false;
    TempLadder::Sustained sustained_;
    std::optional<TimePoint> fullSpeedSince_;
};

}  // namespace ventiq
