#include "engine/FanDecision.h"

#include <algorithm>

namespace ventiq::FanDecision {

namespace {
int clampToFan(int rpm, const FanInfo& fan) { return std::min(std::max(rpm, fan.minRPM), fan.maxRPM); }
}  // namespace

std::vector<Outcome> decide(const Inputs& in) {
    std::vector<Outcome> out;
    out.reserve(in.fans.size());
    for (const FanInfo& f : in.fans) out.push_back({f.index, target(f, in)});
    return out;
}

std::optional<int> target(const FanInfo& fan, const Inputs& in) {
    const ControlSettings::Values& s = in.settings;
    switch (s.preset) {
    case FanPreset::auto_: return std::nullopt;
    case FanPreset::fullSpeed: return fan.maxRPM;
    case FanPreset::mySettings: break;
    }
    if (in.heat.protectionActive) return fan.maxRPM;
    const bool isLeft = fan.index == 0;
    switch (isLeft ? s.leftMode : s.rightMode) {
    case FanMode::auto_: return std::nullopt;
    case FanMode::sensor: return sensorRPM(fan, in);
    case FanMode::constant: break;
    }
    return clampToFan(ladderRPM(isLeft ? s.myLeftRPM : s.myRightRPM, isLeft, in), fan);
}

std::optional<int> sensorRPM(const FanInfo& fan, const Inputs& in) {
    const ControlSettings::Values& s = in.settings;
    const auto t = temperature(in.temps, s.sensorSource);
    if (!t) return std::nullopt;
    if (*t <= s.sensorStartTemp) return fan.minRPM;
    if (*t >= s.sensorMaxTemp) return fan.maxRPM;
    const double span = std::max(s.sensorMaxTemp - s.sensorStartTemp, 1.0);
    return fan.minRPM + roundHalfAway((*t - s.sensorStartTemp) / span * (fan.maxRPM - fan.minRPM));
}

bool heatMaxActive(const Inputs& in) {
    return in.settings.preset == FanPreset::mySettings && (in.heat.protectionActive || in.heat.sustainedHold);
}

int ladderRPM(int base, bool isLeft, const Inputs& in) {
    if (heatMaxActive(in)) {
        if (const FanInfo* side = fan(in.fans, isLeft ? 0 : 1)) return side->maxRPM;
    }
    const ControlSettings::Values& s = in.settings;
    if (s.preset != FanPreset::mySettings) return base;
    if (!(isLeft ? s.leftLadderEnabled : s.rightLadderEnabled)) return base;
    return TempLadder::rpm(in.heat.ladderTier, isLeft, base, s.ladder2, s.ladder3);
}

int effectiveRPM(int base, bool isLeft, const Inputs& in) {
    const int rpm = ladderRPM(base, isLeft, in);
    const FanInfo* side = fan(in.fans, isLeft ? 0 : 1);
    return side ? clampToFan(rpm, *side) : rpm;
}

FanMode displayMode(bool isLeft, const ControlSettings::Values& settings) {
    switch (settings.preset) {
    case FanPreset::auto_: return FanMode::auto_;
    case FanPreset::fullSpeed: return FanMode::constant;
    case FanPreset::mySettings: break;
    }
    return isLeft ? settings.leftMode : settings.rightMode;
}

std::optional<double> temperature(const TempSnapshot& temps, SensorSource source) {
    switch (source) {
    case SensorSource::cpuMax: return temps.cpuMax;
    case SensorSource::cpuAvg: return temps.cpuAvg;
    case SensorSource::ssd: return temps.ssd;
    case SensorSource::battery: break;
    }
    return temps.battery;
}

const FanInfo* fan(const std::vector<FanInfo>& fans, int index) {
    const auto it = std::find_if(fans.begin(), fans.end(), [index](const FanInfo& f) { return f.index == index; });
    return it == fans.end() ? nullptr : &*it;
}

}  // namespace ventiq::FanDecision
