// The fan cards, the steppers and the sustained-heat card over the engine.
#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QToolButton>

#include "windows/MainFanCardView.h"
#include "windows/StepperBox.h"
#include "windows/SustainedHeatCardView.h"
#include "windows/tests/WindowFixture.h"

namespace ventiq {
namespace {

class FanCardTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        advance(2);
    }
    MainFanCardView& card(bool isLeft) {
        auto& slot = isLeft ? left : right;
        if (!slot) {
            slot = std::make_unique<MainFanCardView>(*engine, isLeft);
            slot->resize(480, MainFanCardView::cardHeight);
            slot->update(engine->fan(isLeft ? 0 : 1));
        }
        return *slot;
    }
    std::unique_ptr<MainFanCardView> left;
    std::unique_ptr<MainFanCardView> right;
};

TEST_F(FanCardTest, ShowsTheFanAndFollowsThePreset) {
    MainFanCardView& c = card(true);
    EXPECT_EQ(c.rpmLargeLabel()->text(), "2000");
    EXPECT_EQ(c.slider()->minimum(), 1350);
    EXPECT_EQ(c.slider()->maximum(), 5349);
    // Under Auto the slider shows the fan's own target and cannot be moved.
    EXPECT_FALSE(c.slider()->isEnabled());
    EXPECT_FALSE(c.tempStepper(2)->isStepperEnabled());

    engine->setPreset(FanPreset::mySettings);
    engine->setMyLeftRPM(9000);
    c.update(engine->fan(0));
    EXPECT_TRUE(c.slider()->isEnabled());
    EXPECT_TRUE(c.rpmStepper(3)->isStepperEnabled());
    EXPECT_EQ(c.slider()->value(), 5349);
    EXPECT_EQ(c.normalBadge()->text(), "5349");

    c.update(nullptr);
    EXPECT_EQ(c.rpmLargeLabel()->text(), "\u2014");
    EXPECT_EQ(c.normalBadge()->text(), "\u2014");
    EXPECT_FALSE(c.slider()->isEnabled());

    // Laid out around the dash when shown, the number grows back to four
    // digits without being cut off.
    c.show();
    c.update(engine->fan(0));
    EXPECT_GE(c.rpmLargeLabel()->width(), c.rpmLargeLabel()->sizeHint().width());
}

TEST_F(FanCardTest, DraggingUnderAutoSwitchesToCustomAndConstant) {
    engine->setLeftMode(FanMode::auto_);
    engine->setLeftLadderEnabled(false);
    MainFanCardView& c = card(true);
    c.slider()->setEnabled(true);
    c.slider()->setValue(4200);
    EXPECT_EQ(engine->preset(), FanPreset::mySettings);
    EXPECT_EQ(engine->leftMode(), FanMode::constant);
    EXPECT_EQ(engine->myLeftRPM(), 4200);
    EXPECT_TRUE(engine->leftLadderEnabled());
    EXPECT_EQ(c.normalBadge()->text(), "4200");
    // The right side is left as it was.
    EXPECT_EQ(engine->rightMode(), FanMode::constant);
    EXPECT_EQ(engine->myRightRPM(), 3193);
}

TEST_F(FanCardTest, StepTemperaturesStayInOrderAndInRange) {
    struct Case {
        const char* name;
        int tier2;
        int tier3;
        int tier;
        int delta;
        int expected2;
        int expected3;
    };
    const Case cases[] = {
        {"setting 2 up to one below setting 3", 69, 70, 2, +1, 69, 70},
        {"setting 2 up", 65, 70, 2, +1, 66, 70},
        {"setting 2 not below 40", 40, 70, 2, -1, 40, 70},
        {"setting 3 down to one above setting 2", 65, 66, 3, -1, 65, 66},
        {"setting 3 down", 65, 70, 3, -1, 65, 69},
        {"setting 3 not above 90", 65, 90, 3, +1, 65, 90},
    };
    MainFanCardView& c = card(true);
    for (const Case& k : cases) {
        engine->setLadder2({false, k.tier2, 3300, 3500});
        engine->setLadder3({false, k.tier3, 4000, 4100});
        engine->setLeftLadderEnabled(false);
        c.adjustTemp(k.tier, k.delta);
        EXPECT_EQ(engine->ladder2().tempC, k.expected2) << k.name;
        EXPECT_EQ(engine->ladder3().tempC, k.expected3) << k.name;
        EXPECT_TRUE((k.tier == 2 ? engine->ladder2() : engine->ladder3()).enabled) << k.name;
        EXPECT_TRUE(engine->leftLadderEnabled()) << k.name;
        EXPECT_EQ(c.tempStepper(k.tier)->text(), QString::number(k.tier == 2 ? k.expected2 : k.expected3) + "\u00B0C")
            << k.name;
    }
}

TEST_F(FanCardTest, StepSpeedsStopAtTheFansLimits) {
    struct Case {
        const char* name;
        bool isLeft;
        int start;
        int delta;
        int expected;
    };
    const Case cases[] = {
        {"left maximum", true, 5300, +100, 5349},
        {"left minimum", true, 1400, -100, 1350},
        {"right reaches its own maximum", false, 5700, +100, 5777},
        {"an ordinary step", false, 4000, -100, 3900},
    };
    for (const Case& k : cases) {
        MainFanCardView& c = card(k.isLeft);
        LadderTier t3 = engine->ladder3();
        (k.isLeft ? t3.left : t3.right) = k.start;
        engine->setLadder3(t3);
        const int otherSide = k.isLeft ? t3.right : t3.left;
        c.adjustRPM(3, k.delta);
        const LadderTier after = engine->ladder3();
        EXPECT_EQ(k.isLeft ? after.left : after.right, k.expected) << k.name;
        EXPECT_EQ(k.isLeft ? after.right : after.left, otherSide) << k.name;
        EXPECT_EQ(c.rpmStepper(3)->text(), QString::number(k.expected)) << k.name;
    }
}

TEST_F(FanCardTest, StepSpeedsWithoutTheFanUseTheFallbackRange) {
    smc.remove("FNum");
    advance(2);
    ASSERT_EQ(engine->fan(1), nullptr);
    MainFanCardView& c = card(false);
    engine->setLadder2({true, 65, 3300, 5450});
    c.adjustRPM(2, +100);
    EXPECT_EQ(engine->ladder2().right, 5500);
    c.adjustRPM(2, +100);
    EXPECT_EQ(engine->ladder2().right, 5500);
}

TEST_F(FanCardTest, StepperButtonsRepeatWhileHeld) {
    StepperBox box("3", 44);
    int decs = 0;
    box.onDec = [&] { ++decs; };
    QToolButton* minus = box.decButton();
    EXPECT_TRUE(minus->autoRepeat());
    EXPECT_EQ(minus->autoRepeatDelay(), 350);
    EXPECT_EQ(minus->autoRepeatInterval(), 80);
    EXPECT_TRUE(box.incButton()->autoRepeat());
    minus->click();
    EXPECT_EQ(decs, 1);
    box.setEnabled(false);
    EXPECT_FALSE(minus->isEnabled());
    EXPECT_EQ(box.size(), QSize(88, 24));
}

TEST_F(FanCardTest, SustainedHeatMinutesAreClampedAndNeedSettingThreeAndTheSwitch) {
    engine->setPreset(FanPreset::mySettings);
    SustainedHeatCardView sustained(*engine);
    EXPECT_FALSE(sustained.minutesStepper()->isStepperEnabled());
    EXPECT_EQ(sustained.minutesStepper()->text(), "3 min");

    // Switching it on also switches setting 3 on.
    sustained.enableCheck()->click();
    EXPECT_TRUE(engine->sustainedMaxOn());
    EXPECT_TRUE(engine->ladder3().enabled);
    EXPECT_TRUE(sustained.minutesStepper()->isStepperEnabled());

    for (int i = 0; i < 40; ++i) sustained.minutesStepper()->incButton()->click();
    EXPECT_EQ(engine->sustainedMinutes(), 30);
    EXPECT_EQ(sustained.minutesStepper()->text(), "30 min");
    for (int i = 0; i < 40; ++i) sustained.minutesStepper()->decButton()->click();
    EXPECT_EQ(engine->sustainedMinutes(), 1);

    LadderTier t3 = engine->ladder3();
    t3.enabled = false;
    engine->setLadder3(t3);
    sustained.updateUI();
    EXPECT_FALSE(sustained.minutesStepper()->isStepperEnabled());
}

TEST_F(FanCardTest, SustainedHeatStatusSaysWhatTheLadderDoes) {
    SustainedHeatCardView sustained(*engine);
    EXPECT_EQ(sustained.statusText(), "Steps only apply with the Custom preset");
    engine->setPreset(FanPreset::mySettings);
    sensors.setCPU(55);
    advance(2);
    sustained.updateUI();
    EXPECT_EQ(sustained.statusText(), "CPU peak 55°C · using Setting 1");
    sensors.setCPU(std::nullopt);
    advance(2);
    sustained.updateUI();
    EXPECT_EQ(sustained.statusText(), "Can't read the CPU temperature — keeping the current step");
    sensors.setCPU(95);
    advance(2);
    sustained.updateUI();
    EXPECT_EQ(sustained.statusText(), "CPU peak 95°C · overheat protection — fans at maximum (ends below 88°C)");
}

}  // namespace
}  // namespace ventiq
