#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sensing/CPUSensorRules.h"
#include "sensing/CoreCounts.h"
#include "sensing/TemperatureSource.h"

namespace ventiq {

class SMCReading;
class HIDTemperatureReading;

// The control engine's temperatures. Finds the CPU core keys once (model table
// first, generic probing otherwise) and reads them afresh on every call,
// together with every HID temperature service. Not thread-safe: one caller,
// the control tick.
class HardwareSensorManager final : public TemperatureSource {
public:
    // Either source may be absent: no SMC connection, or no HID services.
    HardwareSensorManager(std::shared_ptr<const SMCReading> smc, std::shared_ptr<HIDTemperatureReading> hid,
                          std::string model, CoreCounts counts);

    // The application's instance, which the application builds over its own
    // SMC connection and platform client and installs with setShared(), so
    // that nothing here opens a device behind the caller's back. Throws
    // std::logic_error while none is installed.
    static HardwareSensorManager& shared();
    // Not owned; nullptr uninstalls.
    static void setShared(HardwareSensorManager* manager);

    TempSnapshot read() override;

    const std::optional<CPUSensorRules::KeyOrigin>& keyOrigin() const { return keyOrigin_; }
    int probedKeyCount() const { return static_cast<int>(cpuKeys_.size()); }

private:
    // Probing may read all 496 candidates, so while nothing is found it runs
    // on one read out of 31.
    static constexpr int reprobeInterval = 30;

    std::shared_ptr<HIDTemperatureReading> hid_;
    std::shared_ptr<const SMCReading> smc_;
    std::string model_;
    CoreCounts counts_;
    std::vector<std::string> cpuKeys_;
    std::optional<CPUSensorRules::KeyOrigin> keyOrigin_;
    int readsUntilReprobe_ = 0;
};

}  // namespace ventiq
