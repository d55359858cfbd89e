// The main window: its size on the screen, refitting, Cancel, the status
// line, the live sensor list and enabling fan control.
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QToolButton>
#include <QDir>
#include <QTemporaryDir>
#include <QWindow>

#include "viewkit/Palette.h"
#include "viewkit/QtColor.h"
#include "windows/MainContentView.h"
#include "windows/MainFanCardView.h"
#include "windows/MainWindowController.h"
#include "windows/SegmentedControl.h"
#include "windows/SensorListView.h"
#include "windows/SensorRowView.h"
#include "windows/SustainedHeatCardView.h"
#include "windows/WindowSnapshots.h"
#include "windows/tests/WindowFixture.h"

namespace ventiq {
namespace {

using Controller = MainWindowController;

class MainWindowTest : public WindowTest {
protected:
    void TearDown() override {
        window.reset();
        if (Controller::shared()) {
            Controller::shared()->window()->hide();
            Controller::rebuildIfOpen();
        }
        WindowTest::TearDown();
    }
    Controller& make() {
        window = std::make_unique<Controller>(context);
        return *window;
    }
    Controller& shown() {
        Controller& c = make();
        c.window()->show();
        testing::spinUntil([&] { return c.window()->windowHandle() && c.window()->windowHandle()->isExposed(); });
        return c;
    }
    void waitForRefit(Controller& c) {
        testing::spinUntil([&] { return !c.isAnimating(); });
    }
    std::unique_ptr<Controller> window;
};

TEST_F(MainWindowTest, FittedHeightStaysBetweenTheMinimumAndTheScreen) {
    struct Case {
        const char* name;
        double desired;
        std::optional<double> screen;
        double expected;
    };
    const Case cases[] = {
        // A screen keeps 16 points of its visible height free.
        {"taller than a screen with 700 available", 921, 716, 700},
        {"shorter than the minimum", 300, 1200, 520},
        {"in between is used as computed", 760, 1200, 760},
        {"a screen lower than the minimum", 921, 400, 520},
        {"no screen at all", 1000, std::nullopt, 884},
    };
    for (const Case& c : cases) EXPECT_EQ(Controller::fittedHeight(c.desired, c.screen), c.expected) << c.name;
}

TEST_F(MainWindowTest, OnA700HighScreenBothColumnsScroll) {
    screenHeight = 716;
    engine->setPreset(FanPreset::mySettings);
    Controller& c = make();
    QWidget* w = c.window();
    EXPECT_EQ(w->size(), QSize(921, 700));
    EXPECT_EQ(w->minimumSize(), QSize(880, 520));
    EXPECT_EQ(c.lastAutoHeight(), 700);
    MainContentView* content = c.content();
    EXPECT_EQ(content->leftScroll()->width(), 520);
    EXPECT_GT(content->leftDoc()->height(), content->leftScroll()->viewport()->height());
    SensorListView* list = content->sensorList();
    EXPECT_EQ(list->preferredHeight(), 803);
    EXPECT_GT(list->contentHeight(), list->scrollArea()->viewport()->height());
    // The list sits 20 after the divider and 20 before the window's edge.
    EXPECT_EQ(list->geometry(), QRect(520 + 1 + 20, 52 + 16, 921 - 20 - 541, 700 - 52 - 34 - 32));
}

TEST_F(MainWindowTest, FollowsItsContentUntilTheUserResizesIt) {
    sensorList.setScript({coreSnapshot(5, 1)});
    Controller& c = shown();
    const int plain = c.window()->height();
    EXPECT_EQ(plain, c.content()->desiredHeight());

    c.content()->presetSegment()->choose(1);
    settleAll();
    waitForRefit(c);
    EXPECT_TRUE(c.content()->sustainedCardShown());
    const int withCard = c.window()->height();
    EXPECT_GT(withCard, plain);
    EXPECT_EQ(withCard, c.content()->desiredHeight());

    c.content()->presetSegment()->choose(0);
    settleAll();
    waitForRefit(c);
    EXPECT_EQ(c.window()->height(), plain);

    c.window()->resize(921, plain + 40);
    QApplication::processEvents();
    c.content()->presetSegment()->choose(1);
    settleAll();
    waitForRefit(c);
    EXPECT_EQ(c.window()->height(), plain + 40);
}

TEST_F(MainWindowTest, CancelRestoresEverythingButThePreset) {
    engine->setPreset(FanPreset::mySettings);
    engine->setLeftMode(FanMode::sensor);
    Controller& c = shown();
    MainContentView* content = c.content();
    const LadderTier ladder2 = engine->ladder2();
    const LadderTier ladder3 = engine->ladder3();

    content->card(true)->slider()->setValue(4100);
    content->card(false)->adjustTemp(2, -1);
    content->card(false)->adjustRPM(3, +100);
    content->sustainedCard()->toggleEnabled(true);
    engine->setSustainedMinutes(9);
    engine->setRightLadderEnabled(false);
    content->presetSegment()->choose(2);
    ASSERT_NE(engine->ladder2(), ladder2);

    content->cancelClicked();
    EXPECT_EQ(engine->myLeftRPM(), 3238);
    EXPECT_EQ(engine->myRightRPM(), 3193);
    EXPECT_EQ(engine->leftMode(), FanMode::sensor);
    EXPECT_EQ(engine->rightMode(), FanMode::constant);
    EXPECT_TRUE(engine->leftLadderEnabled());
    EXPECT_TRUE(engine->rightLadderEnabled());
    EXPECT_EQ(engine->ladder2(), ladder2);
    EXPECT_EQ(engine->ladder3(), ladder3);
    EXPECT_FALSE(engine->sustainedMaxOn());
    EXPECT_EQ(engine->sustainedMinutes(), 3);
    EXPECT_EQ(engine->preset(), FanPreset::fullSpeed);
    EXPECT_FALSE(c.window()->isVisible());
}

TEST_F(MainWindowTest, StatusLineFollowsTheEngineState) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        ControlState state;
        QString text;
        QColor dot;
        bool enableShown;
    };
    const QColor orange(255, 159, 10);
    const Case cases[] = {
        {"system", [] {}, ControlState::system(), "Controlled by the system · refreshes every 2 s",
         qcolor(Palette::green), false},
        {"external", [this] { setForced(0, true, 4000); }, ControlState::external(),
         "Another app is controlling the fans · refreshes every 2 s", qcolor(Palette::secondary), false},
        {"needs the helper",
         [this] {
             helper.ready = false;
             engine->setPreset(FanPreset::mySettings);
         },
         ControlState::needsHelper(), "Not active: enable fan control first", orange, true},
        {"applying",
         [this] {
             helper.fansIgnoreTargets = true;
             engine->setPreset(FanPreset::fullSpeed);
         },
         ControlState::applying(), "Applying: Full Speed", qcolor(Palette::accentText), false},
        {"active", [this] { engine->setPreset(FanPreset::mySettings); }, ControlState::active(),
         "Active: Custom · refreshes every 2 s", qcolor(Palette::green), false},
        {"failed",
         [this] {
             helper.refusal = "the helper said no";
             engine->setPreset(FanPreset::mySettings);
         },
         ControlState::failed("the helper said no"), "Not active: the helper said no", qcolor(Palette::secondary),
         true},
    };
    for (const Case& k : cases) {
        engine.reset();
        helper = testing::FakeFanHelper(&loop);
        helper.attach(&smc);
        setForced(0, false, 0);
        setForced(1, false, 0);
        store.setInteger(PrefKeys::preset, FanPreset::auto_);
        start();
        context.engine = engine.get();
        k.arrange();
        advance(2);
        advance(2);
        ASSERT_EQ(engine->controlState(), k.state) << k.name;
        MainContentView content(context);
        EXPECT_EQ(content.statusLabel()->text(), k.text) << k.name;
        EXPECT_EQ(content.statusDotColor(), k.dot) << k.name;
        EXPECT_EQ(!content.enableHelperButton()->isHidden(), k.enableShown) << k.name;
    }
}

TEST_F(MainWindowTest, HeaderShowsThePeakInCelsiusOrADash) {
    store.setFlag(PrefKeys::useFahrenheit, true);
    sensors.setCPU(61.26);
    advance(2);
    MainContentView content(context);
    content.show();
    EXPECT_EQ(content.cpuTempLabel()->text(), "CPU 61.3\u00B0C");
    sensors.setCPU(std::nullopt);
    advance(2);
    loop.runPending();
    EXPECT_EQ(content.cpuTempLabel()->text(), "CPU \u2014\u00B0C");
}

TEST_F(MainWindowTest, TheListIsReadOnceAtOnceThenLiveOnlyWhileVisible) {
    Controller& c = make();
    MainContentView* content = c.content();
    EXPECT_EQ(content->sensorApplyCount(), 1);
    EXPECT_EQ(content->sensorList()->rowViews().size(), 32u);
    EXPECT_FALSE(content->isLive());

    sensorList.setScript({coreSnapshot(31, 1, 50), coreSnapshot(31, 1, 70)});
    Controller::setContext(context);
    Controller::show();
    Controller* shared = Controller::shared();
    ASSERT_NE(shared, nullptr);
    MainContentView* live = shared->content();
    EXPECT_TRUE(live->isLive());
    const auto rows = live->sensorList()->rowViews();
    ASSERT_TRUE(testing::spinUntil([&] { return live->sensorApplyCount() >= 3; }, 5000));
    // Refreshed in place, with the values of the later reads.
    EXPECT_EQ(live->sensorList()->rowViews(), rows);
    EXPECT_EQ(rows[0]->shownTemp(), "70");

    shared->window()->showMinimized();
    QApplication::processEvents();
    EXPECT_FALSE(live->isLive());
    shared->window()->showNormal();
    QApplication::processEvents();
    EXPECT_TRUE(live->isLive());

    shared->window()->close();
    QApplication::processEvents();
    EXPECT_FALSE(live->isLive());
    const int applied = live->sensorApplyCount();
    testing::spinUntil([] { return false; }, 1800);
    EXPECT_EQ(live->sensorApplyCount(), applied);

    // Closing keeps the window; showing it again keeps its content and Cancel baseline.
    Controller::show();
    EXPECT_EQ(Controller::shared(), shared);
    EXPECT_EQ(shared->content(), live);
    EXPECT_TRUE(live->isLive());
}

// Nobody sees a closed window: it skips the refreshes and catches up as it
// is shown again.
TEST_F(MainWindowTest, AClosedWindowIsBroughtUpToDateWhenShownAgain) {
    sensors.setCPU(61.26);
    advance(2);
    Controller::setContext(context);
    Controller::show();
    MainContentView* content = Controller::shared()->content();
    EXPECT_EQ(content->cpuTempLabel()->text(), "CPU 61.3\u00B0C");
    Controller::shared()->window()->close();
    sensors.setCPU(70);
    advance(2);
    loop.runPending();
    EXPECT_EQ(content->cpuTempLabel()->text(), "CPU 61.3\u00B0C");
    Controller::show();
    EXPECT_EQ(content->cpuTempLabel()->text(), "CPU 70.0\u00B0C");
    sensors.setCPU(72);
    advance(2);
    loop.runPending();
    EXPECT_EQ(content->cpuTempLabel()->text(), "CPU 72.0\u00B0C") << "the shown window follows";
}

TEST_F(MainWindowTest, RebuildMakesANewWindowOnlyWhenOneWasVisible) {
    Controller::setContext(context);
    Controller::show();
    Controller* first = Controller::shared();
    Controller::rebuildIfOpen();
    Controller* second = Controller::shared();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->window()->isVisible());
    second->window()->close();
    Controller::rebuildIfOpen();
    EXPECT_EQ(Controller::shared(), nullptr);
    (void)first;
}

TEST_F(MainWindowTest, EnablingFanControlChecksTheLocationThenInstalls) {
    struct Case {
        const char* name;
        bool allowed;
        bool installSucceeds;
        size_t installs;
        std::vector<Alert> alerts;
    };
    const Case cases[] = {
        {"outside the Applications folder", false, true, 0,
         {{"请先安装到应用程序文件夹",
           "macOS 安全机制要求风扇助手只能与「应用程序」文件夹内的 App 连接。\n\n请将 Tavrinel 拖入「应用程序」"
           "文件夹后再点击启用。"}}},
        {"installation fails", true, false, 1, {{"启用未完成", "install failed"}}},
        {"installation succeeds", true, true, 1, {}},
    };
    for (const Case& k : cases) {
        alerts.clear();
        helper.clearCalls();
        allowedPath = k.allowed;
        helper.installResult = k.installSucceeds;
        MainContentView content(context);
        content.enableHelperClicked();
        loop.runPending();
        EXPECT_EQ(helper.calls("install").size(), k.installs) << k.name;
        EXPECT_EQ(alerts, k.alerts) << k.name;
    }
}

TEST_F(MainWindowTest, GearOpensTheSettingsAndSaveOnlyCloses) {
    Controller& c = shown();
    c.content()->settingsGear()->click();
    EXPECT_EQ(preferencesOpened, 1);
    const int left = engine->myLeftRPM();
    c.content()->saveButton()->click();
    EXPECT_FALSE(c.window()->isVisible());
    EXPECT_EQ(engine->myLeftRPM(), left);
}

}  // namespace
}  // namespace ventiq

namespace ventiq {
namespace {

class MainWindowLanguageTest : public MainWindowTest {};

TEST_F(MainWindowLanguageTest, ArabicMirrorsTheColumnsButNotTheToolbar) {
    store.setText(PrefKeys::selectedLanguage, "ar");
    engine->setPreset(FanPreset::mySettings);
    Controller& c = make();
    MainContentView* content = c.content();
    EXPECT_EQ(content->leftScroll()->geometry().x(), 921 - 520);
    EXPECT_LT(content->sensorList()->geometry().x(), 921 - 520);
    EXPECT_EQ(content->settingsGear()->geometry().x(), 921 - 16 - 28);
    EXPECT_EQ(content->settingsGear()->layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(content->card(true)->layoutDirection(), Qt::RightToLeft);
}

// Writes the window and the sheet in three languages at three pixel ratios,
// into $VENTIQ_SNAPSHOT_DIR when set so that they can be looked at.
TEST_F(MainWindowLanguageTest, SnapshotsRenderInEveryScriptAndRatio) {
    QTemporaryDir temporary;
    const QByteArray chosen = qgetenv("VENTIQ_SNAPSHOT_DIR");
    const QString dir = chosen.isEmpty() ? temporary.path() : QString::fromLocal8Bit(chosen);
    engine->setPreset(FanPreset::mySettings);
    advance(2);
    for (const char* language : {"en", "ar", "zh-Hans"}) {
        store.setText(PrefKeys::selectedLanguage, language);
        for (double ratio : {1.0, 1.25, 1.5, 2.0}) {
            const QString tag = QStringLiteral("%1@%2").arg(QLatin1String(language)).arg(ratio);
            ASSERT_TRUE(writeMainWindowSnapshots(context, dir, tag, ratio)) << tag.toStdString();
            const QImage main(QDir(dir).filePath("main-" + tag + ".png"));
            EXPECT_EQ(main.width(), qRound(921 * ratio)) << tag.toStdString();
            const QImage sheet(QDir(dir).filePath("sheet-" + tag + ".png"));
            EXPECT_EQ(sheet.size(), QSize(qRound(480 * ratio), qRound(440 * ratio))) << tag.toStdString();
        }
    }
}

}  // namespace
}  // namespace ventiq
