#include "engine/tests/EngineFixture.h"

namespace ventiq {
namespace {

// Setting 1 at 3000 / 3100, setting 2 on at 65 °C (3300 / 3500), setting 3 on
// at 70 °C (4000 / 4100), Custom with both sides fixed and the ladder on.
class LadderTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        markStarted();
        store.setInteger(PrefKeys::myLeftRPM, 3000);
        store.setInteger(PrefKeys::myRightRPM, 3100);
        store.setFlag(PrefKeys::ladder2On, true);
        store.setFlag(PrefKeys::ladder3On, true);
    }

    struct Step {
        const char* name;
        std::optional<double> temp;
        double seconds;
        int tier;
        int left;
        int right;
        bool heatMax = false;
    };

    // Each step sets the temperature, lets the given time pass on the 2-second
    // tick and checks the ladder, the requests and the effective speeds.
    void run(std::initializer_list<Step> steps) {
        for (const auto& step : steps) {
            SCOPED_TRACE(step.name);
            sensors.setCPU(step.temp);
            advance(step.seconds);
            EXPECT_EQ(engine->ladderTier(), step.tier);
            EXPECT_EQ(engine->heatMaxActive(), step.heatMax);
            EXPECT_EQ(lastRequested(0), step.left);
            EXPECT_EQ(lastRequested(1), step.right);
            EXPECT_EQ(engine->myLeftEffectiveRPM(), step.left);
            EXPECT_EQ(engine->myRightEffectiveRPM(), step.right);
        }
    }
};

TEST_F(LadderTest, ClimbsAndStepsDownWithHysteresisAndHoldsWithoutAReading) {
    start();
    run({
        {"55 °C", 55.0, 2, 1, 3000, 3100},
        {"64.9 °C is still setting 1", 64.9, 2, 1, 3000, 3100},
        {"66 °C", 66.0, 2, 2, 3300, 3500},
        {"72 °C", 72.0, 2, 3, 4000, 4100},
        {"67.5 °C stays at 3", 67.5, 2, 3, 4000, 4100},
        {"no reading stays at 3", std::nullopt, 2, 3, 4000, 4100},
        {"66.9 °C drops to 2", 66.9, 2, 2, 3300, 3500},
        {"61.9 °C drops to 1", 61.9, 2, 1, 3000, 3100},
        {"no reading stays at 1", std::nullopt, 2, 1, 3000, 3100},
    });
}

TEST_F(LadderTest, OverheatProtectionFrom92UntilBelow88) {
    start();
    run({
        {"93 °C", 93.0, 2, 3, 5349, 5777, true},
        {"90 °C still protected", 90.0, 2, 3, 5349, 5777, true},
        {"no reading keeps protection", std::nullopt, 2, 3, 5349, 5777, true},
        {"88 °C still protected", 88.0, 2, 3, 5349, 5777, true},
        {"87.9 °C ends it", 87.9, 2, 3, 4000, 4100},
        {"91.9 °C does not start it", 91.9, 2, 3, 4000, 4100},
        {"92 °C exactly starts it", 92.0, 2, 3, 5349, 5777, true},
    });
}

TEST_F(LadderTest, SustainedHeatHoldsAfterThreeMinutesAboveSettingThree) {
    store.setFlag(PrefKeys::ladderMaxOn, true);
    start();
    // The first tick above 70 °C starts the timer.
    run({
        {"first 72 °C reading", 72.0, 2, 3, 4000, 4100},
        {"178 s above", 72.0, 178, 3, 4000, 4100},
        {"180 s above", 72.0, 2, 3, 5349, 5777, true},
        {"71 °C keeps the hold", 71.0, 2, 3, 5349, 5777, true},
        {"70 °C ends it", 70.0, 2, 3, 4000, 4100},
        {"67.5 °C keeps setting 3", 67.5, 2, 3, 4000, 4100},
        {"66.9 °C", 66.9, 2, 2, 3300, 3500},
        {"61.9 °C", 61.9, 2, 1, 3000, 3100},
        {"heating again", 72.0, 2, 3, 4000, 4100},
        {"needs a fresh 180 s", 72.0, 178, 3, 4000, 4100},
        {"fresh 180 s", 72.0, 2, 3, 5349, 5777, true},
    });
    EXPECT_TRUE(engine->sustainedMaxHold());
    engine->setPreset(FanPreset::fullSpeed);
    settle();
    EXPECT_EQ(engine->sustainedState(), TempLadder::Sustained());
}

TEST_F(LadderTest, WithoutTheSwitchesTheLadderStopsLower) {
    struct Case {
        const char* name;
        bool sustained;
        bool tier3On;
        int tier;
        int left;
        int right;
    };
    const Case cases[] = {
        {"sustained heat off gives setting 3 only", false, true, 3, 4000, 4100},
        {"setting 3 off gives setting 2 and no hold", true, false, 2, 3300, 3500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store.setFlag(PrefKeys::ladderMaxOn, c.sustained);
        store.setFlag(PrefKeys::ladder3On, c.tier3On);
        sensors.setCPU(55);
        start();
        helper.clearCalls();
        run({{"80 °C for ten minutes", 80.0, 600, c.tier, c.left, c.right}});
        EXPECT_FALSE(engine->sustainedMaxHold());
    }
}

TEST_F(LadderTest, SpeedsAreClampedToTheFanAndTheBaseIsAFloor) {
    store.setInteger(PrefKeys::ladder3L, 9000);
    store.setInteger(PrefKeys::myRightRPM, 5000);
    start();
    run({{"setting 3 above the left maximum, base above setting 3 on the right", 72.0, 2, 3, 5349, 5000}});
}

TEST_F(LadderTest, SensorAndAutoSidesIgnoreTheLadderButNotProtection) {
    store.setFlag(PrefKeys::ladderMaxOn, true);
    store.setInteger(PrefKeys::leftMode, FanMode::sensor);
    store.setInteger(PrefKeys::rightMode, FanMode::auto_);
    start();
    sensors.setCPU(80);
    advance(200);
    EXPECT_TRUE(engine->sustainedMaxHold());
    EXPECT_EQ(lastRequested(0), 1350 + 3428);  // 30/35 of 3999, rounded
    EXPECT_FALSE(lastRequested(1));

    sensors.setCPU(93);
    advance(2);
    EXPECT_EQ(lastRequested(0), 5349);
    EXPECT_EQ(lastRequested(1), 5777);
}

TEST_F(LadderTest, AutoPresetIgnoresHeat) {
    store.setInteger(PrefKeys::preset, FanPreset::auto_);
    start();
    sensors.setCPU(95);
    advance(4);
    EXPECT_TRUE(engine->protectionActive());
    EXPECT_FALSE(engine->heatMaxActive());
    EXPECT_EQ(engine->ladderTier(), 1);
    EXPECT_TRUE(helper.calls().empty());
}

}  // namespace
}  // namespace ventiq
