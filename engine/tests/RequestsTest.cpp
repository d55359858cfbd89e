#include <functional>

#include "engine/tests/EngineFixture.h"
#include "settings/VentiqPrefs.h"

namespace ventiq {
namespace {

const ControlState rejected = ControlState::failed("The system did not accept the fan setting");

class RequestsTest : public EngineTest {
protected:
    void startIn(FanPreset preset) {
        markStarted();
        store.setInteger(PrefKeys::preset, preset);
        start();
    }
};

TEST_F(RequestsTest, FullSpeedGoesFromApplyingToActive) {
    startIn(FanPreset::fullSpeed);
    // the first pass's readback predates its requests
    EXPECT_EQ(sends(), (std::vector<Call>{send(0, 5349), send(1, 5777)}));
    EXPECT_EQ(engine->controlState(), ControlState::applying());
    EXPECT_EQ(store.integerArray(PrefKeys::takenOverFans), (std::vector<int>{0, 1}));

    advance(2);
    EXPECT_EQ(engine->controlState(), ControlState::active());
    helper.clearCalls();
    advance(2);
    EXPECT_TRUE(sends().empty());
    EXPECT_EQ(helper.calls("heartbeat").size(), 1u);
}

TEST_F(RequestsTest, NothingIsSentWhileTheHelperIsNotReady) {
    helper.ready = false;
    startIn(FanPreset::fullSpeed);
    EXPECT_EQ(engine->controlState(), ControlState::needsHelper());
    EXPECT_TRUE(sends().empty());
    EXPECT_TRUE(helper.calls("heartbeat").empty());
    // the forced pass of the loaded preset re-checks at once, ticks every 10 s at most
    settle();
    EXPECT_EQ(helper.calls("refreshState").size(), 2u);
    advance(10);
    EXPECT_EQ(helper.calls("refreshState").size(), 2u);
    advance(2);
    EXPECT_EQ(helper.calls("refreshState").size(), 3u);

    helper.becomeReadyOnRefresh = true;
    engine->retryApply();
    settle();
    EXPECT_EQ(sends(), (std::vector<Call>{send(0, 5349), send(1, 5777)}));
}

// Ticks driven by hand so that each step lands at an exact time after the
// first send, which is the forced pass of the loaded preset.
TEST_F(RequestsTest, NeverFollowingFansAreResentEveryFourSecondsAndFailAfterEight) {
    struct Case {
        const char* name;
        bool ignoreTargets;
        testing::FakeFanHelper::Delivery delivery;
    };
    const Case cases[] = {
        {"helper accepts but the fan ignores it", true, testing::FakeFanHelper::Delivery::synchronous},
        {"helper never answers", false, testing::FakeFanHelper::Delivery::held},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        helper = testing::FakeFanHelper(&loop);
        helper.attach(&smc);
        helper.fansIgnoreTargets = c.ignoreTargets;
        helper.delivery = c.delivery;
        markStarted();
        store.setInteger(PrefKeys::myLeftRPM, 3000);
        store.setInteger(PrefKeys::rightMode, FanMode::auto_);
        start(false);
        settle();
        EXPECT_EQ(sends(), std::vector<Call>{send(0, 3000)});
        EXPECT_EQ(engine->controlState(), ControlState::applying());
        helper.clearCalls();

        struct Step {
            const char* name;
            double seconds;
            size_t sends;
            ControlState state;
        };
        const Step steps[] = {
            {"2 s after the first send", 2, 0, ControlState::applying()},
            {"3.9 s after it", 1.9, 0, ControlState::applying()},
            {"4 s after it: sent again", 0.1, 1, ControlState::applying()},
            {"8 s after it: sent again", 4, 1, ControlState::applying()},
            {"past 8 s", 0.1, 0, rejected},
        };
        for (const auto& step : steps) {
            advance(step.seconds);
            engine->tick();
            EXPECT_EQ(sends().size(), step.sends) << step.name;
            EXPECT_EQ(engine->controlState(), step.state) << step.name;
            helper.clearCalls();
        }

        helper.fansIgnoreTargets = false;
        helper.deliverHeld();
        setForced(0, true, 3000);
        engine->tick();
        EXPECT_EQ(engine->controlState(), ControlState::active());
        engine.reset();
        store.remove(PrefKeys::takenOverFans);
        setForced(0, false, 0);
    }
}

TEST_F(RequestsTest, ARefusedRequestFailsAtOnceAndIsNotRepeatedEarly) {
    struct Case {
        const char* name;
        testing::FakeFanHelper::Delivery delivery;
    };
    const Case cases[] = {
        {"answer before the call returns", testing::FakeFanHelper::Delivery::synchronous},
        {"answer on the main loop", testing::FakeFanHelper::Delivery::onLoop},
    };
    const std::string refusal = "风扇 0 不存在";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        helper = testing::FakeFanHelper(&loop);
        helper.delivery = c.delivery;
        helper.refusal = refusal;
        markStarted();
        store.setInteger(PrefKeys::rightMode, FanMode::auto_);
        start(false);
        settle();
        EXPECT_EQ(engine->controlState(), ControlState::failed(refusal));
        EXPECT_EQ(engine->lastControlMessage(), refusal);
        helper.clearCalls();

        advance(2);
        engine->tick();
        EXPECT_TRUE(sends().empty());
        EXPECT_EQ(engine->controlState(), ControlState::failed(refusal));
        advance(2);
        engine->tick();
        EXPECT_EQ(sends().size(), 1u);

        // a later success clears the error
        helper.refusal.reset();
        helper.attach(&smc);
        advance(4);
        engine->tick();
        loop.runPending();
        engine->tick();
        EXPECT_EQ(engine->controlState(), ControlState::active());
        engine.reset();
        store.remove(PrefKeys::takenOverFans);
        setForced(0, false, 0);
    }
}

TEST_F(RequestsTest, AReadBackTargetWithinThreeRpmConfirms) {
    struct Case {
        const char* name;
        float readBack;
        bool forced;
        ControlState state;
        size_t resends;
    };
    const Case cases[] = {
        {"3 below", 5346, true, ControlState::active(), 0},
        {"3 above", 5352, true, ControlState::active(), 0},
        {"4 below", 5345, true, ControlState::applying(), 1},
        {"exact but not forced", 5349, false, ControlState::applying(), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        helper = testing::FakeFanHelper(&loop);
        helper.fansIgnoreTargets = true;
        helper.attach(&smc);
        markStarted();
        store.setInteger(PrefKeys::preset, FanPreset::fullSpeed);
        setForced(0, c.forced, c.readBack);
        setForced(1, true, 5777);
        start(false);
        settle();
        helper.clearCalls();
        advance(4);
        engine->tick();
        EXPECT_EQ(engine->controlState(), c.state);
        EXPECT_EQ(helper.calls("setFanTarget").size(), c.resends);
        engine.reset();
        store.remove(PrefKeys::takenOverFans);
    }
}

TEST_F(RequestsTest, OnlyTheChangedSideIsRequested) {
    startIn(FanPreset::mySettings);
    advance(2);
    helper.clearCalls();
    engine->setMyLeftRPM(2800);
    settle();
    EXPECT_EQ(sends(), std::vector<Call>{send(0, 2800)});
}

// A helper that comes back after a crash, or a fan kept from the last run,
// has no record of the fan; only the engine can still hand it back.
TEST_F(RequestsTest, AFanNoLongerWantedWhileTheHelperIsUnreachableIsHandedBackOnceItIsBack) {
    startIn(FanPreset::fullSpeed);
    advance(2);
    ASSERT_EQ(engine->controlState(), ControlState::active());

    helper.ready = false;
    engine->setPreset(FanPreset::auto_);
    settle();
    advance(8);
    EXPECT_TRUE(releases().empty());
    EXPECT_TRUE(forced(0) && forced(1));
    EXPECT_EQ(store.integerArray(PrefKeys::takenOverFans), (std::vector<int>{0, 1}));
    EXPECT_EQ(engine->controlState(), ControlState::system());

    helper.ready = true;
    advance(2);
    EXPECT_EQ(releases(), (std::vector<Call>{release(0), release(1)}));
    EXPECT_FALSE(forced(0) || forced(1));
    EXPECT_EQ(store.integerArray(PrefKeys::takenOverFans), std::vector<int>{});
    EXPECT_EQ(engine->controlState(), ControlState::system());
}

// A wake forgets what was sent, not which fans are held.
TEST_F(RequestsTest, QuitWhoseHandBackIsNotConfirmedLeavesTheFansForTheNextStart) {
    struct Case {
        const char* name;
        bool wake;
    };
    const Case cases[] = {
        {"held fans", false},
        {"fans held before a wake", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startIn(FanPreset::fullSpeed);
        advance(2);
        if (c.wake) engine->onWake();
        helper.ready = false;
        helper.releaseAllResult = false;
        engine->setPreset(FanPreset::auto_);
        settle();
        engine->shutdown();
        EXPECT_EQ(store.integerArray(PrefKeys::takenOverFans), (std::vector<int>{0, 1}));

        engine.reset();
        helper.ready = true;
        helper.clearCalls();
        start();
        EXPECT_EQ(releases(), (std::vector<Call>{release(0), release(1)}));
        EXPECT_FALSE(forced(0) || forced(1));
        EXPECT_EQ(engine->controlState(), ControlState::system()) << "not another program's";
        engine.reset();
    }
}

TEST_F(RequestsTest, HandingBackIsCoveredByTheGraceThenReportedAsExternal) {
    startIn(FanPreset::fullSpeed);
    advance(2);
    // the fans keep reading forced: the system is slow to take them
    helper.attach(nullptr);
    helper.clearCalls();
    engine->setPreset(FanPreset::auto_);
    settle();
    EXPECT_EQ(releases(), (std::vector<Call>{release(0), release(1)}));
    EXPECT_EQ(engine->controlState(), ControlState::system());
    EXPECT_EQ(store.integerArray(PrefKeys::takenOverFans), std::vector<int>{});

    const struct {
        const char* name;
        double seconds;
        ControlState state;
    } steps[] = {
        {"5.8 s after the hand-back", 5.8, ControlState::system()},
        {"6 s after it", 0.2, ControlState::external()},
    };
    for (const auto& step : steps) {
        advance(step.seconds);
        engine->reconcile(false);
        EXPECT_EQ(engine->controlState(), step.state) << step.name;
    }
    EXPECT_EQ(helper.calls("setFanTarget").size(), 0u);
    EXPECT_EQ(releases().size(), 2u);
}

TEST_F(RequestsTest, AnotherProgramsControlIsReportedAndLeftAlone) {
    startIn(FanPreset::auto_);
    setForced(0, true, 4000);
    advance(2);
    EXPECT_EQ(engine->controlState(), ControlState::external());
    setForced(0, false, 4000);
    advance(2);
    EXPECT_EQ(engine->controlState(), ControlState::system());
    // a machine the engine never held gets nothing, not even a heartbeat
    EXPECT_TRUE(helper.calls().empty());
}

TEST_F(RequestsTest, KeptFansAreAdoptedOnTheNextStartAndHandedBackLater) {
    VentiqPrefs(store).setKeepFansOnQuit(true);
    startIn(FanPreset::fullSpeed);
    advance(2);
    helper.clearCalls();

    engine->shutdown();
    EXPECT_EQ(helper.calls(), (std::vector<Call>{{"keepFansOnQuitBlocking", -1, 0, 1.5}}));
    EXPECT_EQ(store.integerArray(PrefKeys::takenOverFans), (std::vector<int>{0, 1}));
    EXPECT_TRUE(forced(0) && forced(1));

    engine.reset();
    helper.clearCalls();
    start();
    // both fans already read back at full speed: the first pass sends nothing
    EXPECT_TRUE(sends().empty());
    EXPECT_EQ(engine->controlState(), ControlState::active());
    advance(2);

    engine->setPreset(FanPreset::auto_);
    settle();
    EXPECT_EQ(releases(), (std::vector<Call>{release(0), release(1)}));
    EXPECT_FALSE(forced(0) || forced(1));
}

TEST_F(RequestsTest, AdoptedFanIsRequestedAtOnceWhenTheDecisionDiffers) {
    markStarted();
    store.setIntegerArray(PrefKeys::takenOverFans, {0, 1});
    store.setInteger(PrefKeys::rightMode, FanMode::auto_);
    setForced(0, true, 2500);
    setForced(1, true, 2500);
    start();
    EXPECT_EQ(sends(), std::vector<Call>{send(0, 3238)});
    EXPECT_EQ(releases(), std::vector<Call>{release(1)});
}

// The helper no longer counts kept fans as its own, so the stored list is
// the only thing that can ever hand them back.
TEST_F(RequestsTest, KeptFansSurviveAStartWhoseFirstPassesSeeNoFan) {
    markStarted();
    store.setIntegerArray(PrefKeys::takenOverFans, {0, 1});
    store.setInteger(PrefKeys::preset, FanPreset::auto_);
    setForced(0, true, 5349);
    setForced(1, true, 5777);
    smc.setReadFailure("FNum", true);
    start();
    advance(2);
    ASSERT_TRUE(engine->fans().empty());
    EXPECT_EQ(store.integerArray(PrefKeys::takenOverFans), (std::vector<int>{0, 1}));

    smc.setReadFailure("FNum", false);
    advance(2);
    EXPECT_EQ(releases(), (std::vector<Call>{release(0), release(1)}));
    EXPECT_FALSE(forced(0) || forced(1));
    EXPECT_EQ(store.integerArray(PrefKeys::takenOverFans), std::vector<int>{});
    EXPECT_EQ(engine->controlState(), ControlState::system());
}

TEST_F(RequestsTest, QuitWithoutKeeping) {
    struct Case {
        const char* name;
        bool keepChosen;
        bool helperKeeps;
        std::vector<Call> calls;
    };
    const Case cases[] = {
        {"keeping refused: hand everything back", true, false,
         {{"keepFansOnQuitBlocking", -1, 0, 1.5}, {"releaseAllBlocking", -1, 0, 1.5}}},
        {"keeping not chosen", false, true, {{"releaseAllBlocking", -1, 0, 1.5}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VentiqPrefs(store).setKeepFansOnQuit(c.keepChosen);
        helper.keepResult = c.helperKeeps;
        startIn(FanPreset::fullSpeed);
        advance(2);
        helper.clearCalls();
        engine->shutdown();
        EXPECT_EQ(helper.calls(), c.calls);
        EXPECT_EQ(store.integerArray(PrefKeys::takenOverFans), std::vector<int>{});
        EXPECT_FALSE(forced(0) || forced(1));
        engine.reset();
    }
}

TEST_F(RequestsTest, QuitSendsNothingWhenNothingWasHeld) {
    VentiqPrefs(store).setKeepFansOnQuit(true);
    startIn(FanPreset::auto_);
    advance(2);
    engine->shutdown();
    EXPECT_TRUE(helper.calls().empty());
}

TEST_F(RequestsTest, StartAfterAKeepWhoseFansWereAlreadyReturned) {
    markStarted();
    store.setIntegerArray(PrefKeys::takenOverFans, {0, 1});
    store.setInteger(PrefKeys::preset, FanPreset::auto_);
    start();
    advance(2);
    EXPECT_TRUE(helper.calls().empty());
    EXPECT_EQ(store.integerArray(PrefKeys::takenOverFans), std::vector<int>{});
}

TEST_F(RequestsTest, QuitCancelsAPendingPass) {
    startIn(FanPreset::fullSpeed);
    advance(2);
    engine->setMyLeftRPM(3000);
    engine->setPreset(FanPreset::mySettings);
    engine->shutdown();
    helper.clearCalls();
    advance(5);
    EXPECT_TRUE(helper.calls().empty());
    EXPECT_FALSE(forced(0) || forced(1));
}

TEST_F(RequestsTest, EnableAndDisableFanControl) {
    helper.ready = false;
    helper.delivery = testing::FakeFanHelper::Delivery::onLoop;
    startIn(FanPreset::fullSpeed);
    advance(1);

    std::optional<std::pair<bool, std::string>> enabled;
    engine->enableFanControl([&](bool ok, const std::string& message) { enabled = {ok, message}; });
    loop.runPending();
    EXPECT_EQ(enabled, (std::pair<bool, std::string>{true, "installed"}));
    EXPECT_EQ(engine->lastControlMessage(), "installed");
    settle();
    EXPECT_EQ(sends().size(), 2u);
    advance(2);
    EXPECT_EQ(engine->controlState(), ControlState::active());

    helper.clearCalls();
    std::optional<bool> disabled;
    engine->disableFanControl([&](bool ok, const std::string&) { disabled = ok; });
    EXPECT_EQ(helper.calls(), (std::vector<Call>{{"releaseAllBlocking", -1, 0, 1.5}, {"uninstall"}}));
    EXPECT_EQ(store.integerArray(PrefKeys::takenOverFans), std::vector<int>{});
    loop.runPending();
    EXPECT_EQ(disabled, true);
    settle();
    EXPECT_EQ(engine->controlState(), ControlState::needsHelper());
    EXPECT_TRUE(sends().empty());
}

TEST_F(RequestsTest, FansHandedBackOnDisableGetTheGraceToo) {
    startIn(FanPreset::fullSpeed);
    advance(2);
    // the helper does not confirm in time and the fans still read forced
    helper.releaseAllResult = false;
    engine->disableFanControl(nullptr);
    engine->setPreset(FanPreset::auto_);
    settle();
    EXPECT_EQ(engine->controlState(), ControlState::system());
    EXPECT_TRUE(releases().empty());
    advance(6);
    EXPECT_EQ(engine->controlState(), ControlState::external());
}

// Left fixed, right in sensor mode on the SSD, both held; then one of them is
// no longer wanted.
class HandBackTest : public RequestsTest {
protected:
    void startHoldingBoth() {
        markStarted();
        store.setInteger(PrefKeys::preset, FanPreset::mySettings);
        store.setInteger(PrefKeys::rightMode, FanMode::sensor);
        store.setInteger(PrefKeys::sensorSource, SensorSource::ssd);
        sensors.snapshot.ssd = 67.5;
        start();
        advance(2);
        ASSERT_EQ(engine->controlState(), ControlState::active());
        helper.clearCalls();
    }
    std::vector<int> keptFans() const {
        return store.integerArray(PrefKeys::takenOverFans).value_or(std::vector<int>{});
    }
};

// While the right fan is still wanted its heartbeats keep the helper's
// watchdog away, so only the engine can ever give the left fan back.
TEST_F(HandBackTest, ARefusedHandBackIsRetriedOnEveryPassUntilItIsAccepted) {
    startHoldingBoth();
    const std::string refusal = "写入 SMC 失败";
    helper.handBackRefusal = refusal;
    engine->setLeftMode(FanMode::auto_);
    settle();
    EXPECT_EQ(releases(), std::vector<Call>{release(0)});
    EXPECT_EQ(engine->controlState(), ControlState::failed(refusal));
    EXPECT_TRUE(forced(0));
    EXPECT_EQ(keptFans(), (std::vector<int>{0, 1}));

    helper.clearCalls();
    advance(2);
    EXPECT_EQ(releases(), std::vector<Call>{release(0)});
    EXPECT_EQ(engine->controlState(), ControlState::failed(refusal));
    EXPECT_TRUE(sends().empty()) << "the right fan is confirmed and left alone";
    EXPECT_EQ(helper.calls("heartbeat").size(), 1u);

    helper.handBackRefusal.reset();
    advance(2);
    EXPECT_EQ(releases().size(), 2u);
    EXPECT_FALSE(forced(0));
    EXPECT_TRUE(forced(1));
    EXPECT_EQ(keptFans(), std::vector<int>{1});
    EXPECT_EQ(engine->controlState(), ControlState::active());
    advance(2);
    EXPECT_EQ(releases().size(), 2u) << "a confirmed hand-back is not repeated";
}

// With nothing wanted the refusal still shows: the fan is forced, and the
// engine is the one still trying to give it back.
TEST_F(HandBackTest, ARefusedHandBackUnderAutoShowsUntilTheFanIsBack) {
    startHoldingBoth();
    helper.handBackRefusal = "写入 SMC 失败";
    engine->setPreset(FanPreset::auto_);
    settle();
    advance(8);
    EXPECT_EQ(engine->controlState(), ControlState::failed("写入 SMC 失败"));
    EXPECT_TRUE(forced(0) && forced(1));
    EXPECT_EQ(releases().size(), 10u) << "both fans, on each of five passes";
    EXPECT_TRUE(helper.calls("heartbeat").empty());

    helper.handBackRefusal.reset();
    advance(2);
    EXPECT_FALSE(forced(0) || forced(1));
    EXPECT_EQ(keptFans(), std::vector<int>{});
    EXPECT_EQ(engine->controlState(), ControlState::system());
}

TEST_F(HandBackTest, AnUnansweredHandBackIsResentAndEndsWhenTheFanReadsAutomatic) {
    startHoldingBoth();
    helper.delivery = testing::FakeFanHelper::Delivery::held;
    engine->setLeftMode(FanMode::auto_);
    settle();
    EXPECT_EQ(releases().size(), 1u);
    advance(4);
    EXPECT_EQ(releases().size(), 1u) << "no answer 3.8 s later: not resent yet";
    advance(2);
    EXPECT_EQ(releases().size(), 2u);
    EXPECT_EQ(keptFans(), (std::vector<int>{0, 1}));

    // the helper did its work, but its answers are lost
    setForced(0, false, 0);
    advance(2);
    EXPECT_EQ(releases().size(), 2u);
    EXPECT_EQ(keptFans(), std::vector<int>{1});
    EXPECT_EQ(engine->controlState(), ControlState::active());
    helper.deliverHeld();
    advance(4);
    EXPECT_EQ(releases().size(), 2u) << "late answers change nothing";
}

// A fan that reads automatic while a request to force it is still out may be
// forced again by that request, so only the helper's answer can settle it.
TEST_F(HandBackTest, AnAutomaticReadbackDoesNotEndAHandBackWhileARequestIsOut) {
    startHoldingBoth();
    helper.delivery = testing::FakeFanHelper::Delivery::held;
    engine->setMyLeftRPM(3000);
    settle();
    ASSERT_EQ(sends(), std::vector<Call>{send(0, 3000)});
    setForced(0, false, 0);
    engine->setLeftMode(FanMode::auto_);
    settle();
    EXPECT_EQ(releases(), std::vector<Call>{release(0)});
    EXPECT_EQ(keptFans(), (std::vector<int>{0, 1}));

    helper.deliverHeld();
    EXPECT_FALSE(forced(0)) << "the helper forced it, then gave it back";
    advance(2);
    EXPECT_EQ(keptFans(), std::vector<int>{1});
}

// Forgetting what was sent must not forget which fans are held.
TEST_F(HandBackTest, FansHeldBeforeAWakeOrARetryAreStillHandedBack) {
    struct Case {
        const char* name;
        std::function<void()> forget;
        // Happens before the pass that follows.
        std::function<void()> then;
        std::vector<int> stillForced;
        ControlState state;
    };
    const Case cases[] = {
        {"wake, then Auto", [this] { engine->onWake(); }, [this] { engine->setPreset(FanPreset::auto_); }, {},
         ControlState::system()},
        {"retry, then Auto", [this] { engine->retryApply(); }, [this] { engine->setPreset(FanPreset::auto_); }, {},
         ControlState::system()},
        {"wake, the sensor fan's temperature not yet readable", [this] { engine->onWake(); },
         [this] { sensors.snapshot.ssd.reset(); }, {0}, ControlState::active()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startHoldingBoth();
        c.forget();
        c.then();
        settle();
        advance(2);
        EXPECT_EQ(forced(0), !c.stillForced.empty());
        EXPECT_FALSE(forced(1));
        EXPECT_EQ(keptFans(), c.stillForced);
        EXPECT_EQ(engine->controlState(), c.state);
        engine.reset();
        helper.releaseAllBlocking(0);
        store.remove(PrefKeys::takenOverFans);
    }
}

}  // namespace
}  // namespace ventiq
