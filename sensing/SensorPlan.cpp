#include "sensing/SensorPlan.h"

#include <algorithm>

#include "sensing/CoreCounts.h"
#include "sensing/SensorProfile.h"
#include "sensing/SensorProfiles.h"

namespace ventiq {

namespace {

std::vector<SensorPlan::Item> itemsOf(const std::vector<SensorProfile::Key>& keys, const SensorPlan::Exists& exists) {
    std::vector<SensorPlan::Item> items;
    for (const auto& k : keys) {
        if (!exists(k.key)) continue;
        for (const auto& name : k.names) items.push_back({k.key, name, k.icon});
    }
    return items;
}

}  // namespace

SensorPlan SensorPlan::make(const SensorProfile& profile, const CoreCounts& counts, const Exists& exists) {
    SensorPlan plan;
    for (const auto& group : profile.cores) {
        auto items = itemsOf(group.keys, exists);
        // Counted in items, not keys: a two-name key fills two slots and the
        // trim may fall between its names.
        const auto count = counts.byLevel.find(group.levelName);
        if (count != counts.byLevel.end() && count->second >= 0 && static_cast<size_t>(count->second) < items.size())
            items.resize(static_cast<size_t>(count->second));
        plan.cpu.insert(plan.cpu.end(), items.begin(), items.end());
    }
    plan.singles = itemsOf(profile.singles, exists);
    plan.gpu = itemsOf(profile.gpu, exists);
    return plan;
}

SensorPlan SensorPlan::makeGeneric(const std::vector<std::string>& cpuKeys, const Exists& exists) {
    SensorPlan plan;
    plan.singles = itemsOf(SensorProfiles::generic().singles, exists);
    int position = 1;
    for (const auto& key : cpuKeys) plan.cpu.push_back({key, "CPU Core " + std::to_string(position++), SensorIcon::cpu});
    return plan;
}

std::vector<std::string> SensorPlan::cpuKeys() const {
    std::vector<std::string> keys;
    for (const auto& item : cpu)
        if (std::find(keys.begin(), keys.end(), item.key) == keys.end()) keys.push_back(item.key);
    return keys;
}

}  // namespace ventiq
