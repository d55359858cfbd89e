#pragma once
#include <optional>
#include <utility>

#include "engine/LadderTier.h"
#include "platform/Clock.h"

namespace ventiq::TempLadder {

// Stepping down only this far below a setting's temperature keeps the fans
// from hunting when the core hovers around a threshold.
inline constexpr int hysteresis = 3;
// A closed range of whole numbers, as offered by the editors.
struct IntRange {
    int lower;
    int upper;
    constexpr bool contains(int v) const { return v >= lower && v <= upper; }
    constexpr int clamp(int v) const { return v < lower ? lower : (v > upper ? upper : v); }
};

inline constexpr IntRange tempRange{40, 90};
inline constexpr int rpmStep = 100;
inline constexpr LadderTier defaultTier2{false, 65, 3300, 3500};
inline constexpr LadderTier defaultTier3{false, 70, 4000, 4100};
inline constexpr IntRange sustainedMinutesRange{1, 30};
inline constexpr int defaultSustainedMinutes = 3;

// The sustained-heat timer.
struct Sustained {
    // When the core first went above setting 3 in the current run of heat.
    std::optional<TimePoint> since;
    bool hold = false;

    Sustained() = default;
    Sustained(std::optional<TimePoint> since_, bool hold_) : since(since_), hold(hold_) {}

    bool operator==(const Sustained&) const = default;
};

// The ladder setting (1...3) to use next. Without a temperature the setting in
// use is kept, dropping past settings that have been switched off.
int tier(int current, std::optional<double> temp, const LadderTier& tier2, const LadderTier& tier3);

// One side's speed at a setting; never below a lower setting's speed.
int rpm(int tier, bool isLeft, int base, const LadderTier& tier2, const LadderTier& tier3);

// Keeps setting 3 above setting 2 in temperature and not below it in speed;
// the setting that was not edited gives way.
std::pair<LadderTier, LadderTier> normalized(const LadderTier& tier2, const LadderTier& tier3, bool editedTier2);

// The next sustained-heat state. A missing reading neither clears the timer
// nor starts the hold.
Sustained sustained(const Sustained& state, TimePoint now, std::optional<double> temp, const LadderTier& tier3,
                    bool enabled, int minutes);

}  // namespace ventiq::TempLadder
