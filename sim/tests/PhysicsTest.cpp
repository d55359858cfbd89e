// Thermal and fan physics of the simulated machine, and its fault switches,
// observed through the SMC device and the state request.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sim/tests/SimTestSupport.h"
#include "smc/FourCC.h"
#include "smc/SMCConnection.h"
#include "smc/SMCError.h"

namespace ventiq {
namespace {

using testing::SimProcess;
using namespace simtest;

const std::vector<std::string> m5MaxCores = {"Tm04", "Tm0G", "Tm0R", "Tm0a", "Tm0j", "Tm1Q", "Tm1c", "Tm1o", "Tm21",
                                             "Tm2D", "Tm2P", "Tm2n", "Tp04", "Tp0G", "Tp0R", "Tp0a", "Tp0j", "Tp0u"};

double hottestCore(const SMCConnection& smc) {
    double hottest = -1;
    for (const auto& key : m5MaxCores) hottest = std::max(hottest, smc.readFloat(key).value_or(-1));
    return hottest;
}

void force(SMCConnection& smc, int fan, float rpm) {
    smc.writeRaw(fanKey(fan, "md"), {1});
    smc.writeRaw(fanKey(fan, "Tg"), floatBytesLE(rpm));
}

double actual(const nlohmann::json& state, int fan) { return state["fans"][fan]["actual"].get<double>(); }

TEST(Physics, IdleMachineSitsAroundFiftyWithFansStopped) {
    SimProcess sim(machine("m5max"));
    const auto state = sim.state();
    ASSERT_TRUE(state);
    EXPECT_NEAR((*state)["load"].get<double>(), 0.1, 1e-9);
    EXPECT_GE((*state)["cpu"].get<double>(), 45);
    EXPECT_LE((*state)["cpu"].get<double>(), 55);
    EXPECT_EQ(actual(*state, 0), 0);
    EXPECT_EQ(actual(*state, 1), 0);
}

TEST(Physics, ForcedFanApproachesItsTargetWithALag) {
    SimProcess sim(machine("m5max", 5));
    SMCConnection smc(sim.smcPath());
    const double before = stateTime(sim);
    force(smc, 0, 4000);
    const auto early = sim.state();
    ASSERT_TRUE(early);
    // First-order lag with a time constant of about two seconds: however long
    // the scheduler took between the two requests, the fan is no further than that.
    const double elapsed = (*early)["time"].get<double>() - before;
    EXPECT_LE(actual(*early, 0), 4000 * (1 - std::exp(-elapsed / 2.0)) + 1);
    EXPECT_LT(actual(*early, 0), 3990);

    double previous = actual(*early, 0);
    for (int i = 0; i < 4; ++i) {
        const auto state = runFor(sim, 2.5);
        EXPECT_GE(actual(state, 0), previous);
        EXPECT_LE(actual(state, 0), 4000 + 1e-6);
        previous = actual(state, 0);
    }
    EXPECT_NEAR(previous, 4000, 40);
    EXPECT_NEAR(*smc.readFloat("F0Ac"), 4000, 50);
    EXPECT_EQ(actual(*sim.state(), 1), 0);  // the other fan is still automatic and the machine cool

    // Below the minimum the fan runs at its minimum.
    smc.writeRaw("F0Tg", floatBytesLE(200));
    EXPECT_NEAR(actual(runFor(sim, 15), 0), 1350, 15);
}

TEST(Physics, TargetWrittenInAutomaticModeIsStoredButNotFollowed) {
    SimProcess sim(machine("m5max", 20));
    SMCConnection smc(sim.smcPath());
    smc.writeRaw("F0Tg", floatBytesLE(4000));
    EXPECT_EQ(smc.readFloat("F0Tg"), 4000);
    EXPECT_EQ(actual(runFor(sim, 10), 0), 0);
    smc.writeRaw("F0md", {1});
    EXPECT_NEAR(actual(runFor(sim, 15), 0), 4000, 40);
}

TEST(Physics, LoadRaisesEveryTemperature) {
    SimProcess sim(machine("m5max", 100));
    const auto before = sim.state();
    ASSERT_TRUE(before);
    ASSERT_TRUE(sim.setLoad(1.0));
    const auto after = runFor(sim, 60);
    EXPECT_GT(after["cpu"].get<double>(), (*before)["cpu"].get<double>() + 20);
    for (const auto& [node, celsius] : (*before)["nodes"].items())
        EXPECT_GT(after["nodes"][node].get<double>(), celsius.get<double>()) << node;
}

TEST(Physics, WarmerRoomWarmsTheMachine) {
    SimProcess sim(machine("m5max", 300));
    const auto before = sim.state();
    ASSERT_TRUE(before);
    ASSERT_TRUE(sim.setAmbient(35));
    const auto after = runFor(sim, 600);
    EXPECT_NEAR(after["nodes"]["chassis"].get<double>() - (*before)["nodes"]["chassis"].get<double>(), 10, 1);
    EXPECT_GT(after["cpu"].get<double>(), (*before)["cpu"].get<double>() + 5);
}

TEST(Physics, FullLoadWithAutomaticFansPasses92ThenFansStopWhenCool) {
    SimProcess sim(machine("m5max", 200));
    SMCConnection smc(sim.smcPath());
    ASSERT_TRUE(sim.setLoad(1.0));
    const auto hot = runFor(sim, 300);
    EXPECT_GT(hot["cpu"].get<double>(), 92);
    EXPECT_GT(hottestCore(smc), 92);
    for (int fan = 0; fan < 2; ++fan) {
        EXPECT_GE(actual(hot, fan), 1350) << fan;
        EXPECT_LT(actual(hot, fan), hot["fans"][fan]["max"].get<double>()) << fan;
        EXPECT_EQ(hot["fans"][fan]["mode"], 0) << fan;
    }

    ASSERT_TRUE(sim.setLoad(0.05));
    const auto cool = runFor(sim, 600);
    EXPECT_LT(cool["cpu"].get<double>(), 55);
    EXPECT_EQ(actual(cool, 0), 0);
    EXPECT_EQ(smc.readFloat("F0Ac"), 0);
    EXPECT_EQ(smc.readFloat("F1Ac"), 0);
}

TEST(Physics, FullLoadWithFansAtMaximumStaysBelow92) {
    SimProcess sim(machine("m5max", 200));
    SMCConnection smc(sim.smcPath());
    force(smc, 0, 5349);
    force(smc, 1, 5777);
    ASSERT_TRUE(sim.setLoad(1.0));
    double peak = 0;
    for (int i = 0; i < 6; ++i) peak = std::max(peak, runFor(sim, 100)["cpu"].get<double>());
    EXPECT_LT(peak, 92);
    EXPECT_GT(peak, 70);  // it did heat up
    EXPECT_LT(hottestCore(smc), 92);
}

TEST(Faults, KeyFaultsShowThroughTheSMCAndClear) {
    SimProcess sim(machine("m5max"));
    SMCConnection smc(sim.smcPath());
    ASSERT_TRUE(sim.faultKey("Tm04", "missing"));
    ASSERT_TRUE(sim.faultKey("Tm0G", "nan"));
    ASSERT_TRUE(sim.faultKey("Tp04", "value", 130));
    ASSERT_TRUE(sim.faultKey("FNum", "value", 0));

    EXPECT_FALSE(smc.readValue("Tm04"));
    EXPECT_THROW(smc.keyInfo("Tm04"), SMCError);
    ASSERT_TRUE(smc.readValue("Tm0G"));
    EXPECT_TRUE(std::isnan(*smc.readValue("Tm0G")->float_()));
    EXPECT_FALSE(smc.readFloat("Tm0G"));
    EXPECT_EQ(smc.readFloat("Tp04"), 130);
    EXPECT_EQ(smc.fanCount(), 0);
    EXPECT_EQ((*sim.state())["faults"].size(), 4u);

    ASSERT_TRUE(sim.clear());
    for (const char* key : {"Tm04", "Tm0G", "Tp04"}) {
        const auto t = smc.readFloat(key);
        ASSERT_TRUE(t) << key;
        EXPECT_LT(*t, 70) << key;
    }
    EXPECT_EQ(smc.fanCount(), 2);
}

TEST(Faults, StuckFanDoesNotMove) {
    SimProcess sim(machine("m5max", 20));
    SMCConnection smc(sim.smcPath());
    ASSERT_TRUE(sim.faultFan(0, "stuck"));
    force(smc, 0, 4000);
    const auto state = runFor(sim, 10);
    EXPECT_EQ(actual(state, 0), 0);
    EXPECT_EQ(state["fans"][0]["target"], 4000);
    ASSERT_TRUE(sim.clear());
    EXPECT_NEAR(actual(runFor(sim, 15), 0), 4000, 40);
}

TEST(Faults, IgnoreTargetFanAcceptsForcedModeButFollowsItsCurve) {
    SimProcess sim(machine("m5max", 20));
    SMCConnection smc(sim.smcPath());
    ASSERT_TRUE(sim.faultFan(1, "ignore-target"));
    force(smc, 1, 4000);
    const auto state = runFor(sim, 10);
    EXPECT_EQ(smc.fanReading(1)->forced, std::optional<bool>(true));
    EXPECT_EQ(state["fans"][1]["mode"], 1);
    EXPECT_EQ(actual(state, 1), 0);  // the cool machine's curve says stand still
}

TEST(Faults, HIDFaultsShowInTheServiceList) {
    SimProcess sim(machine("m5max"));
    ASSERT_TRUE(sim.request({{"op", "fault"}, {"hid", "NAND CH0 temp"}, {"mode", "missing"}}));
    ASSERT_TRUE(sim.request({{"op", "fault"}, {"hid", "PMU tdie1"}, {"mode", "nan"}}));
    ASSERT_TRUE(sim.request({{"op", "fault"}, {"hid", "Charger TQ0d"}, {"mode", "value"}, {"value", 77}}));
    const auto hid = sim.request({{"op", "hid"}});
    ASSERT_TRUE(hid);
    for (const auto& s : (*hid)["services"]) {
        const auto product = s["product"].get<std::string>();
        EXPECT_NE(product, "NAND CH0 temp");
        if (product == "PMU tdie1") {
            EXPECT_TRUE(s["temp"].is_null());
        }
        if (product == "Charger TQ0d") {
            EXPECT_EQ(s["temp"], 77);
        }
    }
}

TEST(Noise, ReadingsAreSmallAndRepeatableForOneSeed) {
    const auto readings = [](uint64_t seed) {
        auto options = machine("m5max");
        options.seed = seed;
        SimProcess sim(options);
        SMCConnection smc(sim.smcPath());
        std::vector<double> values;
        for (int i = 0; i < 20; ++i) values.push_back(*smc.readFloat("Tm04"));
        return values;
    };
    const auto first = readings(3);
    EXPECT_EQ(readings(3), first);
    EXPECT_NE(readings(4), first);
    const auto [low, high] = std::minmax_element(first.begin(), first.end());
    EXPECT_GT(*high, *low);
    EXPECT_LT(*high - *low, 0.5);
}

}  // namespace
}  // namespace ventiq
