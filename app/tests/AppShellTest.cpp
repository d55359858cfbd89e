// The application shell under Qt's offscreen platform: the main loop on Qt's
// event loop, alerts from other threads, and the delegate's rebuilds.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/MainWindowSetup.h"
#include "app/QtMainLoop.h"
#include "app/SettingsWindowSetup.h"
#include "engine/FanController.h"
#include "helperlink/HelperClient.h"
#include "platform/Environment.h"
#include "sensing/HardwareSensorManager.h"
#include "settings/L10n.h"
#include "settings/PrefKeys.h"
#include "settings/TempFormat.h"
#include "testing/SimProcess.h"
#include "viewkit/ShowAlert.h"
#include "windows/MainContentView.h"
#include "windows/MainWindowController.h"
#include "windows/PreferencesWindowController.h"

namespace ventiq {
namespace {

QApplication& application() {
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Runs the event loop until the condition holds or the time is up.
bool spinUntil(const std::function<bool()>& done, int milliseconds = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(QtMainLoop, RunsPostsFromAnyThreadOnTheLoopThread) {
    application();
    QtMainLoop loop;
    std::vector<int> order;
    bool onLoopThread = true;
    std::thread([&] {
        for (int i = 0; i < 3; ++i) loop.post([&, i] {
            onLoopThread = onLoopThread && loop.isLoopThread();
            order.push_back(i);
        });
    }).join();
    ASSERT_TRUE(spinUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(onLoopThread);
}

TEST(QtMainLoop, CancelledTimersNeverRunAgain) {
    application();
    QtMainLoop loop;
    int delayed = 0, cancelledDelayed = 0, repeats = 0;
    loop.postAfter(seconds(0.01), [&] { ++delayed; });
    TimerHandle dropped = loop.postAfter(seconds(0.01), [&] { ++cancelledDelayed; });
    dropped.cancel();
    TimerHandle ticking;
    ticking = loop.repeating(seconds(0.005), [&] {
        if (++repeats == 3) ticking.cancel();
    });
    ASSERT_TRUE(spinUntil([&] { return delayed == 1 && repeats >= 3; }));
    spinUntil([] { return false; }, 200);  // time for anything that should not happen
    EXPECT_EQ(delayed, 1);
    EXPECT_EQ(cancelledDelayed, 0);
    EXPECT_EQ(repeats, 3);
}

TEST(ShowAlert, FromABackgroundThreadShowsAModalBoxOnTheMainThread) {
    application();
    // The box runs its own modal loop, so it is inspected and dismissed from
    // a timer that fires inside that loop.
    struct Seen {
        QString text, informative;
        bool mainThread = false, modal = false;
        qsizetype buttons = 0;
    };
    std::optional<Seen> seen;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible() || seen) continue;
            seen = Seen{box->text(), box->informativeText(), box->thread() == application().thread(), box->isModal(),
                        box->buttons().size()};
            box->accept();
        }
    });
    probe.start(5);
    std::thread([] { showAlert("Helper installed", "Fan control is on."); }).join();
    ASSERT_TRUE(spinUntil([&] { return seen.has_value(); }));
    EXPECT_EQ(seen->text, "Helper installed");
    EXPECT_EQ(seen->informative, "Fan control is on.");
    EXPECT_TRUE(seen->mainThread);
    EXPECT_TRUE(seen->modal);
    EXPECT_EQ(seen->buttons, 1);
}

class RecordingSurfaces final : public AppSurfaces {
public:
    explicit RecordingSurfaces(std::vector<std::string>& log) : log_(log) {}
    void rebuildPanel() override { log_.push_back("panel"); }
    void rebuildMainWindowIfOpen() override { log_.push_back("main"); }
    void rebuildSettingsWindowIfOpen() override { log_.push_back("settings"); }
    void showPanel() override {}
    void showMainWindow() override {}
    void showSettings() override {}

private:
    std::vector<std::string>& log_;
};

TEST(AppDelegate, RebuildsEverySurfaceOnALanguageChangeButNotTheMainWindowOnAScaleChange) {
    application();
    const auto home = std::filesystem::temp_directory_path() / ("ventiq-shell-" + std::to_string(::getpid()));
    MapEnvironment env({{"XDG_CONFIG_HOME", home.string()},
                        {"VENTIQ_SMC_DEVICE", (home / "no-smc.sock").string()},
                        {"VENTIQ_PLATFORM_SOCKET", (home / "no-platform.sock").string()},
                        {"VENTIQ_HELPER_SOCKET", (home / "no-helper.sock").string()}});
    ::setenv("VENTIQ_SMC_DEVICE", (home / "no-smc.sock").c_str(), 1);
    ::setenv("VENTIQ_PLATFORM_SOCKET", (home / "no-platform.sock").c_str(), 1);
    AppServices services(env);
    std::vector<std::string> log;
    AppDelegate delegate(services, [&](FanController&) { return std::make_unique<RecordingSurfaces>(log); });
    delegate.applicationDidFinishLaunching();
    ASSERT_NE(delegate.surfaces(), nullptr);

    services.notifications().post(Notifications::languageChanged);
    ASSERT_TRUE(spinUntil([&] { return log.size() == 3; }));
    EXPECT_EQ(log, (std::vector<std::string>{"panel", "main", "settings"}));

    log.clear();
    services.notifications().post(Notifications::fontScaleChanged);
    ASSERT_TRUE(spinUntil([&] { return log.size() == 2; }));
    EXPECT_EQ(log, (std::vector<std::string>{"panel", "settings"}));

    delegate.applicationWillTerminate();
    std::filesystem::remove_all(home);
}

// The core reaches no device and no store of its own: what the shared
// accessors answer is what the application's services built, for as long as
// they live.
TEST(AppServices, InstallsTheInstancesItBuildsAndTakesThemBackAtTheEnd) {
    application();
    char scratch[] = "/tmp/ventiq-services-XXXXXX";
    ASSERT_NE(::mkdtemp(scratch), nullptr);
    const std::filesystem::path home = scratch;
    MapEnvironment env({{"XDG_CONFIG_HOME", home.string()},
                        {"VENTIQ_HELPER_SOCKET", (home / "no-helper.sock").string()}});
    ::setenv("VENTIQ_SMC_DEVICE", (home / "no-smc.sock").c_str(), 1);
    ::setenv("VENTIQ_PLATFORM_SOCKET", (home / "no-platform.sock").c_str(), 1);
    {
        AppServices services(env);
        services.preferences().setFlag(PrefKeys::useFahrenheit, true);
        EXPECT_EQ(TempFormat::string(50), "122°F");
        EXPECT_EQ(&HelperClient::shared(), &services.helper());
        EXPECT_THROW(HardwareSensorManager::shared(), std::logic_error);

        FanController& engine = services.engine();
        EXPECT_EQ(&FanController::shared(), &engine);
        EXPECT_NO_THROW(HardwareSensorManager::shared());
        engine.shutdown();
    }
    EXPECT_THROW(HardwareSensorManager::shared(), std::logic_error);
    EXPECT_THROW(HelperClient::shared(), std::logic_error);
    EXPECT_EQ(TempFormat::string(50), "50°C");
    std::filesystem::remove_all(home);
}

// The main window's sensor list reads the simulated machine through what
// the services built, from the GUI thread and the sensor worker at once.
TEST(MainWindowSetup, SensorListReadersOnTwoThreadsReadTheMachineThroughTheServices) {
    application();
    const testing::SimProcess sim;
    sim.exportEnvironment();
    char scratch[] = "/tmp/ventiq-sensor-list-XXXXXX";
    ASSERT_NE(::mkdtemp(scratch), nullptr);
    const std::filesystem::path home = scratch;
    MapEnvironment env({{"XDG_CONFIG_HOME", home.string()},
                        {"VENTIQ_HELPER_SOCKET", (home / "no-helper.sock").string()}});
    {
        AppServices services(env);
        const SensorListReaderFactory makeReader = mainWindowContext(services).makeSensorReader;
        auto names = [](const std::vector<SensorRow>& rows) {
            std::vector<std::string> n;
            for (const SensorRow& row : rows) n.push_back(row.name);
            return n;
        };
        SensorListSnapshot onWorker;
        std::thread worker([&] {
            const SensorListRead read = makeReader();
            for (int i = 0; i < 5; ++i) onWorker = read();
        });
        const SensorListRead read = makeReader();
        SensorListSnapshot onGui;
        for (int i = 0; i < 5; ++i) onGui = read();
        worker.join();

        // The M5 Max's SMC keys, its HID services and its one drive.
        EXPECT_GE(onGui.rows.size(), 31u);
        EXPECT_EQ(names(onWorker.rows), names(onGui.rows));
        ASSERT_EQ(onGui.disks.size(), 1u);
        EXPECT_EQ(names(onWorker.disks), names(onGui.disks));
        services.engine().shutdown();
    }
    std::filesystem::remove_all(home);
}

// The windows as the application wires them. They live as long as the
// process, so the services they were given do too.
TEST(ApplicationWindows, TheMainWindowsGearOpensTheOneSettingsWindowThePanelOpens) {
    application();
    char scratch[] = "/tmp/ventiq-windows-XXXXXX";
    ASSERT_NE(::mkdtemp(scratch), nullptr);
    const std::filesystem::path home = scratch;
    static MapEnvironment env({{"XDG_CONFIG_HOME", home.string()},
                               {"VENTIQ_HELPER_SOCKET", (home / "no-helper.sock").string()}});
    ::setenv("VENTIQ_SMC_DEVICE", (home / "no-smc.sock").c_str(), 1);
    ::setenv("VENTIQ_PLATFORM_SOCKET", (home / "no-platform.sock").c_str(), 1);
    static AppServices* services = new AppServices(env);
    installSettingsWindow(*services, env);
    MainWindowController::setContext(mainWindowContext(*services));
    MainWindowController::show();
    ASSERT_NE(MainWindowController::shared(), nullptr);
    QToolButton* gear = MainWindowController::shared()->content()->settingsGear();
    EXPECT_EQ(PreferencesWindowController::shared(), nullptr);

    auto visibleSettingsWindows = [title = QString::fromStdString(L10n::tr("preferences")).remove(u'…')] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) n += w->isVisible() && w->windowTitle() == title;
        return n;
    };
    gear->click();
    PreferencesWindowController* settings = PreferencesWindowController::shared();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->window()->isVisible());
    EXPECT_EQ(visibleSettingsWindows(), 1);

    // Closed, then opened from the panel's row and from the gear again: the same window.
    settings->window()->close();
    EXPECT_EQ(visibleSettingsWindows(), 0);
    showSettingsWindow();
    EXPECT_EQ(PreferencesWindowController::shared(), settings);
    gear->click();
    EXPECT_EQ(PreferencesWindowController::shared(), settings);
    EXPECT_EQ(visibleSettingsWindows(), 1);
    std::filesystem::remove_all(home);
}

}  // namespace
}  // namespace ventiq
