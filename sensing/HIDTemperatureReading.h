#pragma once
#include <optional>
#include <string>
#include <vector>

namespace ventiq {

// One HID temperature service's answer: its product name and its reading,
// absent when the service answered without a trusted value.
struct HIDReading {
    std::string product;
    std::optional<double> temp;
    bool operator==(const HIDReading&) const = default;
};

// The platform's HID temperature services.
class HIDTemperatureReading {
public:
    virtual ~HIDTemperatureReading() = default;
    // One pair per service that answered, in service order.
    virtual std::vector<HIDReading> readAllHID() = 0;
    // Services known to the reader, answering or not.
    virtual int serviceCount() const = 0;
};

}  // namespace ventiq
