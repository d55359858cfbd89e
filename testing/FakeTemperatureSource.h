#pragma once
#include <optional>

#include "sensing/TemperatureSource.h"

namespace ventiq::testing {

// Hands out whatever snapshot the test set, and counts the reads.
class FakeTemperatureSource final : public TemperatureSource {
public:
    TempSnapshot snapshot = TempSnapshot::empty();
    int reads = 0;

    // The hottest core; the average follows it, and absent clears both.
    void setCPU(std::optional<double> celsius) {
        snapshot.cpuMax = celsius;
        snapshot.cpuAvg = celsius;
        snapshot.cpuSource = celsius ? CPUTempSource::smcCores : CPUTempSource::none;
    }

    TempSnapshot read() override {
        ++reads;
        return snapshot;
    }
};

}  // namespace ventiq::testing
