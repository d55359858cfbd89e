// One engine tick in steady state: Custom preset with the ladder at setting 3,
// both fans held and confirmed, so a tick reads, decides and sends only the
// heartbeat. The second benchmark makes just the SMC reads a tick needs, so
// the difference is the engine's own cost.
#include <benchmark/benchmark.h>

#include "engine/FanController.h"
#include "platform/InMemoryPreferenceStore.h"
#include "platform/ManualLoop.h"
#include "platform/NotificationCenter.h"
#include "settings/PrefKeys.h"
#include "testing/FakeFanHelper.h"
#include "testing/FakeSMC.h"
#include "testing/FakeTemperatureSource.h"

namespace {

using namespace ventiq;

struct Machine {
    Machine() {
        testing::FakeSMC::addTwoFanMachine(smc);
        helper.attach(&smc);
        sensors.setCPU(72.0);
        store.setFlag(PrefKeys::realControlV1, true);
        store.setInteger(PrefKeys::preset, FanPreset::mySettings);
        store.setFlag(PrefKeys::ladder2On, true);
        store.setFlag(PrefKeys::ladder3On, true);
        store.setFlag(PrefKeys::ladderMaxOn, true);
    }

    ManualLoop loop;
    NotificationCenter center{loop};
    testing::FakeSMC smc;
    testing::FakeFanHelper helper;
    testing::FakeTemperatureSource sensors;
    InMemoryPreferenceStore store;
};

void BM_EngineTick(benchmark::State& state) {
    Machine m;
    FanController engine(&m.smc, m.helper, m.sensors, false, m.store, m.loop, m.center);
    m.loop.advanceSeconds(0.2);
    engine.tick();
    m.loop.runPending();
    m.helper.clearCalls();

    const int readsBefore = m.smc.readCount();
    for (auto _ : state) {
        engine.tick();
        m.loop.runPending();
        m.helper.clearCalls();
    }
    state.counters["smc_reads_per_tick"] =
        static_cast<double>(m.smc.readCount() - readsBefore) / static_cast<double>(state.iterations());
    state.counters["ladder_tier"] = engine.ladderTier();
}
BENCHMARK(BM_EngineTick);

void BM_SMCReadsOfOneTick(benchmark::State& state) {
    Machine m;
    const int readsBefore = m.smc.readCount();
    for (auto _ : state) {
        const int count = m.smc.fanCount();
        for (int fan = 0; fan < count; ++fan) benchmark::DoNotOptimize(m.smc.fanReading(fan));
    }
    state.counters["smc_reads_per_tick"] =
        static_cast<double>(m.smc.readCount() - readsBefore) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SMCReadsOfOneTick);

}  // namespace

BENCHMARK_MAIN();
