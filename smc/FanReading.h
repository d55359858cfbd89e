#pragma once
#include <optional>

namespace ventiq {

// One fan as the SMC reports it.
struct FanReading {
    int index = 0;
    double actual = 0;
    double target = 0;
    double minRPM = 0;
    double maxRPM = 0;
    // Absent when the fan has no readable mode key.
    std::optional<bool> forced;

    bool operator==(const FanReading&) const = default;
};

}  // namespace ventiq
