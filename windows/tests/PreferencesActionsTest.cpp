// What the settings window's controls do: every change is stored and in
// effect at once.
#include <QLabel>
#include <QMouseEvent>
#include <filesystem>
#include <fstream>

#include "settings/L10n.h"
#include "settings/PrefKeys.h"
#include "settings/SettingsStyle.h"
#include "viewkit/MenuBarRenderer.h"
#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "windows/MenuBarPreviewView.h"
#include "windows/controls/FontSampleView.h"
#include "windows/controls/ScaleSliderView.h"
#include "windows/controls/ScaledActionButton.h"
#include "windows/controls/ScaledPopUp.h"
#include "windows/controls/ScaledSegmented.h"
#include "windows/controls/ScaledToggle.h"
#include "windows/tests/PrefsWindowFixture.h"

namespace ventiq {
namespace {

using Controller = PreferencesWindowController;

void sendMouse(QWidget& w, QEvent::Type type, QPointF at) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, w.mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

class PreferencesActionsTest : public PrefsWindowTest {
protected:
    ScaledToggle* toggleTitled(const QString& title) {
        return find<ScaledToggle>([&](ScaledToggle* t) { return t->title() == title; });
    }
    QString text(const char* key) { return QString::fromStdString(L10n::tr(key)); }
};

TEST_F(PreferencesActionsTest, FullSpeedTimeoutTitleFollowsTheMinutesAndTheBoxEnablesTheList) {
    store.setFlag(PrefKeys::fullSpeedTimeoutOn, true);
    store.setInteger(PrefKeys::fullSpeedTimeoutMinutes, 15);
    Controller& w = make();
    w.selectTab(2);
    ASSERT_NE(w.timeoutCheck(), nullptr);
    EXPECT_EQ(w.timeoutCheck()->title(), "Return to Custom after 15 minutes at full speed");
    EXPECT_TRUE(w.timeoutCheck()->isOn());
    EXPECT_EQ(w.timeoutPopUp()->titleOfSelectedItem(), "15 min");
    EXPECT_TRUE(w.timeoutPopUp()->isEnabled());

    w.timeoutPopUp()->pick(3);
    EXPECT_EQ(store.integer(PrefKeys::fullSpeedTimeoutMinutes), 30);
    EXPECT_EQ(w.timeoutCheck()->title(), "Return to Custom after 30 minutes at full speed");

    w.timeoutCheck()->activate();
    EXPECT_EQ(store.flag(PrefKeys::fullSpeedTimeoutOn), false);
    EXPECT_FALSE(w.timeoutPopUp()->isEnabled());
    EXPECT_EQ(store.integer(PrefKeys::fullSpeedTimeoutMinutes), 30);
}

TEST_F(PreferencesActionsTest, ShowTemperatureTogglesTheSourceListThePreviewAndTheMenuBarAtOnce) {
    store.setFlag(PrefKeys::menuBarShowTemp, true);
    store.setInteger(PrefKeys::menuBarTempSource, 2);
    Controller& w = make();
    w.selectTab(1);
    auto* source = w.page()->findChild<ScaledPopUp*>("menuTempSensor");
    ASSERT_NE(source, nullptr);
    EXPECT_TRUE(source->isEnabled());
    EXPECT_EQ(source->titleOfSelectedItem(), "SSD");
    const double widthWithTemp = w.previewView()->imageWidth();

    // The menu bar hears about it through the notification.
    const int before = updates;
    toggleTitled("Show temperature next to the speeds")->activate();
    EXPECT_EQ(store.flag(PrefKeys::menuBarShowTemp), false);
    EXPECT_FALSE(source->isEnabled());
    EXPECT_LT(w.previewView()->imageWidth(), widthWithTemp);
    EXPECT_EQ(store.integer(PrefKeys::menuBarTempSource), 2);
    loop.runPending();
    EXPECT_GT(updates, before);
    const auto options = MenuBarRenderer::options(engine->prefs(), 50.0, true);
    EXPECT_FALSE(options.tempText.has_value());

    toggleTitled("Show temperature next to the speeds")->activate();
    EXPECT_TRUE(source->isEnabled());
    source->pick(3);
    EXPECT_EQ(store.integer(PrefKeys::menuBarTempSource), 3);
}

TEST_F(PreferencesActionsTest, BlueTileShowsUntintedAndMonochromeTinted) {
    Controller& w = make();
    w.selectTab(1);
    EXPECT_TRUE(w.previewView()->tinted()) << "monochrome by default";
    toggleTitled("Blue (brand color)")->activate();
    EXPECT_EQ(store.flag(PrefKeys::menuBarMono), false);
    EXPECT_FALSE(w.previewView()->tinted());
    toggleTitled("Monochrome (follows the menu bar)")->activate();
    EXPECT_EQ(store.flag(PrefKeys::menuBarMono), true);
    ASSERT_TRUE(w.previewView()->tinted());
    // A tinted template is drawn in the text colour.
    const QImage& image = w.previewView()->shownImage();
    bool textColoured = false;
    for (int y = 0; y < image.height() && !textColoured; ++y)
        for (int x = 0; x < image.width() && !textColoured; ++x) {
            const QColor c = image.pixelColor(x, y);
            textColoured = c.alpha() == 255 && c.rgb() == qcolor(Palette::text).rgb();
        }
    EXPECT_TRUE(textColoured);
}

TEST_F(PreferencesActionsTest, StyleUnitRefreshNotificationAndQuitChoicesAreStoredAtOnce) {
    Controller& w = make();
    find<ScaledSegmented>([](auto*) { return true; })->choose(1);
    EXPECT_EQ(store.flag(PrefKeys::useFahrenheit), true);
    pageChildren<ScaledPopUp>()[1]->pick(2);
    EXPECT_EQ(store.integer(PrefKeys::refreshSeconds), 5);
    toggleTitled("Keep current settings")->activate();
    EXPECT_EQ(store.flag(PrefKeys::keepFansOnQuit), true);
    EXPECT_FALSE(toggleTitled("Return fans to automatic control")->isOn());
    toggleTitled("Return fans to automatic control")->activate();
    EXPECT_EQ(store.flag(PrefKeys::keepFansOnQuit), false);
    ScaledToggle* notify = toggleTitled("Notify me about overheating and fan control failures");
    ASSERT_NE(notify, nullptr);
    EXPECT_TRUE(notify->isOn()) << "on until the user turns it off";
    notify->activate();
    EXPECT_EQ(store.flag(PrefKeys::showNotifications), false);

    w.selectTab(1);
    toggleTitled("Icon only")->activate();
    EXPECT_EQ(store.integer(PrefKeys::menuBarStyle), 2);
    EXPECT_LT(w.previewView()->imageWidth(), 30);
}

TEST_F(PreferencesActionsTest, TextSizeSliderShowsTheCapsWhileDraggingAndStoresOnRelease) {
    store.remove(UIScale::defaultsKey);
    // A screen whose panel fits up to 125 % and whose settings window up to 140 %.
    UIScale::refreshPanel(674 * 1.27 + 16);
    screenHeight = SettingsStyle::baseWindowHeight * 1.42 + 16;
    Controller& w = make();
    ASSERT_EQ(UIScale::panelCapPercent(), 125);
    ASSERT_EQ(UIScale::windowCapPercent(), 140);
    ScaleSliderView* slider = w.fontSlider();
    slider->window()->show();
    QApplication::processEvents();
    EXPECT_EQ(w.fontPercentLabel()->text(), "105%");
    EXPECT_EQ(w.fontNoteLabel()->text(), text("prefFontSizeNote"));

    sendMouse(*slider, QEvent::MouseButtonPress, {slider->width() / 2.0, 10});
    sendMouse(*slider, QEvent::MouseMove, {slider->width() + 50.0, 10});
    EXPECT_EQ(w.fontPercentLabel()->text(), "150%");
    EXPECT_EQ(w.fontSampleView()->percent(), 150);
    EXPECT_EQ(w.fontSampleView()->shownPercent(), 125);
    EXPECT_EQ(w.fontNoteLabel()->text(),
              "This screen is too small for that size: menu panel up to 125%, this window up to 140%");
    EXPECT_EQ(w.fontNoteLabel()->palette().color(QPalette::WindowText), qcolor(Palette::accentText));
    EXPECT_EQ(store.integer(UIScale::defaultsKey), std::nullopt) << "nothing stored while dragging";

    sendMouse(*slider, QEvent::MouseButtonRelease, {slider->width() + 50.0, 10});
    EXPECT_EQ(store.integer(UIScale::defaultsKey), 150);
    QApplication::processEvents();
    loop.runPending();
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(w.fontSlider()->percent(), 150);
}

TEST_F(PreferencesActionsTest, ReleasingOrResettingAtTheStoredValueStoresAndRebuildsNothing) {
    store.setInteger(UIScale::defaultsKey, 105);
    Controller& w = make();
    ScaleSliderView* slider = w.fontSlider();
    const double x105 = slider->trackStart() + (slider->trackEnd() - slider->trackStart()) * 25 / 70;
    sendMouse(*slider, QEvent::MouseButtonPress, {x105, 10});
    sendMouse(*slider, QEvent::MouseButtonRelease, {x105, 10});
    find<ScaledActionButton>([&](ScaledActionButton* b) { return b->label() == "Reset to default"; })->activate();
    loop.runPending();
    EXPECT_EQ(rebuilds, 0);
    EXPECT_EQ(store.integer(UIScale::defaultsKey), 105);

    // From another size, reset stores the default and the window rebuilds.
    store.setInteger(UIScale::defaultsKey, 130);
    w.buildUI();
    EXPECT_EQ(w.fontPercentLabel()->text(), "130%");
    find<ScaledActionButton>([&](ScaledActionButton* b) { return b->label() == "Reset to default"; })->activate();
    EXPECT_EQ(store.integer(UIScale::defaultsKey), 105);
    loop.runPending();
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(w.fontPercentLabel()->text(), "105%");
}

TEST_F(PreferencesActionsTest, HelperButtonFollowsTheHelperAndReportsFailures) {
    helper.ready = false;
    helper.installing = true;
    helper.status = "Installing…";
    Controller& w = make();
    EXPECT_FALSE(w.helperButton()->isEnabled());
    EXPECT_EQ(w.helperStatusLabel()->text(), "Installing…");

    helper.installing = false;
    helper.installResult = false;
    center.post(Notifications::dataUpdated);
    loop.runPending();
    EXPECT_TRUE(w.helperButton()->isEnabled());
    EXPECT_EQ(w.helperButton()->label(), "Enable Fan Control…");
    w.helperButton()->activate();
    settleAll();
    EXPECT_EQ(helper.calls("install").size(), 1u);
    EXPECT_EQ(alerts, (std::vector<Alert>{{"Enable Fan Control…", "install failed"}}));

    helper.installResult = true;
    w.helperButton()->activate();
    settleAll();
    center.post(Notifications::dataUpdated);
    loop.runPending();
    EXPECT_EQ(w.helperButton()->label(), "Disable Fan Control…");
    EXPECT_EQ(alerts.size(), 1u);

    w.helperButton()->activate();
    settleAll();
    EXPECT_EQ(helper.calls("uninstall").size(), 1u);
    EXPECT_EQ(alerts.size(), 1u) << "a success shows nothing";
}

TEST_F(PreferencesActionsTest, UpdateFromCurrentSpeedsKeepsASideWhoseSpeedIsUnknown) {
    engine->setMyLeftRPM(3000);
    engine->setMyRightRPM(3100);
    Controller& w = make();
    w.selectTab(2);
    EXPECT_EQ(w.mySettingsValueLabel()->text(), "L 3000 rpm · R 3100 rpm");
    setActual(0, 2500);
    smc.remove(fanKey(1, "Ac"));
    engine->readHardware();
    find<ScaledActionButton>([](ScaledActionButton* b) { return b->label() == "Update from current speeds"; })
        ->activate();
    EXPECT_EQ(engine->myLeftRPM(), 2500);
    EXPECT_EQ(engine->myRightRPM(), 3100);
    EXPECT_EQ(w.mySettingsValueLabel()->text(), "L 2500 rpm · R 3100 rpm");
    EXPECT_EQ(engine->preset(), FanPreset::mySettings);
}

TEST_F(PreferencesActionsTest, LoginBoxWritesAndRemovesTheAutostartEntry) {
    Controller& w = make();
    ScaledToggle* box = toggleTitled("Open Tavrinel at login");
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isOn());
    box->activate();
    EXPECT_TRUE(std::filesystem::exists(loginItem->entryFile()));
    EXPECT_TRUE(box->isOn());
    w.buildUI();
    box = toggleTitled("Open Tavrinel at login");
    EXPECT_TRUE(box->isOn()) << "the box reads what is on disk";
    box->activate();
    EXPECT_FALSE(std::filesystem::exists(loginItem->entryFile()));
    EXPECT_TRUE(alerts.empty());
}

TEST_F(PreferencesActionsTest, LoginFailureSetsTheBoxBackToTheDiskAndShowsTheSystemError) {
    // A regular file where the autostart folder belongs: the entry cannot be
    // written even by root.
    std::ofstream(configHome.filePath("autostart").toStdString()) << "";
    Controller& w = make();
    ScaledToggle* box = toggleTitled("Open Tavrinel at login");
    box->activate();
    EXPECT_FALSE(box->isOn());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, "Open Tavrinel at login");
    EXPECT_FALSE(alerts[0].message.empty());
    (void)w;

    // Without a login item at all the box stays off and nothing is written.
    context.loginItem = nullptr;
    Controller& bare = make();
    box = find<ScaledToggle>([&](ScaledToggle* t) { return t->title() == "Open Tavrinel at login"; });
    box->activate();
    EXPECT_FALSE(box->isOn());
    EXPECT_EQ(alerts.size(), 1u);
    (void)bare;
}

}  // namespace
}  // namespace ventiq
