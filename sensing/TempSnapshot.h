#pragma once
#include <optional>

#include "sensing/CPUTempSource.h"

namespace ventiq {

// The temperatures of one control tick, in °C. An absent value means no
// trusted reading; nothing is ever filled in with a default.
struct TempSnapshot {
    std::optional<double> cpuMax;
    std::optional<double> cpuAvg;
    std::optional<double> ssd;
    std::optional<double> battery;
    // HID services plus CPU keys in use; a diagnostic only.
    int sensorCount = 0;
    CPUTempSource cpuSource = CPUTempSource::none;

    // What the control engine holds before its first read.
    static constexpr TempSnapshot empty() { return {}; }

    bool operator==(const TempSnapshot&) const = default;
};

}  // namespace ventiq
