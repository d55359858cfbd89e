// The stepper, the text-size slider with its arithmetic, and the font sample.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QElapsedTimer>
#include <QFontInfo>

#include "ControlTestSupport.h"
#include "settings/SettingsStyle.h"
#include "viewkit/tests/QtTestApp.h"
#include "windows/controls/FontSampleView.h"
#include "windows/controls/ScaleSliderMath.h"
#include "windows/controls/ScaleSliderView.h"
#include "windows/controls/ScaledStepper.h"
#include "windows/controls/WFont.h"

namespace ventiq {
namespace {

bool waitFor(const std::function<bool()>& condition) { return testing::spinUntil(condition, 5000); }

QString rpm(int v) { return QString("%1 rpm").arg(v); }

class StepperTest : public ControlTest {};

TEST_F(StepperTest, NudgesClampAndReportOnlyRealChanges) {
    struct Case {
        const char* name;
        int value, lower, upper, step;
        int direction;
        bool enabled;
        int expected;
    };
    const Case cases[] = {
        {"temperature up", 65, 40, 90, 1, +1, true, 66},
        {"temperature at the top", 90, 40, 90, 1, +1, true, 90},
        {"temperature down at the bottom", 40, 40, 90, 1, -1, true, 40},
        {"speed step to the cap", 5300, 1350, 5349, 100, +1, true, 5349},
        {"speed at the cap", 5349, 1350, 5349, 100, +1, true, 5349},
        {"speed down", 5349, 1350, 5349, 100, -1, true, 5249},
        {"disabled", 3000, 1350, 5349, 100, +1, false, 3000},
    };
    for (const Case& c : cases) {
        std::vector<int> changes;
        ScaledStepper s(c.value, {c.lower, c.upper}, c.step, 80, rpm);
        s.onChange = [&](int v) { changes.push_back(v); };
        s.setEnabled(c.enabled);
        const bool changed = s.nudge(c.direction);
        EXPECT_EQ(s.value(), c.expected) << c.name;
        EXPECT_EQ(changed, c.expected != c.value) << c.name;
        EXPECT_EQ(changes, changed ? std::vector<int>{c.expected} : std::vector<int>{}) << c.name;
    }
}

TEST_F(StepperTest, ProgrammaticValuesClampWithoutCallback) {
    int calls = 0;
    ScaledStepper s(120, {40, 90}, 1, 60, [](int v) { return QString("%1°").arg(v); });
    EXPECT_EQ(s.value(), 90);
    s.onChange = [&](int) { ++calls; };
    s.setValue(95);
    EXPECT_EQ(s.value(), 90);
    EXPECT_EQ(s.text(), "90°");
    s.setValue(30);
    EXPECT_EQ(s.value(), 40);
    EXPECT_EQ(calls, 0);
}

TEST_F(StepperTest, ArrowKeysAndSidesNudge) {
    ScaledStepper s(65, {40, 90}, 1, 60, nullptr);
    s.resize(s.sizeHint());
    EXPECT_EQ(s.sizeHint(), QSize(120, 28));
    const std::pair<Qt::Key, int> keys[] = {
        {Qt::Key_Left, 64}, {Qt::Key_Down, 63}, {Qt::Key_Right, 64}, {Qt::Key_Up, 65}};
    for (auto [key, expected] : keys) {
        pressKey(s, key);
        EXPECT_EQ(s.value(), expected) << key;
    }
    click(s, {10, 14});
    EXPECT_EQ(s.value(), 64);
    click(s, {115, 14});
    EXPECT_EQ(s.value(), 65);
    click(s, {60, 14});  // the value area is no side
    EXPECT_EQ(s.value(), 65);
    // The sides stay where they are in right-to-left.
    s.setLayoutDirection(Qt::RightToLeft);
    click(s, {10, 14});
    EXPECT_EQ(s.value(), 64);
}

TEST_F(StepperTest, HoldingASideRepeatsUntilRelease) {
    ScaledStepper s(1000, {0, 100000}, 100, 80, nullptr);
    s.resize(s.sizeHint());
    mouse(s, QEvent::MouseButtonPress, {s.width() - 5.0, 14});
    EXPECT_EQ(s.pressedSide(), 1);
    EXPECT_EQ(s.value(), 1100);
    ASSERT_TRUE(waitFor([&] { return s.value() >= 1300; }));
    mouse(s, QEvent::MouseButtonRelease, {s.width() - 5.0, 14});
    EXPECT_EQ(s.pressedSide(), 0);
    const int released = s.value();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(s.value(), released);
}

TEST_F(StepperTest, ValueFitsAndAccessibility) {
    ScaledStepper s(5349, {1350, 5777}, 100, 80, rpm);
    EXPECT_TRUE(s.valueFits());
    ScaledStepper narrow(5349, {1350, 5777}, 100, 20, rpm);
    EXPECT_FALSE(narrow.valueFits());

    s.accessibilityName = "Left fan";
    auto* a = QAccessible::queryAccessibleInterface(&s);
    EXPECT_EQ(a->role(), QAccessible::SpinBox);
    EXPECT_EQ(a->text(QAccessible::Name), "Left fan");
    auto* value = a->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toInt(), 1350);
    EXPECT_EQ(value->maximumValue().toInt(), 5777);
    a->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(s.value(), 5449);
    a->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(value->currentValue().toInt(), 5349);
}

TEST(ScaleSliderMathTest, EndsMiddleAndDefaultPositions) {
    struct Case {
        const char* name;
        double x;
        bool rtl;
        int percent;
    };
    // A track from 10 to 150: 140 long.
    const Case cases[] = {
        {"leftmost", 10, false, 80},           {"rightmost", 150, false, 150},
        {"middle", 80, false, 115},            {"beyond the left end", -40, false, 80},
        {"beyond the right end", 900, false, 150}, {"leftmost in right-to-left", 10, true, 150},
        {"rightmost in right-to-left", 150, true, 80}, {"100 % point", 50, false, 100},
    };
    for (const Case& c : cases) EXPECT_EQ(ScaleSliderMath::percent(c.x, 10, 150, c.rtl), c.percent) << c.name;
    EXPECT_DOUBLE_EQ(ScaleSliderMath::x(100, 10, 150, false), 10 + 140.0 * 20 / 70);
    EXPECT_DOUBLE_EQ(ScaleSliderMath::x(100, 10, 150, true), 150 - 140.0 * 20 / 70);
}

class ScaleSliderTest : public ControlTest {};

TEST_F(ScaleSliderTest, SetPercentNormalisesWithoutCallbacks) {
    int calls = 0;
    ScaleSliderView slider(103);
    EXPECT_EQ(slider.percent(), 105);
    slider.onChanging = [&](int) { ++calls; };
    slider.onCommit = [&](int) { ++calls; };
    const std::pair<int, int> cases[] = {{97, 95}, {500, 150}, {-3, 80}};
    for (auto [in, out] : cases) {
        slider.setPercent(in);
        EXPECT_EQ(slider.percent(), out) << in;
    }
    EXPECT_EQ(calls, 0);
}

TEST_F(ScaleSliderTest, QuickArrowPressesReportEachStepAndCommitOnceLater) {
    ScaleSliderView slider(100);
    std::vector<int> changing, commits;
    slider.onChanging = [&](int p) { changing.push_back(p); };
    slider.onCommit = [&](int p) { commits.push_back(p); };
    for (int i = 0; i < 3; ++i) pressKey(slider, Qt::Key_Right);
    EXPECT_EQ(changing, (std::vector<int>{105, 110, 115}));
    EXPECT_TRUE(commits.empty());
    EXPECT_TRUE(slider.isTracking());
    EXPECT_TRUE(slider.hasPendingCommit());
    ASSERT_TRUE(waitFor([&] { return !commits.empty(); }));
    EXPECT_EQ(commits, std::vector<int>{115});
    EXPECT_FALSE(slider.isTracking());
    EXPECT_FALSE(slider.hasPendingCommit());
}

TEST_F(ScaleSliderTest, ArrowsFollowTheScreenInRightToLeftAndStopAtTheEnds) {
    ScaleSliderView slider(150);
    slider.setLayoutDirection(Qt::RightToLeft);
    std::vector<int> changing;
    slider.onChanging = [&](int p) { changing.push_back(p); };
    pressKey(slider, Qt::Key_Left);  // towards the large end in right-to-left
    pressKey(slider, Qt::Key_Right);
    EXPECT_EQ(changing, std::vector<int>{145});
    EXPECT_EQ(slider.percent(), 145);
}

TEST_F(ScaleSliderTest, DragReportsChangesAndCommitsOnceAtRelease) {
    ScaleSliderView slider(100);
    slider.resize(178, 28);  // track from 9 to 169: 160 long
    std::vector<int> changing, commits;
    slider.onChanging = [&](int p) { changing.push_back(p); };
    slider.onCommit = [&](int p) { commits.push_back(p); };
    pressKey(slider, Qt::Key_Right);  // leaves a pending key commit that the drag cancels
    mouse(slider, QEvent::MouseButtonPress, {9, 14});
    EXPECT_FALSE(slider.hasPendingCommit());
    EXPECT_TRUE(slider.isTracking());
    mouse(slider, QEvent::MouseMove, {-50, 14});
    mouse(slider, QEvent::MouseMove, {89, 14});
    mouse(slider, QEvent::MouseMove, {400, 14});
    mouse(slider, QEvent::MouseButtonRelease, {400, 14});
    EXPECT_EQ(changing, (std::vector<int>{105, 80, 115, 150}));
    EXPECT_EQ(commits, std::vector<int>{150});
    EXPECT_FALSE(slider.isTracking());
}

TEST_F(ScaleSliderTest, DisabledSliderIgnoresInputAndAccessibilityNudges) {
    setLanguage("en");
    ScaleSliderView slider(100);
    slider.resize(178, 28);
    int calls = 0;
    slider.onChanging = [&](int) { ++calls; };
    slider.onCommit = [&](int) { ++calls; };
    auto* a = QAccessible::queryAccessibleInterface(&slider);
    EXPECT_EQ(a->role(), QAccessible::Slider);
    EXPECT_EQ(a->text(QAccessible::Name), "Text size");
    EXPECT_EQ(a->valueInterface()->minimumValue().toInt(), 80);
    EXPECT_EQ(a->valueInterface()->maximumValue().toInt(), 150);

    slider.setEnabled(false);
    a->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    pressKey(slider, Qt::Key_Right);
    click(slider, {169, 14});
    EXPECT_EQ(slider.percent(), 100);
    EXPECT_EQ(calls, 0);

    slider.setEnabled(true);
    a->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(a->valueInterface()->currentValue().toInt(), 95);
}

class FontSampleTest : public ControlTest {};

TEST_F(FontSampleTest, ShowsWhatThePanelWouldUseOnThisScreen) {
    FontSampleView sample;
    EXPECT_EQ(sample.percent(), 100);
    EXPECT_EQ(sample.sizeHint().height(), 48);
    // A screen whose panel fits only up to 125 %.
    UIScale::refreshPanel(674 * 1.27 + 16);
    ASSERT_EQ(UIScale::panelCapPercent(), 125);
    const std::pair<int, int> cases[] = {{150, 125}, {110, 110}, {90, 90}};
    for (auto [chosen, shown] : cases) {
        sample.setPercent(chosen);
        EXPECT_EQ(sample.shownPercent(), shown) << chosen;
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&sample)->role(), QAccessible::Client);
}

TEST_F(FontSampleTest, EveryControlIsOneRowHighAtEachScale) {
    for (int percent : {100, 125, 150}) {
        setScale(percent);
        const int row = static_cast<int>(SettingsStyle::rowHeight());
        ScaledStepper stepper(1, {0, 2}, 1, 40, nullptr);
        ScaleSliderView slider(100);
        EXPECT_EQ(stepper.sizeHint().height(), row) << percent;
        EXPECT_EQ(slider.sizeHint().height(), row) << percent;
        EXPECT_EQ(FontSampleView().sizeHint().height(), static_cast<int>(wz(48))) << percent;
    }
    setScale(100);
    EXPECT_EQ(SettingsStyle::rowHeight(), 28);
    EXPECT_EQ(QFontInfo(wfont(14)).pixelSize(), 14);
}

}  // namespace
}  // namespace ventiq
