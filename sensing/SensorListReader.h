#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sensing/CPUSensorRules.h"
#include "sensing/CoreCounts.h"
#include "sensing/SensorListSnapshot.h"
#include "sensing/SensorPlan.h"

namespace ventiq {

class SMCReading;
class HIDTemperatureReading;
class PlatformServicesClient;

// The main window's full sensor list: every SMC key of the machine's plan, the
// HID rows of the HID table and the internal drives. Independent of the
// control engine's manager, with its own sources and probing state. read() is
// not re-entrant; it runs on one serial queue.
class SensorListReader {
public:
    using DriveNames = std::function<std::vector<std::string>()>;

    SensorListReader(std::shared_ptr<const SMCReading> smc, std::shared_ptr<HIDTemperatureReading> hid,
                     std::string model, CoreCounts counts, DriveNames driveNames);

    // InternalDrives::names over this platform client and /sys.
    static DriveNames driveNamesFrom(std::shared_ptr<const PlatformServicesClient> platform);

    SensorListSnapshot read();

    const std::optional<SensorPlan>& currentPlan() const { return plan_; }
    const std::optional<CPUSensorRules::KeyOrigin>& origin() const { return origin_; }

    // The value if trusted, else absent.
    static std::optional<double> valid(std::optional<double> t);
    // Mean of the trusted values; absent when none is trusted.
    static std::optional<double> average(const std::vector<std::optional<double>>& values);
    // Case-insensitive, with digit runs compared by value: "Core 2" < "Core 10".
    static bool naturalLess(std::string_view a, std::string_view b);

private:
    void probeIfNeeded();

    // Probing may read all 496 candidates, so while the plan is empty it runs
    // on one read out of 31.
    static constexpr int reprobeInterval = 30;

    std::shared_ptr<const SMCReading> smc_;
    std::shared_ptr<HIDTemperatureReading> hid_;
    std::string model_;
    CoreCounts counts_;
    DriveNames driveNames_;
    std::optional<SensorPlan> plan_;
    std::vector<std::string> drives_;
    bool drivesRead_ = false;
    int readsUntilReprobe_ = 0;
    std::optional<CPUSensorRules::KeyOrigin> origin_;
};

}  // namespace ventiq
