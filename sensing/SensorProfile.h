#pragma once
#include <string>
#include <vector>

#include "sensing/SensorIcon.h"

namespace ventiq {

// One model's table: what each known SMC temperature key means on it.
struct SensorProfile {
    struct Key {
        // Four characters, case-sensitive.
        std::string key;
        // A key with two names gives two rows showing the same reading.
        std::vector<std::string> names;
        SensorIcon icon = SensorIcon::none;
        bool operator==(const Key&) const = default;
    };

    struct CoreGroup {
        // The performance-level name as the platform reports it.
        std::string levelName;
        // In the order in which the level's cores are counted.
        std::vector<Key> keys;
        bool operator==(const CoreGroup&) const = default;
    };

    std::string id;
    std::vector<Key> singles;
    std::vector<CoreGroup> cores;
    std::vector<Key> gpu;

    bool operator==(const SensorProfile&) const = default;
};

}  // namespace ventiq
