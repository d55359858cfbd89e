#pragma once
#include <array>
#include <optional>

namespace ventiq {

// The snapshot temperature a user picks to show or to control a fan by. The
// raw values are stored in preferences; older versions stored 1 for a chip
// average, which reads back as cpuAvg.
class SensorSource {
public:
    enum Case { cpuMax = 0, cpuAvg = 1, ssd = 2, battery = 3 };

    constexpr SensorSource(Case c) : value_(c) {}
    constexpr operator Case() const { return value_; }

    // Absent for anything outside 0...3; callers then keep their default.
    static constexpr std::optional<SensorSource> fromRawValue(int raw) {
        if (raw < cpuMax || raw > battery) return std::nullopt;
        return SensorSource(static_cast<Case>(raw));
    }
    constexpr int rawValue() const { return value_; }

    static constexpr std::array<SensorSource, 4> allCases() { return {cpuMax, cpuAvg, ssd, battery}; }

    // Localisation keys of the long and the short title.
    constexpr const char* titleKey() const {
        switch (value_) {
        case cpuMax: return "tempCpuMax";
        case cpuAvg: return "tempCpuAvg";
        case ssd: return "tempSSD";
        case battery: break;
        }
        return "tempBattery";
    }
    constexpr const char* shortTitleKey() const {
        switch (value_) {
        case cpuMax: return "tempCpuMaxShort";
        case cpuAvg: return "tempCpuAvgShort";
        case ssd: return "tempSSDShort";
        case battery: break;
        }
        return "tempBatteryShort";
    }

private:
    Case value_;
};

}  // namespace ventiq
