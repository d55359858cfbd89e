#pragma once
#include <optional>
#include <vector>

#include "engine/ControlSettings.h"
#include "engine/FanInfo.h"
#include "sensing/TempSnapshot.h"

// What each fan should do, decided from one reading, the control settings and
// the heat state alone: no I/O, no clock, no helper, so every rule can be
// checked with plain values.
namespace ventiq::FanDecision {

// The heat state as the decision reads it.
struct Heat {
    int ladderTier = 1;
    bool protectionActive = false;
    bool sustainedHold = false;
};

struct Inputs {
    // In SMC index order; the side rules look up fans 0 and 1 here.
    const std::vector<FanInfo>& fans;
    const TempSnapshot& temps;
    const ControlSettings::Values& settings;
    Heat heat;
};

// One fan's outcome: a speed to hold, or absent to leave it to the system.
struct Outcome {
    int index = 0;
    std::optional<int> rpm;
    bool operator==(const Outcome&) const = default;
};

// Every fan of the reading, in order.
std::vector<Outcome> decide(const Inputs& in);
std::optional<int> target(const FanInfo& fan, const Inputs& in);
// The sensor curve; absent without a temperature from the chosen source.
std::optional<int> sensorRPM(const FanInfo& fan, const Inputs& in);
// A side's fixed speed after the ladder and the heat rules, not yet clamped.
int ladderRPM(int base, bool isLeft, const Inputs& in);
// ladderRPM clamped into the side's fan range when that fan is there.
int effectiveRPM(int base, bool isLeft, const Inputs& in);
// Custom only: protection, or the sustained-heat hold, drives fans to maximum.
bool heatMaxActive(const Inputs& in);
// The mode a side shows under the current preset.
FanMode displayMode(bool isLeft, const ControlSettings::Values& settings);
std::optional<double> temperature(const TempSnapshot& temps, SensorSource source);
// The first fan with that index, or null.
const FanInfo* fan(const std::vector<FanInfo>& fans, int index);

}  // namespace ventiq::FanDecision
