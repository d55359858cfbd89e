#pragma once
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace ventiq {

class PlatformServicesClient;

// The kernel's machine facts, by sysctl name: "hw.model", "hw.nperflevels",
// "hw.perflevelN.name" and "hw.perflevelN.physicalcpu". The values never
// change while the machine runs, so they are taken once when built.
class SystemInfo {
public:
    using Value = std::variant<std::string, int>;

    SystemInfo() = default;
    explicit SystemInfo(std::map<std::string, Value> values) : values_(std::move(values)) {}

    // Asks the platform-services socket once; an unreachable socket leaves
    // every name absent.
    static SystemInfo fromPlatform(const PlatformServicesClient& platform);

    // Absent when the name is unknown or holds the other kind of value.
    std::optional<std::string> string(const std::string& name) const;
    std::optional<int> int_(const std::string& name) const;

    // "hw.model", or the empty text when it cannot be read.
    std::string model() const { return string("hw.model").value_or(std::string()); }

private:
    std::map<std::string, Value> values_;
};

}  // namespace ventiq
