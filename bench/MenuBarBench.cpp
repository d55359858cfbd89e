// The menu-bar image per style and ratio, the panel from opening to its
// first completed paint, and the refresh of a shown panel on a data update.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>

#include <memory>

#include "engine/FanController.h"
#include "menubar/DropdownMenuPanel.h"
#include "menubar/StatusBarController.h"
#include "platform/InMemoryPreferenceStore.h"
#include "platform/ManualLoop.h"
#include "platform/NotificationCenter.h"
#include "settings/UIScale.h"
#include "smc/SMCReading.h"
#include "testing/FakeFanHelper.h"
#include "testing/FakeSMC.h"
#include "testing/FakeTemperatureSource.h"
#include "viewkit/MenuBarRenderer.h"

namespace ventiq {
namespace {

void BM_RenderMenuBarImage(benchmark::State& state) {
    MenuBarRenderer::Options o;
    o.style = static_cast<int>(state.range(0));
    o.mono = state.range(2) != 0;
    o.tempText = "47°C";
    const double dpr = static_cast<double>(state.range(1));
    int rpm = 3000;
    for (auto _ : state) {
        auto image = MenuBarRenderer::render(rpm, rpm + 50, o, dpr);
        benchmark::DoNotOptimize(image.image.constBits());
        rpm = rpm == 3000 ? 3001 : 3000;
    }
}
BENCHMARK(BM_RenderMenuBarImage)
    ->ArgNames({"style", "dpr", "mono"})
    ->ArgsProduct({{0, 1, 2}, {1, 2}, {1, 0}})
    ->Unit(benchmark::kMicrosecond);

// The two-fan test machine under the real engine, in virtual time.
struct Machine {
    Machine() {
        testing::FakeSMC::addTwoFanMachine(smc);
        smc.setFloat(fanKey(0, "Ac"), 3238);
        smc.setFloat(fanKey(1, "Ac"), 3193);
        helper.attach(&smc);
        sensors.setCPU(58);
        UIScale::setStore(&store);
        store.setInteger(UIScale::defaultsKey, 100);
        UIScale::refreshPanel(5000);
        engine = std::make_unique<FanController>(&smc, helper, sensors, true, store, loop, center);
        loop.runPending();
    }
    ~Machine() {
        engine.reset();
        UIScale::setStore(nullptr);
    }
    ManualLoop loop;
    NotificationCenter center{loop};
    InMemoryPreferenceStore store;
    testing::FakeSMC smc;
    testing::FakeFanHelper helper;
    testing::FakeTemperatureSource sensors;
    std::unique_ptr<FanController> engine;
};

// Counts completed paints of a widget.
class PaintWatch : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

void BM_ClickToPanelPainted(benchmark::State& state) {
    Machine m;
    StatusBarController::Options options;
    options.trayWaitSeconds = 1e9;
    StatusBarController controller(*m.engine, m.loop, m.center, {}, options);
    PaintWatch watch;
    for (auto _ : state) {
        controller.menuPanel()->installEventFilter(&watch);
        watch.paints = 0;
        QElapsedTimer timer;
        timer.start();
        controller.showPopover();
        while (watch.paints == 0) QApplication::processEvents(QEventLoop::AllEvents, 5);
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        controller.closePopover();
        QApplication::processEvents();
        // The next opening finds the same panel; a fresh one each time is
        // the first opening after a language or scale change.
        if (state.range(0)) controller.rebuildPanel();
    }
}
BENCHMARK(BM_ClickToPanelPainted)->ArgName("rebuilt")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RefreshShownPanel(benchmark::State& state) {
    Machine m;
    DropdownMenuPanel panel(*m.engine, m.loop, m.center);
    panel.show();
    QApplication::processEvents();
    float rpm = 3000;
    for (auto _ : state) {
        m.smc.setFloat(fanKey(0, "Ac"), rpm);
        m.engine->readHardware();
        panel.updateContent();
        rpm = rpm == 3000 ? 3100 : 3000;
    }
    panel.hide();
}
BENCHMARK(BM_RefreshShownPanel)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace ventiq

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
