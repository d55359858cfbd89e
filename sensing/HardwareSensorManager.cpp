#include "sensing/HardwareSensorManager.h"

#include "platform/PlatformServicesClient.h"
#include "sensing/HIDThermalClient.h"
#include "sensing/SystemInfo.h"
#include "smc/SMCConnection.h"
#include "smc/SMCError.h"

namespace ventiq {

HardwareSensorManager::HardwareSensorManager(std::shared_ptr<const SMCReading> smc,
                                             std::shared_ptr<HIDTemperatureReading> hid, std::string model,
                                             CoreCounts counts)
    : hid_(std::move(hid)), smc_(std::move(smc)), model_(std::move(model)), counts_(std::move(counts)) {}

HardwareSensorManager& HardwareSensorManager::shared() {
    static HardwareSensorManager* instance = [] {
        std::shared_ptr<const SMCReading> smc;
        try {
            smc = std::make_shared<SMCConnection>();
        } catch (const SMCError&) {
            // Runs on HID alone; the CPU figure then comes from the clusters or the die.
        }
        const auto info = SystemInfo::fromPlatform(PlatformServicesClient());
        return new HardwareSensorManager(std::move(smc), std::make_shared<HIDThermalClient>(), info.model(),
                                         CoreCounts::read(info));
    }();
    return *instance;
}

TempSnapshot HardwareSensorManager::read() {
    std::vector<double> smcCores;
    if (smc_) {
        // Once keys are known they are kept for good, even if they stop
        // answering: the CPU figure then falls back to HID.
        if (cpuKeys_.empty()) {
            if (readsUntilReprobe_ <= 0) {
                auto found = CPUSensorRules::discoverKeys(*smc_, model_, counts_);
                cpuKeys_ = std::move(found.keys);
                keyOrigin_ = cpuKeys_.empty() ? std::nullopt : std::optional(std::move(found.origin));
                readsUntilReprobe_ = reprobeInterval;
            } else {
                --readsUntilReprobe_;
            }
        }
        for (const auto& key : cpuKeys_)
            if (const auto t = smc_->readFloat(key)) smcCores.push_back(*t);
    }
    std::vector<HIDReading> hid;
    if (hid_)
        for (auto& reading : hid_->readAllHID())
            if (reading.temp) hid.push_back(std::move(reading));
    const int sensorCount = (hid_ ? hid_->serviceCount() : 0) + probedKeyCount();
    return CPUSensorRules::combine(smcCores, hid, sensorCount);
}

}  // namespace ventiq
