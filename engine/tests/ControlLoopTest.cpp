#include "engine/tests/EngineFixture.h"
#include "settings/VentiqPrefs.h"

namespace ventiq {
namespace {

TEST_F(EngineTest, ControlOffAndOnReturnsToTheLastPresetAcrossARestart) {
    start();
    // first start
    EXPECT_EQ(engine->preset(), FanPreset::auto_);
    EXPECT_FALSE(engine->isControlOn());
    engine->setControlOn(true);
    EXPECT_EQ(engine->preset(), FanPreset::mySettings);
    engine->setControlOn(false);
    EXPECT_EQ(engine->preset(), FanPreset::auto_);

    // full speed, off and on
    engine->setPreset(FanPreset::fullSpeed);
    engine->setControlOn(false);
    EXPECT_EQ(engine->preset(), FanPreset::auto_);
    engine->setControlOn(true);
    EXPECT_EQ(engine->preset(), FanPreset::fullSpeed);

    // off, then a restart
    engine->setControlOn(false);
    restart();
    EXPECT_EQ(engine->preset(), FanPreset::auto_);
    EXPECT_EQ(engine->lastActivePreset(), FanPreset::fullSpeed);
    engine->setControlOn(true);
    EXPECT_EQ(engine->preset(), FanPreset::fullSpeed);

    // choosing Custom makes it the last active preset
    engine->setPreset(FanPreset::mySettings);
    engine->setControlOn(false);
    engine->setControlOn(true);
    EXPECT_EQ(engine->preset(), FanPreset::mySettings);
}

TEST_F(EngineTest, FullSpeedTimesOutAtExactlyTheChosenMinutes) {
    markStarted();
    store.setInteger(PrefKeys::preset, FanPreset::fullSpeed);
    VentiqPrefs(store).setFullSpeedTimeoutOn(true);
    VentiqPrefs(store).setFullSpeedTimeoutMinutes(10);
    start();
    ASSERT_TRUE(engine->fullSpeedSince());

    advance(9 * 60 + 59);
    EXPECT_EQ(engine->preset(), FanPreset::fullSpeed);
    advance(1);
    EXPECT_EQ(engine->preset(), FanPreset::mySettings);
    EXPECT_FALSE(engine->fullSpeedSince());

    // choosing full speed again while in it does not restart the count
    engine->setPreset(FanPreset::fullSpeed);
    advance(5 * 60);
    engine->setPreset(FanPreset::fullSpeed);
    advance(5 * 60);
    EXPECT_EQ(engine->preset(), FanPreset::mySettings);
}

TEST_F(EngineTest, FullSpeedStaysWithTheTimeoutOff) {
    markStarted();
    store.setInteger(PrefKeys::preset, FanPreset::fullSpeed);
    start();
    advance(3 * 3600);
    EXPECT_EQ(engine->preset(), FanPreset::fullSpeed);
}

TEST_F(EngineTest, SensorCurvePoints) {
    markStarted();
    start(false);
    struct Case {
        const char* name;
        std::optional<double> temp;
        std::optional<int> left;
        std::optional<int> right;
    };
    const Case cases[] = {
        {"at the start temperature", 50.0, 1350, 1350},
        {"below the start", 20.0, 1350, 1350},
        {"half way rounds 1999.5 up", 67.5, 3350, 3564},
        {"above the end", 90.0, 5349, 5777},
        {"no temperature", std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        sensors.setCPU(c.temp);
        engine->readHardware();
        ASSERT_EQ(engine->fans().size(), 2u);
        EXPECT_EQ(engine->sensorRPM(engine->fans()[0]), c.left) << c.name;
        EXPECT_EQ(engine->sensorRPM(engine->fans()[1]), c.right) << c.name;
    }
}

TEST_F(EngineTest, SensorModeFollowsTheChosenSourceAndIsHandedBackWithoutIt) {
    markStarted();
    store.setInteger(PrefKeys::leftMode, FanMode::sensor);
    store.setInteger(PrefKeys::sensorSource, SensorSource::ssd);
    sensors.snapshot.ssd = 67.5;
    start();
    EXPECT_EQ(lastRequested(0), 3350);

    sensors.snapshot.ssd.reset();
    advance(2);
    EXPECT_EQ(releases(), std::vector<Call>{release(0)});
}

TEST_F(EngineTest, SliderClampsIntoTheFanRange) {
    markStarted();
    start();
    struct Case {
        const char* name;
        int index;
        int rpm;
        int left;
        int right;
    };
    const Case cases[] = {
        {"above the left maximum", 0, 9000, 5349, 3193},
        {"below the left minimum", 1, 100, 5349, 1350},
        {"right maximum is its own", 1, 5777, 5349, 5777},
    };
    for (const auto& c : cases) {
        engine->setFanFixedRPM(c.index, c.rpm);
        EXPECT_EQ(engine->myLeftRPM(), c.left) << c.name;
        EXPECT_EQ(engine->myRightRPM(), c.right) << c.name;
        EXPECT_EQ(store.integer(c.index == 0 ? PrefKeys::myLeftRPM : PrefKeys::myRightRPM), c.index == 0 ? c.left : c.right)
            << c.name;
    }
}

TEST_F(EngineTest, SliderOnAFanThatIsNotThereChangesNothing) {
    start();
    smc.remove("F1Ac");
    engine->readHardware();
    engine->setFanFixedRPM(2, 3000);
    engine->setFanFixedRPM(1, 3000);
    EXPECT_EQ(engine->preset(), FanPreset::auto_);
    EXPECT_EQ(engine->leftMode(), FanMode::constant);
    EXPECT_EQ(engine->myRightRPM(), 3193);
    EXPECT_FALSE(store.integer(PrefKeys::myRightRPM));
}

TEST_F(EngineTest, SliderCarriesTheCurrentLookIntoCustom) {
    struct Case {
        const char* name;
        FanPreset from;
        int index;
        int rpm;
        FanMode left;
        FanMode right;
        std::vector<Call> requested;
    };
    const Case cases[] = {
        {"from full speed, right to 3000", FanPreset::fullSpeed, 1, 3000, FanMode::constant, FanMode::constant,
         {send(0, 5349), send(1, 3000)}},
        {"from auto, left to 4000", FanPreset::auto_, 0, 4000, FanMode::constant, FanMode::auto_, {send(0, 4000)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InMemoryPreferenceStore fresh;
        fresh.setFlag(PrefKeys::realControlV1, true);
        fresh.setInteger(PrefKeys::preset, c.from);
        testing::FakeSMC machine;
        testing::FakeSMC::addTwoFanMachine(machine);
        testing::FakeFanHelper link;
        FanController e(&machine, link, sensors, true, fresh, loop, center);
        loop.advanceSeconds(0.2);
        link.clearCalls();

        e.setFanFixedRPM(c.index, c.rpm);
        loop.advanceSeconds(0.2);
        EXPECT_EQ(e.preset(), FanPreset::mySettings);
        EXPECT_EQ(e.leftMode(), c.left);
        EXPECT_EQ(e.rightMode(), c.right);
        EXPECT_EQ(link.calls("setFanTarget"), c.requested);
        EXPECT_TRUE(link.calls("releaseFan").empty());
    }
}

TEST_F(EngineTest, SaveCurrentStoresTheShownSpeeds) {
    markStarted();
    store.setInteger(PrefKeys::preset, FanPreset::auto_);
    start();
    setActual(1, 0);
    advance(2);
    engine->saveCurrentAsMySettings();
    EXPECT_EQ(engine->preset(), FanPreset::mySettings);
    EXPECT_EQ(engine->myLeftRPM(), 2000);
    // the right fan's single zero is not a confirmed speed
    EXPECT_EQ(engine->myRightRPM(), 3193);
}

TEST_F(EngineTest, ZeroSpeedShowsOnlyFromTheThirdTick) {
    start();
    advance(1);
    setActual(0, 0);
    const std::string shown[] = {"\u2014", "\u2014", "0"};
    for (const auto& text : shown) {
        advance(2);
        ASSERT_TRUE(engine->fan(0));
        EXPECT_EQ(engine->fan(0)->actualText(), text);
    }
    EXPECT_EQ(engine->currentLeftRPM(), 0);
    setActual(0, 1800);
    advance(2);
    EXPECT_EQ(engine->currentLeftRPM(), 1800);
}

TEST_F(EngineTest, ReadingsRoundHalvesAwayFromZero) {
    start();
    smc.setFloat("F0Ac", 2500.5f);
    smc.setFloat("F0Tg", 2499.5f);
    smc.setFloat("F0Mn", 1349.4f);
    advance(2);
    EXPECT_EQ(engine->fan(0)->actual, 2501);
    EXPECT_EQ(engine->fan(0)->target, 2500);
    EXPECT_EQ(engine->fan(0)->minRPM, 1349);
}

TEST_F(EngineTest, AStoppedFanReadingBelowZeroShowsZero) {
    start();
    advance(1);
    setActual(0, -4.6f);
    advance(6);
    EXPECT_EQ(engine->fan(0)->actualText(), "0");
    EXPECT_EQ(engine->currentLeftRPM(), 0);
}

TEST_F(EngineTest, PresetTitlesComeFromTheTextTable) {
    EXPECT_EQ(FanPreset(FanPreset::auto_).title(), "Automatic (System)");
    EXPECT_EQ(FanPreset(FanPreset::mySettings).title(), "Custom");
    EXPECT_EQ(FanPreset(FanPreset::fullSpeed).title(), "Full Speed");
}

TEST_F(EngineTest, TwoChangesWithinTheDelayMakeOnePassWithTheSecondForce) {
    markStarted();
    start();
    advance(2);
    ASSERT_EQ(engine->controlState(), ControlState::active());

    struct Case {
        const char* name;
        bool forcedSecond;
        size_t sends;
    };
    const Case cases[] = {{"forced change, then an unforced one", false, 0}, {"unforced, then forced", true, 2}};
    for (const auto& c : cases) {
        helper.clearCalls();
        updates = 0;
        if (c.forcedSecond) {
            engine->setMyLeftRPM(engine->myLeftRPM());
            advance(0.1);
            engine->setLeftMode(FanMode::constant);
        } else {
            engine->setLeftMode(FanMode::constant);
            advance(0.1);
            engine->setMyLeftRPM(engine->myLeftRPM());
        }
        advance(0.19);
        EXPECT_TRUE(helper.calls().empty()) << c.name;
        advance(0.01);
        EXPECT_EQ(sends().size(), c.sends) << c.name;
        EXPECT_EQ(helper.calls("heartbeat").size(), 1u) << c.name;
        // one for the pass and one for each request's completion
        EXPECT_EQ(updates, 1 + static_cast<int>(c.sends)) << c.name;
    }
}

TEST_F(EngineTest, EveryAssignmentWritesItsKeyEvenWhenUnchanged) {
    markStarted();
    start();
    store.remove(PrefKeys::myRightRPM);
    store.remove(PrefKeys::sensorMax);
    store.remove(PrefKeys::preset);
    engine->setMyRightRPM(engine->myRightRPM());
    engine->setSensorMaxTemp(engine->sensorMaxTemp());
    engine->setPreset(engine->preset());
    EXPECT_EQ(store.integer(PrefKeys::myRightRPM), 3193);
    EXPECT_EQ(store.number(PrefKeys::sensorMax), 85.0);
    EXPECT_EQ(store.integer(PrefKeys::preset), 1);
}

TEST_F(EngineTest, NotifiesAfterEveryTick) {
    start();
    advance(1);
    updates = 0;
    const int reads = sensors.reads;
    advance(10);
    EXPECT_EQ(updates, 5);
    EXPECT_EQ(sensors.reads - reads, 5);
}

TEST_F(EngineTest, RefreshIntervalFollowsThePreference) {
    start();
    advance(1);
    VentiqPrefs(store).setRefreshSeconds(5);
    engine->applyRefreshInterval();
    const int before = sensors.reads;
    advance(10);
    EXPECT_EQ(sensors.reads - before, 2);
}

TEST_F(EngineTest, WithoutAnSMCNoFanIsSeenButTemperaturesAreRead) {
    markStarted();
    engine = std::make_unique<FanController>(nullptr, helper, sensors, true, store, loop, center);
    advance(2);
    EXPECT_FALSE(engine->smcAvailable());
    EXPECT_TRUE(engine->fans().empty());
    EXPECT_EQ(engine->temps().cpuMax, 55.0);
    EXPECT_TRUE(sends().empty());
    EXPECT_EQ(engine->controlState(), ControlState::system());
}

TEST_F(EngineTest, WakeRequestsEveryWantedFanAgain) {
    markStarted();
    start();
    advance(2);
    helper.clearCalls();
    engine->onWake();
    settle();
    EXPECT_EQ(sends(), (std::vector<Call>{send(0, 3238), send(1, 3193)}));
}

}  // namespace
}  // namespace ventiq
