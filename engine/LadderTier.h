#pragma once

namespace ventiq {

// One setting of the temperature ladder: from tempC upwards the side's fixed
// speed is raised to at least left / right.
struct LadderTier {
    bool enabled = false;
    int tempC = 0;
    int left = 0;
    int right = 0;

    bool operator==(const LadderTier&) const = default;
};

}  // namespace ventiq
