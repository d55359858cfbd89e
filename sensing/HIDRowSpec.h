#pragma once
#include <string>
#include <vector>

#include "sensing/SensorIcon.h"

namespace ventiq {

// One sensor-list row fed by HID temperature services.
struct HIDRowSpec {
    enum class Reduce { max, average };

    std::string id;
    // Exact product names of the services that feed the row.
    std::vector<std::string> products;
    std::string name;
    SensorIcon icon = SensorIcon::none;
    Reduce reduce = Reduce::average;
    bool isAverage = false;

    bool operator==(const HIDRowSpec&) const = default;
};

}  // namespace ventiq
