#include "app/VentiqMain.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/RemoteSession.h"
#include "app/SelfTest.h"
#include "app/TerminationSignals.h"
#include "app/TraySurface.h"
#include "engine/FanController.h"
#include "headless/HeadlessSession.h"
#include "platform/Environment.h"

namespace ventiq {
namespace {

struct Options {
    bool selftest = false;
    bool headless = false;
    bool json = false;
    bool help = false;
    std::string error;
};

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--selftest")
            o.selftest = true;
        else if (arg == "--headless")
            o.headless = true;
        else if (arg == "--json")
            o.json = o.headless = true;
        else if (arg == "--help" || arg == "-h")
            o.help = true;
        else if (o.error.empty())
            o.error = "unknown argument " + arg;
    }
    return o;
}

const char* usage =
    "usage: Ventiq [--headless [--json] | --selftest]\n"
    "  (no argument)  the menu-bar application; headless when there is no display\n"
    "  --headless     no views: print the fan state on every update, read commands from standard input\n"
    "  --json         with --headless: one JSON object per line\n"
    "  --selftest     check the control logic and the fan service on a built-in machine\n";

bool displayAvailable(const Environment& env) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const auto value = env.get(name);
        if (value && !value->empty()) return true;
    }
    return false;
}

int runApplication(int argc, char** argv, bool headless, bool json) {
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
            // The windows are not part of the tray; until they are wired
            // here, their entries in the panel open nothing.
            return std::make_unique<TraySurface>(engine, services.loop(), services.notifications(),
                                                 TraySurface::Windows{}, [] { QCoreApplication::quit(); });
        };
    }
    AppDelegate delegate(services, std::move(surfaces));
    QObject::connect(app.get(), &QCoreApplication::aboutToQuit, [&delegate] { delegate.applicationWillTerminate(); });
    // Launch finishes once the event loop runs, as the platform reports it.
    QTimer::singleShot(0, app.get(), [&] {
        delegate.applicationDidFinishLaunching();
        remote.start(services.engine(), delegate.surfaces(), services.loop(), services.notifications());
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

    bool headless = options.headless;
    if (!headless && !displayAvailable(Environment::process())) {
        std::cerr << "Ventiq: no display; running headless" << std::endl;
        headless = true;
    }
    return runApplication(argc, argv, headless, options.json);
}

}  // namespace ventiq
