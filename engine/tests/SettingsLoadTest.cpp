#include <functional>
#include <stdexcept>

#include "engine/tests/EngineFixture.h"

namespace ventiq {
namespace {

struct LoadCase {
    const char* name;
    std::function<void(PreferenceStore&)> stored;
    std::function<void(const FanController&, const PreferenceStore&)> check;
};

TEST_F(EngineTest, StoredSettingsLoadWithTheirRules) {
    const LoadCase cases[] = {
        {"first start ignores an older preset",
         [](PreferenceStore& s) { s.setInteger(PrefKeys::preset, 2); },
         [](const FanController& e, const PreferenceStore& s) {
             EXPECT_EQ(e.preset(), FanPreset::auto_);
             EXPECT_EQ(e.lastActivePreset(), FanPreset::mySettings);
             EXPECT_EQ(s.flag(PrefKeys::realControlV1), true);
             EXPECT_EQ(s.integer(PrefKeys::preset), 0);
         }},
        {"empty store after the first start gives the defaults",
         [](PreferenceStore& s) { s.setFlag(PrefKeys::realControlV1, true); },
         [](const FanController& e, const PreferenceStore&) {
             EXPECT_EQ(e.preset(), FanPreset::mySettings);
             EXPECT_EQ(e.myLeftRPM(), 3238);
             EXPECT_EQ(e.myRightRPM(), 3193);
             EXPECT_EQ(e.leftMode(), FanMode::constant);
             EXPECT_EQ(e.rightMode(), FanMode::constant);
             EXPECT_TRUE(e.leftLadderEnabled());
             EXPECT_EQ(e.sensorStartTemp(), 50.0);
             EXPECT_EQ(e.sensorMaxTemp(), 85.0);
             EXPECT_EQ(e.ladder2(), TempLadder::defaultTier2);
             EXPECT_EQ(e.ladder3(), TempLadder::defaultTier3);
             EXPECT_FALSE(e.sustainedMaxOn());
             EXPECT_EQ(e.sustainedMinutes(), 3);
         }},
        {"last active preset 0 is ignored in favour of the loaded preset",
         [](PreferenceStore& s) {
             s.setFlag(PrefKeys::realControlV1, true);
             s.setInteger(PrefKeys::preset, 2);
             s.setInteger(PrefKeys::lastActivePreset, 0);
         },
         [](const FanController& e, const PreferenceStore&) {
             EXPECT_EQ(e.preset(), FanPreset::fullSpeed);
             EXPECT_EQ(e.lastActivePreset(), FanPreset::fullSpeed);
         }},
        {"last active preset 0 under auto gives Custom",
         [](PreferenceStore& s) {
             s.setFlag(PrefKeys::realControlV1, true);
             s.setInteger(PrefKeys::preset, 0);
             s.setInteger(PrefKeys::lastActivePreset, 0);
         },
         [](const FanController& e, const PreferenceStore&) { EXPECT_EQ(e.lastActivePreset(), FanPreset::mySettings); }},
        {"values outside their sets keep the defaults",
         [](PreferenceStore& s) {
             s.setFlag(PrefKeys::realControlV1, true);
             s.setInteger(PrefKeys::preset, 5);
             s.setInteger(PrefKeys::sensorSource, 7);
             s.setInteger(PrefKeys::leftMode, 3);
         },
         [](const FanController& e, const PreferenceStore&) {
             EXPECT_EQ(e.preset(), FanPreset::mySettings);
             EXPECT_EQ(e.sensorSource(), SensorSource::cpuMax);
             EXPECT_EQ(e.leftMode(), FanMode::constant);
         }},
        {"values of the wrong type keep the defaults",
         [](PreferenceStore& s) {
             s.setFlag(PrefKeys::realControlV1, true);
             s.setText(PrefKeys::myLeftRPM, "4000");
             s.setInteger(PrefKeys::sensorStart, 60);
             s.setInteger(PrefKeys::leftLadderEnabled, 0);
         },
         [](const FanController& e, const PreferenceStore&) {
             EXPECT_EQ(e.myLeftRPM(), 3238);
             EXPECT_EQ(e.sensorStartTemp(), 50.0);
             EXPECT_TRUE(e.leftLadderEnabled());
         }},
        {"sustained minutes 99 loads as 30", [](PreferenceStore& s) { s.setInteger(PrefKeys::ladderMaxMin, 99); },
         [](const FanController& e, const PreferenceStore& s) {
             EXPECT_EQ(e.sustainedMinutes(), 30);
             EXPECT_EQ(s.integer(PrefKeys::ladderMaxMin), 30);
         }},
        {"sustained minutes 0 loads as 1", [](PreferenceStore& s) { s.setInteger(PrefKeys::ladderMaxMin, 0); },
         [](const FanController& e, const PreferenceStore&) { EXPECT_EQ(e.sustainedMinutes(), 1); }},
        {"ladder fields load one by one and are put in order",
         [](PreferenceStore& s) {
             s.setFlag(PrefKeys::ladder2On, true);
             s.setInteger(PrefKeys::ladder2Temp, 80);
             s.setInteger(PrefKeys::ladder2L, 4500);
             s.setFlag(PrefKeys::ladder3On, true);
         },
         [](const FanController& e, const PreferenceStore& s) {
             EXPECT_EQ(e.ladder2(), (LadderTier{true, 80, 4500, 3500}));
             EXPECT_EQ(e.ladder3(), (LadderTier{true, 81, 4500, 4100}));
             EXPECT_EQ(s.integer(PrefKeys::ladder3Temp), 81);
         }},
        {"every stored control setting reads back",
         [](PreferenceStore& s) {
             s.setFlag(PrefKeys::realControlV1, true);
             s.setInteger(PrefKeys::preset, 0);
             s.setInteger(PrefKeys::lastActivePreset, 2);
             s.setInteger(PrefKeys::myLeftRPM, 2500);
             s.setInteger(PrefKeys::myRightRPM, -7);
             s.setInteger(PrefKeys::leftMode, 2);
             s.setInteger(PrefKeys::rightMode, 0);
             s.setFlag(PrefKeys::rightLadderEnabled, false);
             s.setNumber(PrefKeys::sensorStart, 40.5);
             s.setNumber(PrefKeys::sensorMax, 95.0);
             s.setInteger(PrefKeys::sensorSource, 2);
             s.setFlag(PrefKeys::ladderMaxOn, true);
             s.setInteger(PrefKeys::ladderMaxMin, 12);
         },
         [](const FanController& e, const PreferenceStore&) {
             EXPECT_EQ(e.preset(), FanPreset::auto_);
             EXPECT_EQ(e.lastActivePreset(), FanPreset::fullSpeed);
             EXPECT_EQ(e.myLeftRPM(), 2500);
             EXPECT_EQ(e.myRightRPM(), -7);
             EXPECT_EQ(e.leftMode(), FanMode::sensor);
             EXPECT_EQ(e.rightMode(), FanMode::auto_);
             EXPECT_FALSE(e.rightLadderEnabled());
             EXPECT_EQ(e.sensorStartTemp(), 40.5);
             EXPECT_EQ(e.sensorMaxTemp(), 95.0);
             EXPECT_EQ(e.sensorSource(), SensorSource::ssd);
             EXPECT_TRUE(e.sustainedMaxOn());
             EXPECT_EQ(e.sustainedMinutes(), 12);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InMemoryPreferenceStore fresh;
        c.stored(fresh);
        FanController e(&smc, helper, sensors, false, fresh, loop, center);
        c.check(e, fresh);
    }
}

TEST_F(EngineTest, ChangedSettingsReadBackAfterARestart) {
    markStarted();
    start();
    engine->setLadder2({true, 60, 3000, 3200});
    engine->setLadder3({true, 75, 4500, 4600});
    engine->setSustainedMaxOn(true);
    engine->setSustainedMinutes(12);
    engine->setRightMode(FanMode::sensor);
    engine->setSensorSource(SensorSource::battery);
    engine->setSensorStartTemp(45.5);
    engine->setRightLadderEnabled(false);
    restart();
    EXPECT_EQ(engine->ladder2(), (LadderTier{true, 60, 3000, 3200}));
    EXPECT_EQ(engine->ladder3(), (LadderTier{true, 75, 4500, 4600}));
    EXPECT_TRUE(engine->sustainedMaxOn());
    EXPECT_EQ(engine->sustainedMinutes(), 12);
    EXPECT_EQ(engine->rightMode(), FanMode::sensor);
    EXPECT_EQ(engine->sensorSource(), SensorSource::battery);
    EXPECT_EQ(engine->sensorStartTemp(), 45.5);
    EXPECT_FALSE(engine->rightLadderEnabled());
}

TEST_F(EngineTest, SharedIsTheInstalledEngineUntilItGoes) {
    start();
    FanController::setShared(engine.get());
    EXPECT_EQ(&FanController::shared(), engine.get());
    engine.reset();
    EXPECT_THROW(FanController::shared(), std::logic_error);
}

}  // namespace
}  // namespace ventiq
