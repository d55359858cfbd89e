#include "sensing/SystemInfo.h"

#include <nlohmann/json.hpp>

#include "platform/PlatformServicesClient.h"

namespace ventiq {

SystemInfo SystemInfo::fromPlatform(const PlatformServicesClient& platform) {
    std::map<std::string, Value> values;
    const auto reply = platform.request({{"op", "sysinfo"}});
    if (!reply) return SystemInfo(std::move(values));
    if (const auto model = reply->find("model"); model != reply->end() && model->is_string())
        values["hw.model"] = model->get<std::string>();
    if (const auto levels = reply->find("perflevels"); levels != reply->end() && levels->is_array()) {
        values["hw.nperflevels"] = static_cast<int>(levels->size());
        int index = 0;
        for (const auto& level : *levels) {
            const std::string prefix = "hw.perflevel" + std::to_string(index++) + ".";
            if (!level.is_object()) continue;
            if (const auto name = level.find("name"); name != level.end() && name->is_string())
                values[prefix + "name"] = name->get<std::string>();
            if (const auto cpus = level.find("physicalcpu"); cpus != level.end() && cpus->is_number_integer())
                values[prefix + "physicalcpu"] = cpus->get<int>();
        }
    }
    return SystemInfo(std::move(values));
}

std::optional<std::string> SystemInfo::string(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    if (const auto* text = std::get_if<std::string>(&it->second)) return *text;
    return std::nullopt;
}

std::optional<int> SystemInfo::int_(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    if (const auto* number = std::get_if<int>(&it->second)) return *number;
    return std::nullopt;
}

}  // namespace ventiq
