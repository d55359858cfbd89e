#pragma once
#include <functional>
#include <string>
#include <vector>

#include "sensing/SensorIcon.h"

namespace ventiq {

struct SensorProfile;
struct CoreCounts;

// One machine's view of a sensor table: the keys it really has, one item per
// row, in display order.
struct SensorPlan {
    struct Item {
        std::string key;
        std::string name;
        SensorIcon icon = SensorIcon::none;
        bool operator==(const Item&) const = default;
    };

    using Exists = std::function<bool(const std::string& key)>;

    std::vector<Item> singles;
    std::vector<Item> cpu;
    std::vector<Item> gpu;

    // Keeps the first n existing items of a level with n cores; a missing
    // head key therefore hands its slot to the next key.
    static SensorPlan make(const SensorProfile& profile, const CoreCounts& counts, const Exists& exists);
    // The CPU keys were found by probing and are not tested again.
    static SensorPlan makeGeneric(const std::vector<std::string>& cpuKeys, const Exists& exists);

    // Distinct keys of cpu in order of first appearance.
    std::vector<std::string> cpuKeys() const;
    bool isEmpty() const { return singles.empty() && cpu.empty() && gpu.empty(); }

    bool operator==(const SensorPlan&) const = default;
};

}  // namespace ventiq
