// The settings window on the offscreen platform over the engine on the fake
// two-fan machine: building and showing a new window, selecting each tab,
// and the whole rebuild after a change of text size. Each iteration includes
// the events Qt needs to lay the window out.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>

#include "engine/FanController.h"
#include "platform/InMemoryPreferenceStore.h"
#include "platform/ManualLoop.h"
#include "platform/NotificationCenter.h"
#include "platform/PreferenceStore.h"
#include "settings/AppLanguage.h"
#include "settings/PrefKeys.h"
#include "settings/UIScale.h"
#include "testing/FakeFanHelper.h"
#include "testing/FakeSMC.h"
#include "testing/FakeTemperatureSource.h"
#include "windows/PreferencesWindowController.h"

namespace {

using namespace ventiq;

QApplication& app() {
    static int argc = 1;
    static char name[] = "prefs_window_bench";
    static char* argv[] = {name, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication a(argc, argv);
    return a;
}

struct Machine {
    Machine() {
        app();
        testing::FakeSMC::addTwoFanMachine(smc);
        helper.attach(&smc);
        sensors.setCPU(60.0);
        store.setFlag(PrefKeys::realControlV1, true);
        store.setText(PrefKeys::selectedLanguage, "en");
        PreferenceStore::setStandard(&store);
        AppLanguage::setStore(&store);
        UIScale::setStore(&store);
        engine = std::make_unique<FanController>(&smc, helper, sensors, false, store, loop, center);
        context.engine = engine.get();
        context.notifications = &center;
        context.alert = [](const std::string&, const std::string&) {};
        context.screenVisibleHeight = [] { return std::optional<double>(1400); };
    }
    ~Machine() {
        engine.reset();
        UIScale::setStore(nullptr);
        AppLanguage::setStore(nullptr);
        PreferenceStore::setStandard(nullptr);
    }

    ManualLoop loop;
    NotificationCenter center{loop};
    testing::FakeSMC smc;
    testing::FakeFanHelper helper;
    testing::FakeTemperatureSource sensors;
    InMemoryPreferenceStore store;
    std::unique_ptr<FanController> engine;
    PreferencesWindowContext context;
};

void BM_OpenSettingsWindow(benchmark::State& state) {
    Machine m;
    for (auto _ : state) {
        PreferencesWindowController window(m.context);
        window.window()->show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window.window()->height());
        window.window()->hide();
    }
}
BENCHMARK(BM_OpenSettingsWindow)->Unit(benchmark::kMillisecond);

void BM_SwitchTab(benchmark::State& state) {
    Machine m;
    PreferencesWindowController window(m.context);
    window.window()->show();
    QApplication::processEvents();
    const int tab = static_cast<int>(state.range(0));
    for (auto _ : state) {
        window.selectTab(tab);
        QApplication::processEvents();
        // Back to another page outside the timing, so every iteration builds this one.
        state.PauseTiming();
        window.selectTab(tab == 0 ? 1 : 0);
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SwitchTab)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_TextSizeRebuild(benchmark::State& state) {
    Machine m;
    PreferencesWindowController window(m.context);
    window.window()->show();
    QApplication::processEvents();
    int percent = 100;
    for (auto _ : state) {
        percent = percent == 100 ? 150 : 100;
        m.store.setInteger(UIScale::defaultsKey, percent);
        window.buildUI();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_TextSizeRebuild)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    app();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
