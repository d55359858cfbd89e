#include "engine/TempLadder.h"

#include <algorithm>

namespace ventiq::TempLadder {

int tier(int current, std::optional<double> temp, const LadderTier& tier2, const LadderTier& tier3) {
    if (!temp) {
        int r = std::clamp(current, 1, 3);
        if (current >= 3 && !tier3.enabled) r = 2;
        if (r == 2 && !tier2.enabled) r = 1;
        return r;
    }
    const double t = *temp;
    int result = 1;
    if (tier2.enabled) {
        const int threshold = current <= 1 ? tier2.tempC : tier2.tempC - hysteresis;
        if (t >= threshold) result = 2;
    }
    if (tier3.enabled) {
        const int threshold = current <= 2 ? tier3.tempC : tier3.tempC - hysteresis;
        if (t >= threshold) result = 3;
    }
    return result;
}

int rpm(int tier, bool isLeft, int base, const LadderTier& tier2, const LadderTier& tier3) {
    int r = base;
    if (tier >= 2 && tier2.enabled) r = std::max(r, isLeft ? tier2.left : tier2.right);
    if (tier >= 3 && tier3.enabled) r = std::max(r, isLeft ? tier3.left : tier3.right);
    return r;
}

std::pair<LadderTier, LadderTier> normalized(const LadderTier& tier2, const LadderTier& tier3, bool editedTier2) {
    LadderTier t2 = tier2;
    LadderTier t3 = tier3;
    t2.tempC = std::clamp(tier2.tempC, tempRange.lower, tempRange.upper - 1);
    t3.tempC = std::clamp(tier3.tempC, tempRange.lower + 1, tempRange.upper);
    if (t3.tempC <= t2.tempC) {
        if (editedTier2) {
            t3.tempC = t2.tempC + 1;
        } else {
            t2.tempC = t3.tempC - 1;
        }
    }
    const auto order = [editedTier2](int& lower, int& upper) {
        if (upper < lower) {
            if (editedTier2) {
                upper = lower;
            } else {
                lower = upper;
            }
        }
    };
    order(t2.left, t3.left);
    order(t2.right, t3.right);
    return {t2, t3};
}

Sustained sustained(const Sustained& state, TimePoint now, std::optional<double> temp, const LadderTier& tier3,
                    bool enabled, int minutes) {
    if (!enabled || !tier3.enabled) return {};
    if (!temp) return state;
    const bool above = *temp > tier3.tempC;
    if (state.hold) return above ? state : Sustained{};
    if (!above) return {};
    const TimePoint since = state.since.value_or(now);
    const int m = sustainedMinutesRange.clamp(minutes);
    return Sustained(since, now - since >= std::chrono::minutes(m));
}

}  // namespace ventiq::TempLadder
