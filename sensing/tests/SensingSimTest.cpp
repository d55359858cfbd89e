#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>

#include "platform/PlatformServicesClient.h"
#include "sensing/CoreCounts.h"
#include "sensing/HIDThermalClient.h"
#include "sensing/HardwareSensorManager.h"
#include "sensing/InternalDrives.h"
#include "sensing/SensorListReader.h"
#include "sensing/SystemInfo.h"
#include "smc/SMCConnection.h"
#include "testing/SimProcess.h"

namespace ventiq {
namespace {

using CPUSensorRules::KeyOrigin;

// Everything the application would build at start-up, pointed at one simulator.
struct Machine {
    explicit Machine(const std::string& name) : sim(options(name)) {}

    static testing::SimProcess::Options options(const std::string& name) {
        testing::SimProcess::Options o;
        o.machine = name;
        return o;
    }

    testing::SimProcess sim;
    SystemInfo info = SystemInfo::fromPlatform(sim.platform());

    HardwareSensorManager manager() const {
        return HardwareSensorManager(std::make_shared<SMCConnection>(sim.smcPath()),
                                     std::make_shared<HIDThermalClient>(sim.platformPath()), info.model(),
                                     CoreCounts::read(info));
    }
    SensorListReader listReader() const {
        const std::string platform = sim.platformPath();
        return SensorListReader(std::make_shared<SMCConnection>(sim.smcPath()),
                                std::make_shared<HIDThermalClient>(platform), info.model(), CoreCounts::read(info),
                                [platform] {
                                    return InternalDrives::names(PlatformServicesClient(platform), "/nonexistent");
                                });
    }
};

size_t countPrefix(const std::vector<SensorRow>& rows, const std::string& prefix) {
    return static_cast<size_t>(
        std::count_if(rows.begin(), rows.end(), [&](const SensorRow& r) { return r.id.starts_with(prefix); }));
}

TEST(SensingOnSimulator, M5MaxUsesItsTable) {
    Machine m5max("m5max");
    EXPECT_EQ(m5max.info.model(), "Mac17,6");
    EXPECT_EQ(CoreCounts::read(m5max.info).byLevel, (std::map<std::string, int>{{"Performance", 12}, {"Super", 6}}));

    auto manager = m5max.manager();
    const auto snapshot = manager.read();
    EXPECT_EQ(snapshot.cpuSource, CPUTempSource::smcCores);
    EXPECT_EQ(manager.keyOrigin(), KeyOrigin::profile("m5-pro-max"));
    EXPECT_EQ(manager.probedKeyCount(), 18);
    ASSERT_TRUE(snapshot.cpuMax && snapshot.cpuAvg && snapshot.ssd && snapshot.battery);
    EXPECT_GE(*snapshot.cpuMax, *snapshot.cpuAvg);
    EXPECT_EQ(snapshot.sensorCount, 32 + 18);

    auto reader = m5max.listReader();
    const auto list = reader.read();
    EXPECT_EQ(countPrefix(list.rows, "smc:") + countPrefix(list.rows, "avg:"), 31u);
    EXPECT_EQ(countPrefix(list.rows, "hid:"), 12u);
    ASSERT_EQ(list.disks.size(), 1u);
    EXPECT_EQ(list.disks[0].id, "disk:0:APPLE SSD AP2048Z");
    EXPECT_TRUE(list.disks[0].celsius);
    for (const auto& row : list.rows) EXPECT_TRUE(row.celsius) << row.id;
    EXPECT_EQ(list.rows.front().name, "Airport Proximity");
    EXPECT_EQ(reader.origin(), KeyOrigin::profile("m5-pro-max"));
}

TEST(SensingOnSimulator, ModelWithoutTableProbesGenericKeys) {
    Machine generic("generic");
    auto manager = generic.manager();
    const auto snapshot = manager.read();
    EXPECT_EQ(snapshot.cpuSource, CPUTempSource::smcCores);
    EXPECT_EQ(manager.keyOrigin(), KeyOrigin::generic());
    // Tp0X (a 16-bit integer) and Tp1a (a 2-byte float) have the shape but are
    // not 4-byte floats, so they are not cores.
    EXPECT_EQ(manager.probedKeyCount(), 8);

    auto reader = generic.listReader();
    const auto list = reader.read();
    EXPECT_EQ(reader.origin(), KeyOrigin::generic());
    ASSERT_TRUE(reader.currentPlan());
    EXPECT_EQ(reader.currentPlan()->cpuKeys(),
              (std::vector<std::string>{"Tp01", "Tp05", "Tp09", "Tp0D", "Tp0b", "Tp0f", "Te05", "Te0L"}));
    EXPECT_EQ(countPrefix(list.rows, "smc:"), 7u + 8u);
    EXPECT_EQ(countPrefix(list.rows, "avg:"), 1u);
    EXPECT_FALSE(std::any_of(list.rows.begin(), list.rows.end(), [](const SensorRow& r) { return r.id == "avg:gpu"; }));
    ASSERT_EQ(list.disks.size(), 1u);
    EXPECT_EQ(list.disks[0].name, "APPLE SSD AP0512Z");
}

TEST(SensingOnSimulator, HIDServiceListIsFixedAtConstruction) {
    Machine m5max("m5max");
    HIDThermalClient hid(m5max.sim.platformPath());
    ASSERT_EQ(hid.serviceCount(), 32);
    const auto all = hid.readAllHID();
    ASSERT_EQ(all.size(), 32u);
    EXPECT_EQ(all.front().product, "GPU MTR Temp Sensor1");
    EXPECT_EQ(all.back().product, "NAND CH0 temp");

    ASSERT_TRUE(m5max.sim.request({{"op", "fault"}, {"hid", "gas gauge battery"}, {"mode", "missing"}}));
    ASSERT_TRUE(m5max.sim.request({{"op", "fault"}, {"hid", "PMU tdie1"}, {"mode", "value"}, {"value", 130}}));
    const auto faulted = hid.readAllHID();
    EXPECT_EQ(hid.serviceCount(), 32);
    ASSERT_EQ(faulted.size(), 30u);
    for (size_t i = 0, j = 0; i < all.size(); ++i) {
        if (all[i].product == "gas gauge battery") continue;
        EXPECT_EQ(faulted[j++].product, all[i].product);
    }
    const auto tdie1 = std::find_if(faulted.begin(), faulted.end(), [](const HIDReading& r) { return r.product == "PMU tdie1"; });
    ASSERT_NE(tdie1, faulted.end());
    EXPECT_FALSE(tdie1->temp);
}

}  // namespace
}  // namespace ventiq
