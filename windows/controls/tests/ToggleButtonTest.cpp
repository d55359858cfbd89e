// Check boxes, radio buttons and push buttons: what a click, a key and an
// accessibility press do, and how big they are.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QFontMetricsF>
#include <QVBoxLayout>
#include <QWidget>
#include <cmath>

#include "ControlTestSupport.h"
#include "settings/SettingsStyle.h"
#include "windows/controls/ScaledActionButton.h"
#include "windows/controls/ScaledToggle.h"
#include "windows/controls/WFont.h"

namespace ventiq {
namespace {

using Kind = ScaledToggle::Kind;

class ToggleTest : public ControlTest {};

TEST_F(ToggleTest, CheckBoxFlipsOnEveryClickAndSendsOnePerClick) {
    int sent = 0;
    ScaledToggle box(Kind::checkbox, "Show temperature", [&](ScaledControlBase& sender) {
        EXPECT_EQ(&sender, &box);
        ++sent;
    });
    box.resize(box.sizeHint());
    EXPECT_EQ(box.state(), Qt::Unchecked);
    click(box, {5, 14});
    EXPECT_EQ(box.state(), Qt::Checked);
    EXPECT_EQ(sent, 1);
    click(box, {5, 14});
    EXPECT_EQ(box.state(), Qt::Unchecked);
    EXPECT_EQ(sent, 2);
}

TEST_F(ToggleTest, ReleaseOutsideCancelsAndDragTracksPressedState) {
    int sent = 0;
    ScaledToggle box(Kind::checkbox, "Login", [&](ScaledControlBase&) { ++sent; });
    box.resize(box.sizeHint());
    mouse(box, QEvent::MouseButtonPress, {5, 14});
    EXPECT_TRUE(box.isPressed());
    mouse(box, QEvent::MouseMove, {500, 14});
    EXPECT_FALSE(box.isPressed());
    mouse(box, QEvent::MouseMove, {6, 14});
    EXPECT_TRUE(box.isPressed());
    mouse(box, QEvent::MouseButtonRelease, {500, 14});
    EXPECT_FALSE(box.isPressed());
    EXPECT_EQ(box.state(), Qt::Unchecked);
    EXPECT_EQ(sent, 0);
}

TEST_F(ToggleTest, RadioTurnsOffItsSiblingsOnlyAndResendsWhenAlreadyOn) {
    QWidget group, otherGroup;
    std::vector<int> tags;
    auto record = [&](ScaledControlBase& s) { tags.push_back(s.tag()); };
    auto* layout = new QVBoxLayout(&group);
    std::vector<ScaledToggle*> radios;
    for (int i = 0; i < 3; ++i) {
        radios.push_back(new ScaledToggle(Kind::radio, QString("Choice %1").arg(i), record));
        radios.back()->setTag(i);
        layout->addWidget(radios.back());
    }
    radios[0]->setState(Qt::Checked);
    ScaledToggle foreign(Kind::radio, "Other group", record, &otherGroup);
    foreign.setState(Qt::Checked);
    // A check box sharing the container is no radio and keeps its state.
    ScaledToggle check(Kind::checkbox, "Check", {}, &group);
    check.setState(Qt::Checked);

    radios[2]->activate();
    EXPECT_EQ(radios[0]->state(), Qt::Unchecked);
    EXPECT_EQ(radios[1]->state(), Qt::Unchecked);
    EXPECT_EQ(radios[2]->state(), Qt::Checked);
    EXPECT_EQ(foreign.state(), Qt::Checked);
    EXPECT_EQ(check.state(), Qt::Checked);

    radios[2]->activate();
    EXPECT_EQ(radios[2]->state(), Qt::Checked);
    EXPECT_EQ(radios[0]->state(), Qt::Unchecked);
    EXPECT_EQ(tags, (std::vector<int>{2, 2}));
}

TEST_F(ToggleTest, SettingStateSendsNothing) {
    int sent = 0;
    ScaledToggle radio(Kind::radio, "A", [&](ScaledControlBase&) { ++sent; });
    radio.setState(Qt::Checked);
    radio.setState(Qt::Unchecked);
    EXPECT_EQ(sent, 0);
}

TEST_F(ToggleTest, SpaceAndReturnActivateOtherKeysDoNot) {
    struct Case {
        const char* name;
        Qt::Key key;
        bool activates;
    };
    const Case cases[] = {
        {"space", Qt::Key_Space, true}, {"return", Qt::Key_Return, true}, {"enter", Qt::Key_Enter, true},
        {"letter", Qt::Key_A, false},   {"escape", Qt::Key_Escape, false},
    };
    for (const Case& c : cases) {
        int sent = 0;
        ScaledToggle box(Kind::checkbox, "Key", [&](ScaledControlBase&) { ++sent; });
        pressKey(box, c.key);
        EXPECT_EQ(sent, c.activates ? 1 : 0) << c.name;
        EXPECT_EQ(box.isOn(), c.activates) << c.name;
    }
}

TEST_F(ToggleTest, DisabledToggleIgnoresMouseKeysAndAccessibility) {
    int sent = 0;
    ScaledToggle box(Kind::checkbox, "Off", [&](ScaledControlBase&) { ++sent; });
    box.resize(box.sizeHint());
    box.setEnabled(false);
    click(box, {5, 14});
    pressKey(box, Qt::Key_Space);
    EXPECT_FALSE(box.accessibilityPress());
    box.activate();
    EXPECT_EQ(sent, 0);
    EXPECT_EQ(box.state(), Qt::Unchecked);
}

TEST_F(ToggleTest, SizeFollowsTitleAndScale) {
    struct Case {
        const char* name;
        int percent;
        int height;
    };
    const Case cases[] = {{"100 %", 100, 28}, {"125 %", 125, 35}, {"150 %", 150, 42}};
    for (const Case& c : cases) {
        setScale(c.percent);
        ScaledToggle box(Kind::checkbox, "Open at login");
        const double title = std::ceil(QFontMetricsF(wfont(14)).horizontalAdvance("Open at login"));
        EXPECT_EQ(box.sizeHint().height(), c.height) << c.name;
        EXPECT_EQ(box.sizeHint().width(), static_cast<int>(std::ceil(title + wz(18) + wz(9) + 2))) << c.name;
    }
    setScale(100);
    ScaledToggle box(Kind::radio, "Short");
    const int before = box.sizeHint().width();
    box.setTitle("A much longer title than before");
    EXPECT_GT(box.sizeHint().width(), before);
}

TEST_F(ToggleTest, BoxSitsAtTheTrailingEdgeInRightToLeft) {
    ScaledToggle box(Kind::checkbox, "Mirror");
    box.resize(200, 28);
    EXPECT_EQ(box.boxRect(), QRectF(0, 5, 18, 18));
    box.setLayoutDirection(Qt::RightToLeft);
    EXPECT_EQ(box.boxRect(), QRectF(182, 5, 18, 18));
}

TEST_F(ToggleTest, AccessibilityReportsRoleTitleValueAndPress) {
    int sent = 0;
    ScaledToggle box(Kind::checkbox, "Login item", [&](ScaledControlBase&) { ++sent; });
    ScaledToggle radio(Kind::radio, "Keep");
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&box);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::CheckBox);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&radio)->role(), QAccessible::RadioButton);
    EXPECT_EQ(a->text(QAccessible::Name), "Login item");
    EXPECT_EQ(a->text(QAccessible::Value), "0");
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(a->text(QAccessible::Value), "1");
    EXPECT_TRUE(a->state().checked);
    EXPECT_EQ(sent, 1);
    box.setEnabled(false);
    EXPECT_TRUE(a->state().disabled);
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(sent, 1);
}

TEST_F(ToggleTest, FocusRingShowsOnlyForKeyboardFocus) {
    QWidget window;
    auto* first = new ScaledToggle(Kind::checkbox, "First", {}, &window);
    auto* second = new ScaledToggle(Kind::checkbox, "Second", {}, &window);
    window.show();
    QApplication::setActiveWindow(&window);
    first->setFocus(Qt::ActiveWindowFocusReason);
    ASSERT_TRUE(first->hasFocus());
    EXPECT_FALSE(first->focusRingVisible());
    second->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(second->focusRingVisible());
    first->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(first->focusRingVisible());
    EXPECT_FALSE(second->focusRingVisible());
}

class ActionButtonTest : public ControlTest {};

TEST_F(ActionButtonTest, EnabledButtonSendsOnClickKeysAndAccessibilityPress) {
    int sent = 0;
    ScaledActionButton button("Reset to default", false, [&](ScaledControlBase&) { ++sent; });
    button.resize(button.sizeHint());
    click(button, {10, 10});
    pressKey(button, Qt::Key_Space);
    pressKey(button, Qt::Key_Return);
    EXPECT_TRUE(button.accessibilityPress());
    EXPECT_EQ(sent, 4);
}

TEST_F(ActionButtonTest, DisabledButtonIgnoresClicksSpaceAndAccessibilityPress) {
    int sent = 0;
    ScaledActionButton button("Enable Fan Control…", false, [&](ScaledControlBase&) { ++sent; });
    button.resize(button.sizeHint());
    button.setEnabled(false);
    click(button, {10, 10});
    pressKey(button, Qt::Key_Space);
    EXPECT_FALSE(button.accessibilityPress());
    QAccessible::queryAccessibleInterface(&button)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    EXPECT_EQ(sent, 0);
}

TEST_F(ActionButtonTest, WidthFollowsTheLabelWithAMinimum) {
    ScaledActionButton tiny("OK", true);
    EXPECT_EQ(tiny.sizeHint(), QSize(64, 28));
    ScaledActionButton button("Enable", false);
    const int before = button.sizeHint().width();
    const double labelWidth = std::ceil(QFontMetricsF(wfont(14)).horizontalAdvance("Disable Fan Control…"));
    button.setLabel("Disable Fan Control…");
    EXPECT_GT(button.sizeHint().width(), before);
    EXPECT_EQ(button.sizeHint().width(), static_cast<int>(std::ceil(std::max(64.0, labelWidth + 32))));
    EXPECT_EQ(button.label(), "Disable Fan Control…");
    auto* a = QAccessible::queryAccessibleInterface(&button);
    EXPECT_EQ(a->role(), QAccessible::Button);
    EXPECT_EQ(a->text(QAccessible::Name), "Disable Fan Control…");
}

}  // namespace
}  // namespace ventiq
