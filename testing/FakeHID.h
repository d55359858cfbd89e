#pragma once
// In-memory HID temperature services for tests. Readings are returned exactly
// as set (untrusted values such as -9201 included, so the readers' own checks
// are exercised); the failure switch makes every read return nothing, as a
// vanished event system does.
#include <mutex>
#include <utility>
#include <vector>

#include "sensing/HIDTemperatureReading.h"

namespace ventiq::testing {

class FakeHID final : public HIDTemperatureReading {
public:
    FakeHID() = default;
    explicit FakeHID(std::vector<HIDReading> readings) : readings_(std::move(readings)) {}

    void setReadings(std::vector<HIDReading> readings);
    void setFailing(bool failing);
    int readCount() const;

    std::vector<HIDReading> readAllHID() override;
    int serviceCount() const override;

private:
    mutable std::mutex mutex_;
    std::vector<HIDReading> readings_;
    bool failing_ = false;
    int reads_ = 0;
};

}  // namespace ventiq::testing
