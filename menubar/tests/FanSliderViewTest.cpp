#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <vector>

#include "menubar/FanSliderView.h"
#include "platform/ManualLoop.h"
#include "viewkit/tests/QtTestApp.h"

namespace ventiq {
namespace {

// A slider 214 wide, so that its track runs from 7 to 207: 200 points.
class FanSliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        slider.resize(214, 20);
        slider.onChanging = [this](double v) { changes.push_back(v); };
        slider.onCommit = [this](double v) { commits.push_back(v); };
    }

    void mouse(QEvent::Type type, double trackX) {
        const QPointF at(slider.trackStart() + trackX, 10);
        QMouseEvent event(type, at, slider.mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&slider, &event);
    }
    void key(int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, code, modifiers);
        QApplication::sendEvent(&slider, &event);
    }
    bool wheel(QPoint pixel, QPoint angle, bool inverted = false) {
        QWheelEvent event(QPointF(10, 10), QPointF(10, 10), pixel, angle, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, inverted);
        event.ignore();
        QApplication::sendEvent(&slider, &event);
        return event.isAccepted();
    }
    double valueAtTrackX(double x) const { return 1350 + (5349 - 1350) * x / 200; }

    // First member: the slider below is a widget and needs the application
    // before it is built, also when this test runs alone.
    QApplication& app = testing::qtTestApp();
    ManualLoop loop;
    FanSliderView slider{loop};
    std::vector<double> changes, commits;
};

TEST_F(FanSliderTest, DragReportsEachValueAndCommitsOnce) {
    slider.setValue(2000);
    EXPECT_TRUE(changes.empty()) << "setValue calls nothing";
    const double from = (2000.0 - 1350) / (5349 - 1350) * 200, to = (3000.0 - 1350) / (5349 - 1350) * 200;
    mouse(QEvent::MouseButtonPress, from);
    EXPECT_TRUE(slider.isTracking());
    for (double x = from; x <= to; x += 10) mouse(QEvent::MouseMove, x);
    mouse(QEvent::MouseButtonRelease, to);
    EXPECT_FALSE(slider.isTracking());
    ASSERT_FALSE(changes.empty());
    for (std::size_t i = 1; i < changes.size(); ++i) EXPECT_NE(changes[i], changes[i - 1]);
    for (double v : changes) EXPECT_EQ(static_cast<int>(v) % 10, 0) << v;
    EXPECT_EQ(commits, std::vector<double>{3000});

    // A click anywhere on the track jumps there.
    mouse(QEvent::MouseButtonPress, 200);
    mouse(QEvent::MouseButtonRelease, 200);
    EXPECT_EQ(slider.value(), 5349);
}

TEST_F(FanSliderTest, ArrowKeysStepAndCommitOnceAfterTheBurst) {
    slider.setValue(3000);
    for (int i = 0; i < 5; ++i) key(Qt::Key_Right);
    EXPECT_EQ(changes, (std::vector<double>{3050, 3100, 3150, 3200, 3250}));
    EXPECT_TRUE(commits.empty());
    loop.advanceSeconds(0.29);
    EXPECT_TRUE(commits.empty());
    loop.advanceSeconds(0.02);
    EXPECT_EQ(commits, std::vector<double>{3250});
    EXPECT_FALSE(slider.isTracking());

    key(Qt::Key_Left, Qt::ShiftModifier);
    loop.advanceSeconds(0.3);
    EXPECT_EQ(commits.back(), 3050);
}

TEST_F(FanSliderTest, WheelAndTouchpad) {
    slider.setValue(3000);
    // One wheel notch up: 8 points of a 200-point track.
    EXPECT_TRUE(wheel({}, {0, 120}));
    EXPECT_EQ(slider.value(), 3160);
    // A touchpad's precise 20 pixels to the right: no change of sign for x.
    EXPECT_TRUE(wheel({-20, 0}, {-20, 0}));
    EXPECT_EQ(slider.value(), 3560);
    // Natural scrolling flips the vertical direction.
    EXPECT_TRUE(wheel({0, 10}, {0, 10}, true));
    EXPECT_EQ(slider.value(), 3360);
    loop.advanceSeconds(0.3);
    EXPECT_EQ(commits, std::vector<double>{3360});
    EXPECT_TRUE(wheel({}, {0, 0})) << "a zero delta is taken and does nothing";
    EXPECT_EQ(changes.size(), 3u);
}

TEST_F(FanSliderTest, RightToLeftMirrorsInput) {
    slider.setLayoutDirection(Qt::RightToLeft);
    slider.setValue(3000);
    key(Qt::Key_Right);
    EXPECT_EQ(slider.value(), 2950);
    wheel({}, {0, 120});
    EXPECT_EQ(slider.value(), 2790);
    mouse(QEvent::MouseButtonPress, 0);
    mouse(QEvent::MouseButtonRelease, 0);
    EXPECT_EQ(slider.value(), 5349) << "the left end is the maximum";

    // The fill grows from the right: at the minimum the thumb sits at the
    // right end, and the track's left part stays unfilled.
    slider.setValue(3350);
    QImage image(slider.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::black);
    slider.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const QColor rightPart = image.pixelColor(static_cast<int>(2 * (slider.trackEnd() - 20)), 20);
    const QColor leftPart = image.pixelColor(static_cast<int>(2 * (slider.trackStart() + 20)), 20);
    EXPECT_GT(rightPart.blue(), 150) << "filled";
    EXPECT_LT(leftPart.blue(), 60) << "track only";
}

TEST_F(FanSliderTest, DisabledIgnoresInput) {
    slider.setValue(3000);
    slider.setSliderEnabled(false);
    mouse(QEvent::MouseButtonPress, 150);
    mouse(QEvent::MouseButtonRelease, 150);
    key(Qt::Key_Right);
    EXPECT_FALSE(slider.accessibilityIncrement());
    EXPECT_FALSE(wheel({}, {0, 120})) << "scrolling goes on to the parent";
    EXPECT_EQ(slider.focusPolicy(), Qt::NoFocus);
    loop.advanceSeconds(1);
    EXPECT_EQ(slider.value(), 3000);
    EXPECT_TRUE(changes.empty());
    EXPECT_TRUE(commits.empty());
}

TEST_F(FanSliderTest, Accessibility) {
    slider.setValue(2345);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&slider);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Slider);
    QAccessibleValueInterface* value = a->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 2345);
    EXPECT_EQ(value->minimumValue().toInt(), 1350);
    EXPECT_EQ(value->maximumValue().toInt(), 5349);
    a->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(slider.value(), 2400) << "+50, snapped";
    slider.setLayoutDirection(Qt::RightToLeft);
    EXPECT_TRUE(slider.accessibilityDecrement());
    EXPECT_EQ(slider.value(), 2350) << "not mirrored";
    loop.advanceSeconds(0.3);
    EXPECT_EQ(commits, std::vector<double>{2350});
}

}  // namespace
}  // namespace ventiq
