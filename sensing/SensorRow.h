#pragma once
#include <optional>
#include <string>

#include "sensing/SensorIcon.h"

namespace ventiq {

// One line of the sensor list. The identifier stays the same from read to
// read so the view can update rows in place.
struct SensorRow {
    std::string id;
    // A hardware name, shown untranslated.
    std::string name;
    SensorIcon icon = SensorIcon::none;
    // Absent when unreadable or untrusted.
    std::optional<double> celsius;
    bool isAverage = false;

    bool operator==(const SensorRow&) const = default;
};

}  // namespace ventiq
