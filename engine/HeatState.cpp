#include "engine/HeatState.h"

#include <chrono>

namespace ventiq {

void HeatState::advance(std::optional<double> cpuMax, const ControlSettings::Values& settings, TimePoint now) {
    if (cpuMax) {
        if (!protectionActive_ && *cpuMax >= protectionOnTemp) {
            protectionActive_ = true;
        } else if (protectionActive_ && *cpuMax < protectionOnTemp - protectionHysteresis) {
            protectionActive_ = false;
        }
    }
    if (settings.preset == FanPreset::mySettings) {
        ladderTier_ = TempLadder::tier(ladderTier_, cpuMax, settings.ladder2, settings.ladder3);
        sustained_ = TempLadder::sustained(sustained_, now, cpuMax, settings.ladder3, settings.sustainedMaxOn,
                                           settings.sustainedMinutes);
    } else {
        ladderTier_ = 1;
        sustained_ = {};
    }
}

bool HeatState::fullSpeedExpired(TimePoint now, int minutes) const {
    return fullSpeedSince_ && now - *fullSpeedSince_ >= std::chrono::minutes(minutes);
}

}  // namespace ventiq
