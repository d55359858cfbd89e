#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "sensing/CPUSensorRules.h"
#include "sensing/CoreCounts.h"
#include "sensing/SensorSource.h"
#include "testing/FakeSMC.h"

namespace ventiq {
namespace {

using namespace CPUSensorRules;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(CPUSensorRules, CoreKeyShape) {
    for (const char* key : {"Tp04", "Tp0y", "Tp1E", "Tp1g", "Tp2a", "Te05", "Te0L", "Tp3Z", "Tp00", "Tp0C", "Tp0p",
                            "Tp0X", "Tp0O"})
        EXPECT_TRUE(isCPUCoreKey(key)) << key;
    for (const char* key : {"Tm04", "Tm1Q", "Ts0P", "Ts1P", "Ts00", "Tg0A", "Tm0y", "Tf06", "Tf16", "TCMb", "TCDX",
                            "Ta00", "TTPD", "Tz00", "TB0T", "TA0P", "Tp0", "Tp000", "tp00", "TP00", "Tpx0", "Tp4A",
                            "Tp0-", "F0Ac", "", "Tp0\xc3\xa9"})
        EXPECT_FALSE(isCPUCoreKey(key)) << key;
}

TEST(CPUSensorRules, GenericCandidatesAreTheWholeShapeInOrder) {
    const auto& keys = genericCandidateKeys();
    ASSERT_EQ(keys.size(), 496u);
    EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), 496u);
    for (const auto& k : keys) EXPECT_TRUE(isCPUCoreKey(k)) << k;
    EXPECT_EQ(keys[0], "Tp00");
    EXPECT_EQ(keys[1], "Tp01");
    EXPECT_EQ(keys[61], "Tp0z");
    EXPECT_EQ(keys[62], "Tp10");
    EXPECT_EQ(keys[248], "Te00");
    EXPECT_EQ(keys.back(), "Te3z");
}

TEST(CPUSensorRules, TrustedRangeIsOpenAtBothEnds) {
    const struct {
        double t;
        bool trusted;
    } cases[] = {{0.001, true}, {60, true}, {124.99, true}, {0, false},  {125, false},
                 {-9201, false}, {-5, false}, {200, false},  {nan, false}, {inf, false}, {-inf, false}};
    for (const auto& c : cases) EXPECT_EQ(isValidTemp(c.t), c.trusted) << c.t;
}

TEST(CPUSensorRules, StatsUseTrustedValuesOnly) {
    EXPECT_EQ(stats({88, 0, 79, 130, 66}), (Stats{88, (88.0 + 79 + 66) / 3}));
    EXPECT_EQ(stats({-5, 40}), (Stats{40, 40}));
    EXPECT_FALSE(stats({}));
    EXPECT_FALSE(stats({-5, 200, nan, 0}));
}

TEST(CPUSensorRules, HIDKindFirstMatchingRuleDecides) {
    const struct {
        const char* product;
        HIDKind kind;
    } cases[] = {
        {"pACC MTR Temp Sensor2", HIDKind::coreCluster}, {"eACC MTR Temp Sensor0", HIDKind::coreCluster},
        {"PACC MTR battery", HIDKind::coreCluster},      {"PMU tdie1", HIDKind::die},
        {"pmu tdie1", HIDKind::other},                   {"PMU tcal", HIDKind::other},
        {"PMU tdev1", HIDKind::other},                   {"NAND CH0 temp", HIDKind::ssd},
        {"External SSD", HIDKind::ssd},                  {"gas gauge battery", HIDKind::battery},
        {"GPU MTR Temp Sensor1", HIDKind::other},        {"", HIDKind::other},
    };
    for (const auto& c : cases) EXPECT_EQ(hidKind(c.product), c.kind) << c.product;
}

// Mac17,6 with five M5 Pro/Max core keys (two reading 0 and 130), the power
// probe Tp00, another sensor Tf06, and more generic-shaped keys outside the table.
void addProMaxMachine(testing::FakeSMC& smc) {
    smc.setFloat("Tm04", 88);
    smc.setFloat("Tm0G", 0);
    smc.setFloat("Tp04", 79);
    smc.setFloat("Tp0G", 66);
    smc.setFloat("Tp0R", 130);
    smc.setFloat("Tp00", 99);
    smc.setFloat("Tf06", 98.2f);
    smc.setFloat("Tp2a", 125);
    smc.setFloat("Tp3Z", -5);
    // Not a float: does not exist for discovery.
    smc.setU8("Tp0y", 50);
}

TEST(CPUSensorRules, DiscoveryPrefersTheModelTable) {
    testing::FakeSMC smc;
    addProMaxMachine(smc);
    const struct {
        const char* name;
        std::string model;
        Discovery expected;
    } cases[] = {
        {"table keys, untrusted ones included", "Mac17,6",
         {{"Tm04", "Tm0G", "Tp04", "Tp0G", "Tp0R"}, KeyOrigin::profile("m5-pro-max")}},
        {"no table: every float key of the generic shape", "Mac15,3",
         {{"Tp00", "Tp04", "Tp0G", "Tp0R", "Tp2a", "Tp3Z"}, KeyOrigin::generic()}},
        {"table whose CPU keys all miss falls back to probing", "Mac17,5",
         {{"Tp00", "Tp04", "Tp0G", "Tp0R", "Tp2a", "Tp3Z"}, KeyOrigin::generic()}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(discoverKeys(smc, c.model, CoreCounts::unknown()), c.expected);
    }
    EXPECT_EQ(discoverKeys(testing::FakeSMC(), "Mac17,6", CoreCounts::unknown()), (Discovery{{}, KeyOrigin::generic()}));
}

std::vector<HIDReading> fullHIDList() {
    return {{"PMU tdie1", 57},
            {"PMU tdie2", 59},
            {"pACC MTR Temp Sensor0", 71},
            {"eACC MTR Temp Sensor1", 64},
            {"NAND CH0 temp", 41},
            {"gas gauge battery", 36},
            {"gas gauge battery", 37.5},
            {"PMU tcal", 40},
            {"PMU tdev1", -9201}};
}

TEST(CPUSensorRules, CombineTakesTheCPUFigureFromOneSourceOnly) {
    auto withoutClusters = fullHIDList();
    std::erase_if(withoutClusters, [](const HIDReading& r) { return hidKind(r.product) == HIDKind::coreCluster; });
    const struct {
        const char* name;
        std::vector<double> smcCores;
        std::vector<HIDReading> hid;
        TempSnapshot expected;
    } cases[] = {
        {"HID clusters, the die is not consulted", {}, fullHIDList(), {71, 67.5, 41, 37.5, 9, CPUTempSource::hidCoreClusters}},
        {"die sensors without clusters; tcal is no die", {}, withoutClusters, {59, 58, 41, 37.5, 9, CPUTempSource::hidDie}},
        {"SMC cores win over hotter clusters", {88, 80}, fullHIDList(), {88, 84, 41, 37.5, 9, CPUTempSource::smcCores}},
        {"nothing trusted: no figure is made up", {-5, 200}, {{"PMU tdev1", 30}}, {{}, {}, {}, {}, 9, CPUTempSource::none}},
        {"untrusted SMC cores fall through to HID", {0, 130}, {{"eACC MTR Temp Sensor0", 50}, {"NAND CH0 temp", 130}},
         {50, 50, {}, {}, 9, CPUTempSource::hidCoreClusters}},
        {"hottest SSD reading", {}, {{"NAND CH0 temp", 41}, {"Internal SSD", 45}, {"NAND CH1", std::nullopt}},
         {{}, {}, 45, {}, 9, CPUTempSource::none}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(combine(c.smcCores, c.hid, 9), c.expected);
    }
}

TEST(SensorSource, RawValuesAreStable) {
    const struct {
        int raw;
        std::optional<SensorSource::Case> source;
    } cases[] = {{0, SensorSource::cpuMax}, {1, SensorSource::cpuAvg}, {2, SensorSource::ssd},
                 {3, SensorSource::battery}, {-1, std::nullopt},          {4, std::nullopt},
                 {7, std::nullopt}};
    for (const auto& c : cases) {
        const auto source = SensorSource::fromRawValue(c.raw);
        ASSERT_EQ(source.has_value(), c.source.has_value()) << c.raw;
        if (source) {
            EXPECT_EQ(*source, *c.source);
            EXPECT_EQ(source->rawValue(), c.raw);
        }
    }
    const struct {
        const char* title;
        const char* shortTitle;
    } titles[] = {{"tempCpuMax", "tempCpuMaxShort"},
                  {"tempCpuAvg", "tempCpuAvgShort"},
                  {"tempSSD", "tempSSDShort"},
                  {"tempBattery", "tempBatteryShort"}};
    const auto all = SensorSource::allCases();
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].rawValue(), static_cast<int>(i));
        EXPECT_STREQ(all[i].titleKey(), titles[i].title);
        EXPECT_STREQ(all[i].shortTitleKey(), titles[i].shortTitle);
    }
}

TEST(CPUTempSource, NamesAreTheStoredChineseTexts) {
    const struct {
        CPUTempSource source;
        const char* name;
    } cases[] = {{CPUTempSource::smcCores, "SMC 核心传感器"},
                 {CPUTempSource::hidCoreClusters, "IOHID 核心簇（pACC / eACC）"},
                 {CPUTempSource::hidDie, "IOHID 整颗芯片（PMU tdie，会低估）"},
                 {CPUTempSource::none, "读不到"}};
    for (const auto& c : cases) EXPECT_STREQ(c.source.name(), c.name);
}

}  // namespace
}  // namespace ventiq
