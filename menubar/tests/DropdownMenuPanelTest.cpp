#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

#include "menubar/FanRowView.h"
#include "menubar/FanSliderView.h"
#include "menubar/MenuActionView.h"
#include "menubar/PanelLayout.h"
#include "menubar/PanelSwitchRowView.h"
#include "menubar/PanelSwitchView.h"
#include "menubar/PresetRowView.h"
#include "menubar/SloganBoxView.h"
#include "menubar/TempStripView.h"
#include "menubar/tests/PanelFixture.h"
#include "settings/L10n.h"
#include "viewkit/Palette.h"
#include "viewkit/PanelStyle.h"
#include "viewkit/QtColor.h"

namespace ventiq {
namespace {

TEST_F(PanelTest, HeightAndWidthsFollowTheScale) {
    struct Case {
        int percent;
        int width, height;
    };
    for (const Case& c : {Case{100, 360, 622}, Case{125, 450, 775}, Case{150, 540, 928}}) {
        setScale(c.percent);
        DropdownMenuPanel& p = makePanel();
        EXPECT_EQ(p.preferredHeight(), c.height) << c.percent;
        EXPECT_EQ(p.width(), c.width) << c.percent;
        EXPECT_EQ(p.dividerCount(), 10);
        EXPECT_FALSE(p.enableBannerBox()->isVisibleTo(&p));
    }
    setScale(100);
    DropdownMenuPanel& p = makePanel();
    EXPECT_EQ(p.switchRow()->height(), 44);
    EXPECT_EQ(p.leftFanRow()->height(), 68);
    EXPECT_EQ(p.tempStrip()->height(), 60);
    EXPECT_EQ(p.sloganBox()->height(), 56);
    EXPECT_EQ(p.switchRow()->width(), 344);
}

TEST_F(PanelTest, StatusDotAndBanner) {
    using testing::FakeFanHelper;
    struct Case {
        const char* name;
        std::function<void(FakeFanHelper&, FanController&)> arrange;
        Rgba dot;
        const char* banner;  // nullptr: hidden
        bool bannerEnabled;
    };
    const Case cases[] = {
        {"system", [](FakeFanHelper&, FanController&) {}, Palette::green, nullptr, false},
        {"needs the helper",
         [](FakeFanHelper& h, FanController& e) {
             h.ready = false;
             h.status = "Helper not installed";
             e.setPreset(FanPreset::mySettings);
         },
         Palette::secondary, "Fan control off · Enable", true},
        {"installing",
         [](FakeFanHelper& h, FanController& e) {
             h.ready = false;
             h.installing = true;
             e.setPreset(FanPreset::mySettings);
         },
         Palette::secondary, "Installing (enter your password in the system dialog)…", false},
        {"applying Custom",
         [](FakeFanHelper& h, FanController& e) {
             h.fansIgnoreTargets = true;
             e.setPreset(FanPreset::mySettings);
         },
         Palette::accentText, nullptr, false},
        {"active Custom", [](FakeFanHelper&, FanController& e) { e.setPreset(FanPreset::mySettings); },
         Palette::green, nullptr, false},
        {"active Full Speed", [](FakeFanHelper&, FanController& e) { e.setPreset(FanPreset::fullSpeed); },
         Palette::accentText, nullptr, false},
        {"failed",
         [](FakeFanHelper& h, FanController& e) {
             h.refusal = "SMC write refused";
             e.setPreset(FanPreset::mySettings);
         },
         Palette::secondary, "Fans ignored the setting · Retry", true},
    };
    for (const Case& c : cases) {
        // A machine of its own per case, so that no fan stays forced from the last.
        testing::FakeSMC machine;
        testing::FakeSMC::addTwoFanMachine(machine);
        machine.setFloat(fanKey(0, "Ac"), 2000);
        machine.setFloat(fanKey(1, "Ac"), 2100);
        FakeFanHelper link;
        link.attach(&machine);
        InMemoryPreferenceStore prefs;
        FanController ctrl(&machine, link, sensors, true, prefs, loop, center);
        loop.runPending();
        c.arrange(link, ctrl);
        settle();
        settle(2.0);  // the next tick reads back what the fans did
        DropdownMenuPanel p(ctrl, loop, center);
        EXPECT_EQ(p.statusDotColor(), qcolor(c.dot)) << c.name;
        const bool shown = p.enableBannerBox()->isVisibleTo(&p);
        EXPECT_EQ(shown, c.banner != nullptr) << c.name;
        if (!c.banner || !shown) continue;
        EXPECT_EQ(p.enableBanner()->text(), QString::fromUtf8("\u26A0\uFE0E  ") + QString::fromUtf8(c.banner)) << c.name;
        EXPECT_EQ(p.enableBanner()->isEnabled(), c.bannerEnabled) << c.name;
        EXPECT_EQ(p.preferredHeight(), 674) << c.name;
    }
}

TEST_F(PanelTest, CustomSubtitleFollowsLadderAndHeat) {
    store.setFlag(PrefKeys::realControlV1, true);
    store.setInteger(PrefKeys::preset, 1);
    start();
    DropdownMenuPanel& p = makePanel();
    p.show();
    PresetRowView* custom = p.presetViews()[1];
    EXPECT_EQ(custom->subtitle(), "L 3238 · R 3193");
    EXPECT_TRUE(custom->isChecked());
    EXPECT_EQ(p.presetViews()[2]->subtitle(), "");
    EXPECT_EQ(p.presetViews()[0]->subtitle(), "System controlled");

    engine->setLadder2({true, 65, 3300, 3500});
    sensors.setCPU(67);
    for (int i = 0; i < 4 && engine->ladderTier() < 2; ++i) settle(2.0);
    ASSERT_GE(engine->ladderTier(), 2);
    const QString step = QStringLiteral("Step %1 · L %2 · R %3")
                             .arg(engine->ladderTier())
                             .arg(engine->myLeftEffectiveRPM())
                             .arg(engine->myRightEffectiveRPM());
    EXPECT_EQ(custom->subtitle(), step);

    sensors.setCPU(95);
    settle(2.0);
    ASSERT_TRUE(engine->heatMaxActive());
    EXPECT_EQ(custom->subtitle(), "Hot · Max · L 5349 · R 5777");
}

TEST_F(PanelTest, RowsDriveTheEngine) {
    int mainWindow = 0, preferences = 0, quits = 0;
    DropdownMenuPanel& p = makePanel();
    p.onOpenMainWindow = [&] { ++mainWindow; };
    p.onOpenPreferences = [&] { ++preferences; };
    p.onQuit = [&] { ++quits; };

    EXPECT_FALSE(p.switchRow()->isOn()) << "first start is Auto";
    EXPECT_TRUE(p.presetViews()[0]->isChecked());
    p.switchRow()->activate();
    EXPECT_EQ(engine->preset(), FanPreset::mySettings);
    EXPECT_TRUE(p.switchRow()->isOn());
    p.presetViews()[2]->activate();
    EXPECT_EQ(engine->preset(), FanPreset::fullSpeed);
    EXPECT_TRUE(p.presetViews()[2]->isChecked());
    p.switchRow()->activate();
    EXPECT_EQ(engine->preset(), FanPreset::auto_);
    p.switchRow()->activate();
    EXPECT_EQ(engine->preset(), FanPreset::fullSpeed) << "switching on returns to the last preset";
    EXPECT_EQ(mainWindow, 0);
    p.presetViews()[1]->activate();
    EXPECT_EQ(engine->preset(), FanPreset::mySettings);
    EXPECT_EQ(mainWindow, 1) << "Custom also opens the main window";
    p.actionViews()[0]->activate();
    p.actionViews()[1]->activate();
    EXPECT_EQ(preferences, 1);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(p.actionViews()[0]->title(), "Settings…");
    EXPECT_EQ(p.actionViews()[1]->title(), "Quit");
    EXPECT_TRUE(PanelStyle::versionText().starts_with("V"));
    EXPECT_EQ(p.subLabel()->text().toStdString(), PanelStyle::versionText());
}

TEST_F(PanelTest, SwitchRowOnlyAsks) {
    int toggles = 0;
    PanelSwitchRowView row("On / Off", [&] { ++toggles; });
    EXPECT_FALSE(row.isOn());
    row.setOn(true);
    row.setOn(false);
    EXPECT_EQ(toggles, 0) << "setOn is display only";
    row.activate();
    row.activate();
    EXPECT_EQ(toggles, 2);
    EXPECT_FALSE(row.isOn()) << "the row waits for the panel's refresh";
    EXPECT_TRUE(row.switchView()->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(row.switchView()->size(), QSize(46, 26));

    struct Case {
        Qt::LayoutDirection direction;
        bool on;
        bool knobRight;
    };
    const Case cases[] = {{Qt::LeftToRight, true, true},
                          {Qt::LeftToRight, false, false},
                          {Qt::RightToLeft, true, false},
                          {Qt::RightToLeft, false, true}};
    for (const Case& c : cases) {
        PanelSwitchView sw;
        sw.setLayoutDirection(c.direction);
        sw.setOn(c.on);
        EXPECT_EQ(sw.knobCenter().x() > sw.width() / 2.0, c.knobRight) << c.direction << " on " << c.on;
    }
}

TEST_F(PanelTest, FanRowShowsReadingsAndHoldsTheReleasedValue) {
    DropdownMenuPanel& p = makePanel();
    p.show();
    FanRowView* left = p.leftFanRow();
    EXPECT_EQ(left->rpmLabel()->text(), "2000 rpm");
    EXPECT_EQ(left->badgeLabel()->text(), "Auto");
    EXPECT_EQ(left->slider()->minValue(), 1350);
    EXPECT_EQ(left->slider()->maxValue(), 5349);

    // No such fan: a dash and a disabled slider.
    left->update(nullptr, std::nullopt);
    EXPECT_EQ(left->rpmLabel()->text(), QString::fromUtf8("\u2014"));
    EXPECT_FALSE(left->slider()->isSliderEnabled());
    EXPECT_TRUE(left->badgeLabel()->isHidden());

    // A stop not yet confirmed shows a dash, not zero; confirmed, the number.
    setActual(0, 0);
    settle(2.0);
    EXPECT_EQ(left->rpmLabel()->text(), QString::fromUtf8("\u2014"));
    settle(2.0);
    settle(2.0);
    EXPECT_EQ(left->rpmLabel()->text(), "0 rpm");

    // Released at 4000 while the fan has not got there: the thumb stays.
    helper.fansIgnoreTargets = true;
    left->slider()->onCommit(4000);
    settle();
    EXPECT_EQ(engine->preset(), FanPreset::mySettings);
    EXPECT_EQ(engine->myLeftRPM(), 4000);
    engine->setMyLeftRPM(3000);  // what the engine would show otherwise
    loop.runPending();
    EXPECT_EQ(left->slider()->value(), 4000);
    loop.advanceSeconds(3.5);
    EXPECT_EQ(left->slider()->value(), 4000) << "still within 4 seconds";
    loop.advanceSeconds(2.6);
    EXPECT_EQ(left->slider()->value(), 3000) << "the first refresh after 4 seconds ends the hold";

    // Confirmed within 5 rpm ends the hold at once.
    helper.fansIgnoreTargets = false;
    left->slider()->onCommit(3500);
    smc.setU8(fanKey(0, "md"), 1);
    smc.setFloat(fanKey(0, "Tg"), 3497);
    engine->setMyLeftRPM(3200);
    loop.advanceSeconds(0.5);
    EXPECT_EQ(left->slider()->value(), 3200);
}

TEST_F(PanelTest, HoverFollowsThePointerAcrossRows) {
    DropdownMenuPanel& p = makePanel();
    p.move(100, 100);
    p.show();
    ASSERT_TRUE(testing::spinUntil([&] { return p.isVisible(); }));
    const auto rows = p.presetViews();
    const auto hovered = [&] {
        std::vector<bool> out;
        for (PresetRowView* r : rows) out.push_back(r->isHovered());
        return out;
    };
    const auto pointAt = [](QWidget* w) { QCursor::setPos(w->mapToGlobal(w->rect().center())); };

    QCursor::setPos(5, 5);
    p.syncHover();
    EXPECT_EQ(hovered(), (std::vector<bool>{false, false, false})) << "pointer outside the panel";
    pointAt(rows[1]);
    p.syncHover();
    EXPECT_EQ(hovered(), (std::vector<bool>{false, true, false}));
    // The pointer moves on; the second row missed its leave, the third's
    // entering clears it.
    pointAt(rows[2]);
    rows[2]->handleMouseEntered();
    EXPECT_EQ(hovered(), (std::vector<bool>{false, false, true}));
    QCursor::setPos(5, 5);
    QResizeEvent layoutPass(rows[2]->size(), rows[2]->size());
    QApplication::sendEvent(rows[2], &layoutPass);
    EXPECT_FALSE(rows[2]->isHovered()) << "a layout pass after the pointer left clears it";
    p.hide();
    pointAt(rows[1]);
    rows[1]->syncHoverWithMouse();
    EXPECT_FALSE(rows[1]->isHovered()) << "a row that is not shown is never highlighted";
}

TEST_F(PanelTest, ArabicMirrorsTheWholePanel) {
    language("ar");
    DropdownMenuPanel& p = makePanel();
    p.show();
    for (QWidget* w : p.findChildren<QWidget*>()) EXPECT_EQ(w->layoutDirection(), Qt::RightToLeft);
    PresetRowView* row = p.presetViews()[1];
    // The check column at the right edge, the title left of it, the chevron at the left.
    EXPECT_GT(row->checkLabel()->x(), row->titleLabel()->x());
    EXPECT_LT(row->chevron()->x(), row->titleLabel()->x());
    EXPECT_TRUE(p.leftFanRow()->slider()->isRTL());
    EXPECT_GT(p.leftFanRow()->titleLabel()->x(), p.leftFanRow()->rpmLabel()->x());
    EXPECT_EQ(p.actionViews()[1]->title(), QString::fromStdString(L10n::tr("quitApp")));
    p.hide();
}

TEST_F(PanelTest, TemperaturesInTheChosenUnit) {
    sensors.setCPU(47);
    DropdownMenuPanel& p = makePanel();
    const auto& tiles = p.tempStrip()->tiles();
    ASSERT_EQ(tiles.size(), 4u);
    EXPECT_EQ(tiles[0]->valueLabel()->fullText(), "47°C");
    EXPECT_EQ(tiles[0]->captionLabel()->fullText(), "CPU peak");
    EXPECT_EQ(tiles[0]->toolTip(), "CPU cores · Peak");
    EXPECT_EQ(tiles[2]->valueLabel()->fullText(), QString::fromUtf8("\u2014")) << "no SSD reading";
    engine->prefs().setUseFahrenheit(true);
    p.updateContent();
    EXPECT_EQ(tiles[0]->valueLabel()->fullText(), "117°F");
}

}  // namespace
}  // namespace ventiq
