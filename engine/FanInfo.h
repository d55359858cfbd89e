#pragma once
#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <string>

namespace ventiq {

// Nearest whole rpm, halves away from zero. SMC readings are finite; the
// clamp only keeps an absurd value from overflowing.
inline int roundHalfAway(double v) {
    return static_cast<int>(std::clamp(std::round(v), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

// One fan as the engine sees it after a read, speeds rounded to whole rpm.
struct FanInfo {
    // Fan 0 is the left fan; every other index counts as the right one.
    int index = 0;
    int actual = 0;
    int target = 0;
    int minRPM = 0;
    int maxRPM = 0;
    // true: the fan follows its target, so someone holds it; false: the
    // system's automatic control; absent: the mode key cannot be read.
    std::optional<bool> forced;
    // Whether actual may be shown as a number (see FanActualGuard).
    bool actualReady = true;

    // The speed as shown: an em dash while a stop is not yet confirmed.
    std::string actualText() const { return actualReady ? std::to_string(actual) : "\u2014"; }

    bool operator==(const FanInfo&) const = default;
};

// Apple-silicon fans really stop when cool, but a single zero is also what a
// fan reads while spinning up or during a read glitch. A stop is shown only
// once it has been read several times in a row.
struct FanActualGuard {
    static constexpr int confirmZeros = 3;

    int zeroStreak = 0;

    // Whether the reading may be shown as a number.
    bool feed(int actual) {
        if (actual > 0) {
            zeroStreak = 0;
            return true;
        }
        ++zeroStreak;
        return zeroStreak >= confirmZeros;
    }
};

}  // namespace ventiq
