// Pop-up lists and segmented controls: selection by the user and by the
// program, the list menu, keys and accessibility.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QMenu>

#include "ControlTestSupport.h"
#include "windows/controls/ScaledPopUp.h"
#include "windows/controls/ScaledSegmented.h"

namespace ventiq {
namespace {

class PopUpTest : public ControlTest {};

TEST_F(PopUpTest, PickSendsSelectItemDoesNotAndOutsideIndexesChangeNothing) {
    int sent = 0;
    ScaledPopUp popUp({"1 s", "2 s", "5 s"}, 1, 140, [&](ScaledControlBase&) { ++sent; });
    EXPECT_EQ(popUp.titleOfSelectedItem(), "2 s");

    struct Step {
        const char* name;
        std::function<void()> run;
        int selected;
        int sent;
    };
    const Step steps[] = {
        {"pick the selected item again", [&] { popUp.pick(1); }, 1, 1},
        {"selectItem", [&] { popUp.selectItem(2); }, 2, 1},
        {"pick", [&] { popUp.pick(0); }, 0, 2},
        {"pick outside", [&] { popUp.pick(7); }, 0, 2},
        {"selectItem negative", [&] { popUp.selectItem(-1); }, 0, 2},
        {"selectItem past the end", [&] { popUp.selectItem(3); }, 0, 2},
    };
    for (const Step& s : steps) {
        s.run();
        EXPECT_EQ(popUp.indexOfSelectedItem(), s.selected) << s.name;
        EXPECT_EQ(sent, s.sent) << s.name;
    }
}

TEST_F(PopUpTest, EmptyOrUnselectedPopUpHasNoTitleAndEmptyOneOpensNoMenu) {
    ScaledPopUp empty({}, 0, 140);
    EXPECT_EQ(empty.titleOfSelectedItem(), std::nullopt);
    EXPECT_TRUE(empty.titleFits());
    empty.activate();
    EXPECT_EQ(empty.openMenu(), nullptr);
    EXPECT_FALSE(empty.isPressed());

    ScaledPopUp outside({"a", "b"}, 5, 140);
    EXPECT_EQ(outside.titleOfSelectedItem(), std::nullopt);
}

TEST_F(PopUpTest, ListOpensBelowTheControlAndChoosingAnItemPicksIt) {
    QWidget window;
    std::vector<int> picked;
    auto* popUp = new ScaledPopUp({"CPU", "SSD", "Battery"}, 0, 220,
                                  [&](ScaledControlBase& s) { picked.push_back(static_cast<ScaledPopUp&>(s).indexOfSelectedItem()); },
                                  &window);
    popUp->setGeometry(20, 30, 220, 28);
    window.show();

    pressKey(*popUp, Qt::Key_Down);
    QMenu* menu = popUp->openMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(popUp->isPressed());
    EXPECT_EQ(menu->pos(), popUp->mapToGlobal(QPoint(0, 30)));
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_TRUE(menu->actions()[0]->isChecked());
    EXPECT_FALSE(menu->actions()[2]->isChecked());
    menu->actions()[2]->trigger();
    menu->close();
    QApplication::processEvents();
    EXPECT_EQ(picked, std::vector<int>{2});
    EXPECT_FALSE(popUp->isPressed());

    // Dismissing the list changes nothing.
    popUp->activate();
    ASSERT_NE(popUp->openMenu(), nullptr);
    popUp->openMenu()->close();
    QApplication::processEvents();
    EXPECT_EQ(popUp->indexOfSelectedItem(), 2);
    EXPECT_EQ(picked.size(), 1u);
    EXPECT_FALSE(popUp->isPressed());
}

TEST_F(PopUpTest, DisabledPopUpOpensNothing) {
    ScaledPopUp popUp({"a"}, 0, 140);
    popUp.setEnabled(false);
    popUp.activate();
    pressKey(popUp, Qt::Key_Up);
    EXPECT_EQ(popUp.openMenu(), nullptr);
    EXPECT_FALSE(popUp.accessibilityPress());
}

TEST_F(PopUpTest, TitleFitsOnlyWhenItsBoxHoldsIt) {
    ScaledPopUp popUp({"2 s", "Return fans to automatic control whenever the application quits"}, 0, 140);
    popUp.resize(popUp.sizeHint());
    EXPECT_EQ(popUp.sizeHint(), QSize(140, 28));
    EXPECT_TRUE(popUp.titleFits());
    popUp.selectItem(1);
    EXPECT_FALSE(popUp.titleFits());
}

TEST_F(PopUpTest, AccessibilityShowsTheSelectedTitle) {
    ScaledPopUp popUp({"English", "العربية"}, 1, 220);
    auto* a = QAccessible::queryAccessibleInterface(&popUp);
    EXPECT_EQ(a->role(), QAccessible::ComboBox);
    EXPECT_EQ(a->text(QAccessible::Value), "العربية");
}

class SegmentedTest : public ControlTest {};

TEST_F(SegmentedTest, TwoSegmentsShareTheWidthMirroredInRightToLeft) {
    ScaledSegmented seg({"°C", "°F"}, 0, 120);
    seg.resize(seg.sizeHint());
    EXPECT_EQ(seg.sizeHint(), QSize(120, 28));
    EXPECT_EQ(seg.segmentRect(0), QRectF(0, 0, 60, 28));
    EXPECT_EQ(seg.segmentRect(1), QRectF(60, 0, 60, 28));
    seg.setLayoutDirection(Qt::RightToLeft);
    EXPECT_EQ(seg.segmentRect(0), QRectF(60, 0, 60, 28));
    EXPECT_EQ(seg.segmentRect(1), QRectF(0, 0, 60, 28));
}

TEST_F(SegmentedTest, KeysCycleStepAndClampAlwaysSendingTheAction) {
    struct Case {
        const char* name;
        Qt::LayoutDirection direction;
        int start;
        Qt::Key key;
        int expected;
    };
    const Case cases[] = {
        {"space toggles forward", Qt::LeftToRight, 0, Qt::Key_Space, 1},
        {"return wraps back", Qt::LeftToRight, 1, Qt::Key_Return, 0},
        {"right arrow", Qt::LeftToRight, 0, Qt::Key_Right, 1},
        {"right arrow beyond the last", Qt::LeftToRight, 1, Qt::Key_Right, 1},
        {"left arrow before the first", Qt::LeftToRight, 0, Qt::Key_Left, 0},
        {"left arrow in right-to-left moves on", Qt::RightToLeft, 0, Qt::Key_Left, 1},
        {"right arrow in right-to-left moves back", Qt::RightToLeft, 1, Qt::Key_Right, 0},
    };
    for (const Case& c : cases) {
        int sent = 0;
        ScaledSegmented seg({"°C", "°F"}, c.start, 120, [&](ScaledControlBase&) { ++sent; });
        seg.setLayoutDirection(c.direction);
        pressKey(seg, c.key);
        EXPECT_EQ(seg.selectedSegment(), c.expected) << c.name;
        EXPECT_EQ(sent, 1) << c.name;
    }
}

TEST_F(SegmentedTest, MouseChoosesOnlyWhenReleasedOverThePressedSegment) {
    int sent = 0;
    ScaledSegmented seg({"A", "B", "C"}, 0, 150, [&](ScaledControlBase&) { ++sent; });
    seg.resize(seg.sizeHint());

    mouse(seg, QEvent::MouseButtonPress, {75, 14});
    EXPECT_EQ(seg.pressedSegment(), 1);
    EXPECT_TRUE(seg.isPressed());
    mouse(seg, QEvent::MouseMove, {125, 14});
    EXPECT_FALSE(seg.isPressed());
    mouse(seg, QEvent::MouseButtonRelease, {125, 14});
    EXPECT_EQ(seg.pressedSegment(), std::nullopt);
    EXPECT_EQ(seg.selectedSegment(), 0);
    EXPECT_EQ(sent, 0);

    click(seg, {125, 14});
    EXPECT_EQ(seg.selectedSegment(), 2);
    EXPECT_EQ(sent, 1);
    click(seg, {125, 14});
    EXPECT_EQ(sent, 2);
}

TEST_F(SegmentedTest, ChooseIgnoresOutsideIndexesAndSettingSendsNothing) {
    int sent = 0;
    ScaledSegmented seg({"A", "B"}, 0, 120, [&](ScaledControlBase&) { ++sent; });
    seg.choose(2);
    seg.choose(-1);
    seg.setSelectedSegment(1);
    EXPECT_EQ(seg.selectedSegment(), 1);
    EXPECT_EQ(sent, 0);
    auto* a = QAccessible::queryAccessibleInterface(&seg);
    EXPECT_EQ(a->text(QAccessible::Value), "B");
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(seg.selectedSegment(), 0);
    EXPECT_EQ(sent, 1);
}

}  // namespace
}  // namespace ventiq
