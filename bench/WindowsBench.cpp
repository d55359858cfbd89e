// The main window's costs on the GUI thread: a sensor-list refresh that only
// rewrites values, one that rebuilds every row, and opening the window (with
// its first synchronous sensor read over the simulated M5 Max) until the
// first paint.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "engine/FanController.h"
#include "platform/Environment.h"
#include "platform/InMemoryPreferenceStore.h"
#include "platform/ManualLoop.h"
#include "platform/NotificationCenter.h"
#include "platform/PlatformServicesClient.h"
#include "sensing/CoreCounts.h"
#include "sensing/HIDThermalClient.h"
#include "sensing/SensorListReader.h"
#include "sensing/SystemInfo.h"
#include "settings/AppLanguage.h"
#include "smc/SMCConnection.h"
#include "testing/FakeFanHelper.h"
#include "testing/FakeTemperatureSource.h"
#include "testing/SimProcess.h"
#include "windows/MainContentView.h"
#include "windows/MainWindowController.h"
#include "windows/SensorListView.h"

namespace {

using namespace ventiq;

QApplication& app() {
    static int argc = 1;
    static char name[] = "windows-bench";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication application(argc, argv);
    return application;
}

// The biggest machine's list: 31 rows and one drive; ids start at offset.
SensorListSnapshot bigList(double base, int idOffset = 0) {
    SensorListSnapshot s;
    for (int i = 0; i < 31; ++i) {
        const std::string name = "CPU Core " + std::to_string(i + 1);
        s.rows.push_back(SensorRow{"smc:T" + std::to_string(i + idOffset) + ":" + name, name, SensorIcon::cpu,
                                   base + i * 0.7, false});
    }
    s.disks.push_back(SensorRow{"disk:0:APPLE SSD AP2048Z", "APPLE SSD AP2048Z", SensorIcon::disk, base, false});
    return s;
}

struct Language {
    Language() {
        env.set("VENTIQ_FORCE_LANG", "en");
        AppLanguage::setEnvironment(&env);
        AppLanguage::setStore(&store);
    }
    ~Language() {
        AppLanguage::setEnvironment(nullptr);
        AppLanguage::setStore(nullptr);
    }
    MapEnvironment env;
    InMemoryPreferenceStore store;
};

void BM_SensorListApplyInPlace(benchmark::State& state) {
    app();
    Language language;
    SensorListView view;
    view.resize(400, 860);
    const SensorListSnapshot a = bigList(50), b = bigList(51);
    view.apply(a, false);
    bool flip = false;
    for (auto _ : state) {
        view.apply(flip ? a : b, false);
        flip = !flip;
    }
}
BENCHMARK(BM_SensorListApplyInPlace)->Unit(benchmark::kMicrosecond);

void BM_SensorListRebuild(benchmark::State& state) {
    app();
    Language language;
    SensorListView view;
    view.resize(400, 860);
    const SensorListSnapshot a = bigList(50, 0), b = bigList(50, 100);
    bool flip = false;
    for (auto _ : state) {
        view.apply(flip ? a : b, false);
        flip = !flip;
        // Deleted rows go away with the next turn of the event loop, as they would.
        state.PauseTiming();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SensorListRebuild)->Unit(benchmark::kMicrosecond);

class FirstPaint : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

void BM_MainWindowOpenToFirstPaint(benchmark::State& state) {
    app();
    Language language;
    testing::SimProcess::Options options;
    options.executable = VENTIQ_SMCSIM_PATH;
    testing::SimProcess sim(options);
    const std::string smcPath = sim.smcPath();
    const std::string platformPath = sim.platformPath();

    ManualLoop loop;
    NotificationCenter center(loop);
    InMemoryPreferenceStore store;
    SMCConnection smc(smcPath);
    testing::FakeFanHelper helper;
    testing::FakeTemperatureSource temps;
    FanController engine(&smc, helper, temps, false, store, loop, center);
    engine.readHardware();

    MainWindowContext context;
    context.engine = &engine;
    context.helper = &helper;
    context.notifications = &center;
    context.makeSensorReader = [smcPath, platformPath] {
        const SystemInfo info = SystemInfo::fromPlatform(PlatformServicesClient(platformPath));
        auto reader = std::make_shared<SensorListReader>(
            std::make_shared<SMCConnection>(smcPath), std::make_shared<HIDThermalClient>(platformPath), info.model(),
            CoreCounts::read(info), [] { return std::vector<std::string>{"APPLE SSD AP2048Z"}; });
        return SensorListRead([reader] { return reader->read(); });
    };
    context.runsFromAllowedPath = [] { return false; };

    size_t rows = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto controller = std::make_unique<MainWindowController>(context);
        FirstPaint paint;
        controller->content()->installEventFilter(&paint);
        controller->window()->show();
        while (!paint.painted) QApplication::processEvents(QEventLoop::AllEvents, 5);
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        rows = controller->content()->sensorList()->rowViews().size();
        controller->content()->removeEventFilter(&paint);
        controller.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_MainWindowOpenToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
