#include "sensing/HardwareSensorManager.h"

#include <atomic>
#include <stdexcept>

#include "sensing/HIDTemperatureReading.h"
#include "smc/SMCReading.h"

namespace ventiq {
namespace {

std::atomic<HardwareSensorManager*> installedShared{nullptr};

}  // namespace

HardwareSensorManager::HardwareSensorManager(std::shared_ptr<const SMCReading> smc,
                                             std::shared_ptr<HIDTemperatureReading> hid, std::string model,
                                             CoreCounts counts)
    : hid_(std::move(hid)), smc_(std::move(smc)), model_(std::move(model)), counts_(std::move(counts)) {}

HardwareSensorManager& HardwareSensorManager::shared() {
    HardwareSensorManager* manager = installedShared.load();
    if (!manager) throw std::logic_error("HardwareSensorManager::shared() used before setShared()");
    return *manager;
}

void HardwareSensorManager::setShared(HardwareSensorManager* manager) { installedShared.store(manager); }

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
