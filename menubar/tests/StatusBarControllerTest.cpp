#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include "menubar/FanRowView.h"
#include "menubar/MenuActionView.h"
#include "menubar/PresetRowView.h"
#include "menubar/StatusBarController.h"
#include "menubar/tests/PanelFixture.h"
#include "viewkit/MenuBarRenderer.h"
#include "viewkit/PanelStyle.h"

namespace ventiq {
namespace {

class StatusBarTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        start();
    }
    void TearDown() override {
        controller.reset();
        PanelTest::TearDown();
    }
    StatusBarController& make(double trayWait = 1000) {
        StatusBarController::Options options;
        options.trayWaitSeconds = trayWait;
        options.itemGeometry = [this] { return item; };
        controller = std::make_unique<StatusBarController>(
            *engine, loop, center,
            StatusBarController::Callbacks{[this] { ++mainWindow; }, [this] { ++preferences; }, [this] { ++quits; }},
            options);
        return *controller;
    }
    // A press at a screen position outside the popup, as the popup's grab delivers it.
    void pressOutside(const QPoint& global) {
        QWidget* popup = controller->popover();
        const QPointF local = popup->mapFromGlobal(QPointF(global));
        QMouseEvent event(QEvent::MouseButtonPress, local, QPointF(global), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(popup, &event);
        QApplication::processEvents();
    }

    QRect item{600, 0, 24, 24};
    int mainWindow = 0, preferences = 0, quits = 0;
    std::unique_ptr<StatusBarController> controller;
};

TEST_F(StatusBarTest, PopoverPlacement) {
    const QRect screen(0, 0, 1280, 800);
    const QSize size(360, 622);
    struct Case {
        const char* name;
        QRect item;
        std::optional<QPoint> pointer;
        QPoint expected;
    };
    const Case cases[] = {
        {"under the item", {600, 0, 24, 24}, std::nullopt, {432, 24}},
        {"kept inside at the right edge", {1250, 0, 24, 24}, std::nullopt, {920, 24}},
        {"above an item at the bottom", {600, 776, 24, 24}, std::nullopt, {432, 154}},
        {"at the pointer without item geometry", {}, QPoint(300, 10), {120, 10}},
        {"top right without either", {}, std::nullopt, {920, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatusBarController::popoverPosition(c.item, size, screen, c.pointer), c.expected) << c.name;
}

TEST_F(StatusBarTest, ToggleAndClicksOutside) {
    StatusBarController& s = make();
    EXPECT_FALSE(s.isShown());
    s.itemActivated();
    ASSERT_TRUE(s.isShown());
    EXPECT_EQ(s.popover()->size(), QSize(360, 622));
    EXPECT_EQ(s.popover()->y(), 24) << "right under the item";
    s.showPopover();
    EXPECT_TRUE(s.isShown()) << "opening twice keeps one panel open";
    EXPECT_EQ(s.panelBuilds(), 1);

    // A press elsewhere closes it; the next activation opens it again.
    pressOutside({100, 500});
    EXPECT_FALSE(s.isShown());
    s.itemActivated();
    EXPECT_TRUE(s.isShown());

    // A press on the item closes it, and the activation that follows that
    // press does not reopen it.
    pressOutside(item.center());
    EXPECT_FALSE(s.isShown());
    s.itemActivated();
    EXPECT_FALSE(s.isShown());
    s.itemActivated();
    EXPECT_TRUE(s.isShown());
    s.togglePopover();
    EXPECT_FALSE(s.isShown());
}

TEST_F(StatusBarTest, PanelActionsCloseAndCallOut) {
    StatusBarController& s = make();
    s.showPopover();
    s.menuPanel()->onOpenPreferences();
    EXPECT_FALSE(s.isShown());
    EXPECT_EQ(preferences, 1);
    s.showPopover();
    s.menuPanel()->presetViews()[1]->activate();
    EXPECT_FALSE(s.isShown());
    EXPECT_EQ(mainWindow, 1);
    s.showPopover();
    s.menuPanel()->actionViews()[1]->activate();
    EXPECT_EQ(quits, 1);
}

TEST_F(StatusBarTest, ItemImageAndTooltipFollowTheEngine) {
    StatusBarController& s = make();
    EXPECT_EQ(s.currentImage().height(), 22 * static_cast<int>(s.currentImage().devicePixelRatio()));
    EXPECT_TRUE(s.toolTip().contains("L 2000 rpm · R 2100 rpm")) << s.toolTip().toStdString();
    const int narrow = s.currentImage().width();
    engine->prefs().setMenuBarShowTemp(true);
    setActual(0, 3100);
    settle(2.0);
    EXPECT_TRUE(s.toolTip().contains("L 3100 rpm")) << s.toolTip().toStdString();
    EXPECT_TRUE(s.toolTip().contains("55°C"));
    EXPECT_GT(s.currentImage().width(), narrow) << "the temperature widens the item";
}

// The closed panel is left alone on each refresh and brought up to date as
// it opens; the item follows every refresh.
TEST_F(StatusBarTest, TheClosedPanelIsRefreshedWhenItOpens) {
    StatusBarController& s = make();
    s.showPopover();
    s.closePopover();
    setActual(0, 3100);
    settle(2.0);
    EXPECT_TRUE(s.toolTip().contains("L 3100 rpm")) << s.toolTip().toStdString();
    EXPECT_EQ(s.menuPanel()->leftFanRow()->rpmLabel()->text(), "2000 rpm");
    s.showPopover();
    EXPECT_EQ(s.menuPanel()->leftFanRow()->rpmLabel()->text(), "3100 rpm");
    setActual(0, 3300);
    settle(2.0);
    EXPECT_EQ(s.menuPanel()->leftFanRow()->rpmLabel()->text(), "3300 rpm") << "the open panel follows";
}

TEST_F(StatusBarTest, NewScaleRebuildsThePanelOnTheNextOpening) {
    StatusBarController& s = make();
    s.showPopover();
    s.closePopover();
    // Below 100 % the choice is used whatever the screen.
    store.setInteger(UIScale::defaultsKey, 80);
    s.showPopover();
    EXPECT_EQ(s.panelBuilds(), 2);
    EXPECT_EQ(s.popover()->width(), 288);
    EXPECT_NEAR(s.popover()->height(), PanelStyle::expectedHeight(0), 4);
    EXPECT_LT(s.popover()->height(), 622);
    // A rebuild while shown closes the popup and makes a new panel.
    language("ar");
    s.rebuildPanel();
    EXPECT_FALSE(s.isShown());
    EXPECT_EQ(s.panelBuilds(), 3);
    EXPECT_EQ(s.menuPanel()->layoutDirection(), Qt::RightToLeft);
}

TEST_F(StatusBarTest, WithoutATrayThePanelBecomesAWindowThatStaysOpen) {
    StatusBarController& s = make(10);
    loop.advanceSeconds(9.5);
    EXPECT_FALSE(s.isWindowFallback()) << "a tray may still appear";
    loop.advanceSeconds(1);
    ASSERT_TRUE(s.isWindowFallback());
    EXPECT_TRUE(s.isShown());
    EXPECT_EQ(s.popover()->windowTitle(), "Tavrinel");
    EXPECT_EQ(s.popover()->windowType(), Qt::Window);
    s.menuPanel()->onOpenPreferences();
    EXPECT_TRUE(s.isShown()) << "the window stays open";
    // Closing only hides it: the application keeps running without windows.
    EXPECT_TRUE(s.popover()->close()) << "a window that refuses to close holds back the application's quit";
    EXPECT_FALSE(s.isShown());
    EXPECT_EQ(quits, 0) << "closing the window does not quit";
    s.showPanel();
    EXPECT_TRUE(s.isShown());
}

// Quitting asks every window to close first and is called off when one
// refuses; a shown panel, popup or window, must never keep the application
// (and the fans it holds) running. Another ordinary window is open too, as
// the main window may be.
TEST_F(StatusBarTest, AShownPanelLetsTheApplicationQuit) {
    struct Case {
        const char* name;
        double trayWait;
    };
    for (const Case& c : {Case{"popup under the item", 1000}, Case{"window without a tray", 0}}) {
        SCOPED_TRACE(c.name);
        StatusBarController& s = make(c.trayWait);
        s.showPanel();
        ASSERT_TRUE(s.isShown());
        QWidget other;
        other.show();
        QTimer::singleShot(0, [] { QCoreApplication::quit(); });
        // Ends a loop that a refused quit left running.
        QTimer giveUp;
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        giveUp.start(3000);
        EXPECT_EQ(QCoreApplication::exec(), 0);
        EXPECT_FALSE(s.isShown());
        EXPECT_FALSE(other.isVisible());
        controller.reset();
    }
}

}  // namespace
}  // namespace ventiq
