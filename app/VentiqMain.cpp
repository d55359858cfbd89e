#include "app/VentiqMain.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/MainWindowSetup.h"
#include "app/RemoteSession.h"
#include "app/SettingsWindowSetup.h"
#include "app/Snapshot.h"
#include "app/TerminationSignals.h"
#include "app/TraySurface.h"
#include "engine/FanController.h"
#include "headless/HeadlessSession.h"
#include "platform/Environment.h"
#include "selftest/SelfTest.h"
#include "windows/MainWindowController.h"
#include "windows/PreferencesWindowController.h"

namespace ventiq {
namespace {

enum class ShownWindow { none, main, settings };

struct Options {
    bool selftest = false;
    bool headless = false;
    bool json = false;
    bool help = false;
    // Everything after --snapshot, which are the snapshot's own arguments.
    std::optional<std::vector<std::string>> snapshot;
    ShownWindow show = ShownWindow::none;
    int showSeconds = 10;
    std::string error;
};

// A whole number of seconds from 1 to one hour.
std::optional<int> parseSeconds(const std::string& text) {
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) return {};
    const int s = std::stoi(text);
    if (s < 1 || s > 3600) return {};
    return s;
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--snapshot") {
            o.snapshot = std::vector<std::string>(argv + i + 1, argv + argc);
            break;
        }
        if (arg == "--show-main" || arg == "--show-settings") {
            o.show = arg == "--show-main" ? ShownWindow::main : ShownWindow::settings;
            if (i + 1 < argc && std::string(argv[i + 1]).rfind("--", 0) != 0) {
                const auto seconds = parseSeconds(argv[++i]);
                if (!seconds && o.error.empty()) o.error = arg + " takes a number of seconds from 1 to 3600";
                o.showSeconds = seconds.value_or(o.showSeconds);
            }
        } else if (arg == "--selftest") {
            o.selftest = true;
        } else if (arg == "--headless") {
            o.headless = true;
        } else if (arg == "--json") {
            o.json = o.headless = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (o.error.empty()) {
            o.error = "unknown argument " + arg;
        }
    }
    return o;
}

const char* usage =
    "usage: Ventiq [--headless [--json] | --selftest | --show-main [SECONDS] | --show-settings [SECONDS]]\n"
    "       Ventiq --snapshot DIR [--lang CODE|all] [--scale 80..150|all]\n"
    "  (no argument)  the menu-bar application; headless when there is no display\n"
    "  --headless     no views: print the fan state on every update, read commands from standard input\n"
    "  --json         with --headless: one JSON object per line\n"
    "  --selftest     check the control logic and the fan service on a built-in machine\n"
    "  --show-main, --show-settings\n"
    "                 open the main or the settings window for SECONDS (default 10), then quit\n"
    "  --snapshot     draw every view over a built-in machine to PNG files in DIR, with index.json;\n"
    "                 every language (zh-Hans zh-Hant en ja ko ar) at 100, 125 and 150 % unless narrowed\n";

bool displayAvailable(const Environment& env) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const auto value = env.get(name);
        if (value && !value->empty()) return true;
    }
    return false;
}

int runApplication(int argc, char** argv, bool headless, bool json, ShownWindow show, int showSeconds) {
    std::unique_ptr<QCoreApplication> app;
    if (headless) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        auto gui = std::make_unique<QApplication>(argc, argv);
        // A menu-bar utility keeps running with every window closed.
        gui->setQuitOnLastWindowClosed(false);
        app = std::move(gui);
    }
    // A second start in the same session leaves the fans to the first.
    RemoteSession remote;
    if (!remote.claim()) return 0;
    TerminationSignals terminationSignals;
    AppServices services(Environment::process());

    AppDelegate::SurfaceFactory surfaces;
    if (headless) {
        surfaces = [&services, json](FanController& engine) -> std::unique_ptr<AppSurfaces> {
            return std::make_unique<HeadlessSession>(engine, services.loop(), services.notifications(), json);
        };
    } else {
        surfaces = [&services](FanController& engine) -> std::unique_ptr<AppSurfaces> {
            MainWindowController::setContext(mainWindowContext(services));
            installSettingsWindow(services, Environment::process());
            TraySurface::Windows windows;
            windows.showMainWindow = [] { MainWindowController::show(); };
            windows.rebuildMainWindowIfOpen = [] { MainWindowController::rebuildIfOpen(); };
            windows.showSettings = showSettingsWindow;
            windows.rebuildSettingsWindowIfOpen = [] { PreferencesWindowController::rebuildIfOpen(); };
            return std::make_unique<TraySurface>(engine, services.loop(), services.notifications(),
                                                 std::move(windows), [] { QCoreApplication::quit(); });
        };
    }
    AppDelegate delegate(services, std::move(surfaces));
    QObject::connect(app.get(), &QCoreApplication::aboutToQuit, [&delegate] { delegate.applicationWillTerminate(); });
    // Launch finishes once the event loop runs, as the platform reports it.
    QTimer::singleShot(0, app.get(), [&] {
        delegate.applicationDidFinishLaunching();
        remote.start(services.engine(), delegate.surfaces(), services.loop(), services.notifications());
        if (show == ShownWindow::none) return;
        if (AppSurfaces* shown = delegate.surfaces()) {
            if (show == ShownWindow::main) shown->showMainWindow();
            if (show == ShownWindow::settings) shown->showSettings();
        }
        // Quitting the ordinary way hands the fans back as any quit does.
        QTimer::singleShot(std::chrono::seconds(showSeconds), qApp, &QCoreApplication::quit);
    });
    const int status = app->exec();
    delegate.applicationWillTerminate();
    remote.stop();
    return status;
}

}  // namespace

int VentiqMain::main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    if (options.help) {
        std::cout << usage;
        return 0;
    }
    if (!options.error.empty()) {
        std::cerr << "Ventiq: " << options.error << '\n' << usage;
        return 2;
    }
    if (options.selftest) return SelfTest::run(std::cout);
    if (options.snapshot) {
        std::string error;
        const auto snapshot = Snapshot::parse(*options.snapshot, error);
        if (!snapshot) {
            std::cerr << "Ventiq: " << error << '\n' << usage;
            return 2;
        }
        // The views are drawn without a screen, the same on every machine.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return Snapshot::run(*snapshot, std::cout, std::cerr);
    }

    bool headless = options.headless;
    if (options.show != ShownWindow::none && (headless || !displayAvailable(Environment::process()))) {
        std::cerr << "Ventiq: --show-main and --show-settings need a display\n";
        return 2;
    }
    if (!headless && !displayAvailable(Environment::process())) {
        std::cerr << "Ventiq: no display; running headless" << std::endl;
        headless = true;
    }
    return runApplication(argc, argv, headless, options.json, options.show, options.showSeconds);
}

}  // namespace ventiq
