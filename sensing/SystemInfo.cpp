#include "sensing/SystemInfo.h"

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>

#include "platform/PlatformServicesClient.h"

namespace ventiq {

namespace {

// sysctl hands back a C string in a zero-filled buffer, so a text ends at its
// first zero byte.
std::optional<std::string> textOf(const nlohmann::json& value) {
    if (!value.is_string()) return std::nullopt;
    std::string text = value.get<std::string>();
    if (const size_t zero = text.find('\0'); zero != std::string::npos) text.erase(zero);
    return text;
}

// The integer names are read into 4 bytes. A figure that does not fit is no
// answer; narrowing it would turn, say, 2^32 + 6 into a plausible 6 cores.
std::optional<int> int32Of(const nlohmann::json& value) {
    if (value.is_number_unsigned()) {
        const auto number = value.get<uint64_t>();
        if (number > static_cast<uint64_t>(std::numeric_limits<int>::max())) return std::nullopt;
        return static_cast<int>(number);
    }
    if (!value.is_number_integer()) return std::nullopt;
    const auto number = value.get<int64_t>();
    if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(number);
}

}  // namespace

SystemInfo SystemInfo::fromPlatform(const PlatformServicesClient& platform) {
    std::map<std::string, Value> values;
    const auto reply = platform.request({{"op", "sysinfo"}});
    if (!reply) return SystemInfo(std::move(values));
    if (const auto model = reply->find("model"); model != reply->end())
        if (auto text = textOf(*model)) values["hw.model"] = std::move(*text);
    if (const auto levels = reply->find("perflevels"); levels != reply->end() && levels->is_array()) {
        values["hw.nperflevels"] = static_cast<int>(levels->size());
        int index = 0;
        for (const auto& level : *levels) {
            const std::string prefix = "hw.perflevel" + std::to_string(index++) + ".";
            if (!level.is_object()) continue;
            if (const auto name = level.find("name"); name != level.end())
                if (auto text = textOf(*name)) values[prefix + "name"] = std::move(*text);
            if (const auto cpus = level.find("physicalcpu"); cpus != level.end())
                if (const auto count = int32Of(*cpus)) values[prefix + "physicalcpu"] = *count;
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
