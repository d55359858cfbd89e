#include <gtest/gtest.h>

#include <memory>

#include "sensing/HardwareSensorManager.h"
#include "testing/FakeHID.h"
#include "testing/FakeSMC.h"

namespace ventiq {
namespace {

using CPUSensorRules::KeyOrigin;

std::shared_ptr<testing::FakeSMC> proMaxCores() {
    auto smc = std::make_shared<testing::FakeSMC>();
    smc->setFloat("Tm04", 88);
    smc->setFloat("Tm0G", 0);
    smc->setFloat("Tp04", 79);
    smc->setFloat("Tp0G", 66);
    smc->setFloat("Tp0R", 130);
    smc->setFloat("Tp00", 99);
    smc->setFloat("Tf06", 98.2f);
    return smc;
}

TEST(HardwareSensorManager, ModelTableKeysAreCachedButReadingsAreNot) {
    auto smc = proMaxCores();
    HardwareSensorManager manager(smc, nullptr, "Mac17,6", CoreCounts::unknown());

    EXPECT_EQ(manager.read(), (TempSnapshot{88, (88.0 + 79 + 66) / 3, {}, {}, 5, CPUTempSource::smcCores}));
    EXPECT_EQ(manager.keyOrigin(), KeyOrigin::profile("m5-pro-max"));
    EXPECT_EQ(manager.probedKeyCount(), 5);

    smc->setFloat("Tm04", 91);
    EXPECT_EQ(manager.read().cpuMax, 91);
}

TEST(HardwareSensorManager, ModelWithoutTableProbesGenericKeys) {
    HardwareSensorManager manager(proMaxCores(), nullptr, "Mac15,3", CoreCounts::unknown());
    const auto snapshot = manager.read();
    EXPECT_EQ(snapshot.cpuMax, 99);
    EXPECT_DOUBLE_EQ(*snapshot.cpuAvg, (79.0 + 66 + 99) / 3);
    EXPECT_EQ(manager.keyOrigin(), KeyOrigin::generic());
    EXPECT_EQ(manager.probedKeyCount(), 4);
}

TEST(HardwareSensorManager, WithoutSourcesEverythingIsAbsent) {
    HardwareSensorManager manager(nullptr, nullptr, "Mac17,6", CoreCounts::unknown());
    EXPECT_EQ(manager.read(), TempSnapshot::empty());
    EXPECT_FALSE(manager.keyOrigin());

    auto hid = std::make_shared<testing::FakeHID>();
    hid->setFailing(true);
    HardwareSensorManager failingHID(std::make_shared<testing::FakeSMC>(), hid, "Mac17,6", CoreCounts::unknown());
    EXPECT_EQ(failingHID.read().cpuSource, CPUTempSource::none);
}

TEST(HardwareSensorManager, KeysAppearingLaterAreFoundOnEvery31stRead) {
    auto smc = std::make_shared<testing::FakeSMC>();
    HardwareSensorManager manager(smc, nullptr, "Mac17,6", CoreCounts::unknown());

    EXPECT_FALSE(manager.read().cpuMax);
    const int probeCost = smc->readCount();
    EXPECT_GE(probeCost, 496);

    smc->setFloat("Tm04", 70);
    for (int read = 2; read <= 31; ++read) {
        EXPECT_FALSE(manager.read().cpuMax) << "read " << read;
    }
    // Between probes nothing is read from the SMC at all.
    EXPECT_EQ(smc->readCount(), probeCost);

    EXPECT_EQ(manager.read().cpuMax, 70);
    EXPECT_EQ(manager.keyOrigin(), KeyOrigin::profile("m5-pro-max"));
}

TEST(HardwareSensorManager, ResolvedKeysAreNeverProbedAgainAndHIDTakesOver) {
    auto smc = proMaxCores();
    auto hid = std::make_shared<testing::FakeHID>(std::vector<HIDReading>{
        {"pACC MTR Temp Sensor2", 71}, {"gas gauge battery", 36}, {"NAND CH0 temp", std::nullopt}});
    HardwareSensorManager manager(smc, hid, "Mac17,6", CoreCounts::unknown());
    EXPECT_EQ(manager.read(), (TempSnapshot{88, (88.0 + 79 + 66) / 3, {}, 36, 3 + 5, CPUTempSource::smcCores}));

    for (const char* key : {"Tm04", "Tm0G", "Tp04", "Tp0G", "Tp0R"}) smc->remove(key);
    smc->setFloat("Tp0a", 60);
    const int before = smc->readCount();
    for (int read = 0; read < 40; ++read) {
        EXPECT_EQ(manager.read(), (TempSnapshot{71, 71, {}, 36, 3 + 5, CPUTempSource::hidCoreClusters}));
    }
    EXPECT_EQ(smc->readCount() - before, 40 * 5);
    EXPECT_EQ(manager.probedKeyCount(), 5);
}

TEST(HardwareSensorManager, CoreCountsTrimTheTableKeys) {
    auto smc = std::make_shared<testing::FakeSMC>();
    for (const char* key : {"Tp04", "Tp0G", "Tp0R", "Tp0a", "Tp0j", "Tp0u", "Tp1I", "Tp1g"}) smc->setFloat(key, 60);
    smc->setFloat("Tp1I", 40);
    smc->setFloat("Tp1g", 40);
    HardwareSensorManager manager(smc, nullptr, "Mac17,6", {{{"Super", 6}}});
    EXPECT_EQ(manager.read().cpuAvg, 60);
    EXPECT_EQ(manager.probedKeyCount(), 6);
}

}  // namespace
}  // namespace ventiq
