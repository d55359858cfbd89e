// One engine tick over the SMC device of the simulated M5 Max, beside the bare
// driver calls the tick cannot avoid (two per key read, nothing cached). The
// ratio of the two is the engine's overhead on real hardware access.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "engine/FanController.h"
#include "platform/InMemoryPreferenceStore.h"
#include "platform/ManualLoop.h"
#include "platform/NotificationCenter.h"
#include "settings/PrefKeys.h"
#include "sim/MachineProfile.h"
#include "sim/SimMachine.h"
#include "sim/SimServer.h"
#include "smc/SMCConnection.h"
#include "testing/FakeFanHelper.h"
#include "testing/FakeTemperatureSource.h"

namespace {

using namespace ventiq;

// The simulated machine serves its device socket from a thread of this process.
class Device {
public:
    Device() {
        char dir[] = "/tmp/ventiq-engine-bench-XXXXXX";
        dir_ = ::mkdtemp(dir);
        smcPath_ = dir_ + "/smc.sock";
        machine_ = std::make_unique<sim::SimMachine>(sim::MachineProfile::load("m5max"), 1);
        server_ = std::make_unique<sim::SimServer>(
            *machine_, sim::SimServer::Options{smcPath_, dir_ + "/platform.sock", 1.0, 100});
        thread_ = std::thread([this] { server_->run(false); });
        for (int i = 0; i < 200 && !std::filesystem::exists(smcPath_); ++i) ::usleep(5000);
    }
    ~Device() {
        server_->stop();
        thread_.join();
        std::filesystem::remove_all(dir_);
    }
    const std::string& smcPath() const { return smcPath_; }

private:
    std::string dir_;
    std::string smcPath_;
    std::unique_ptr<sim::SimMachine> machine_;
    std::unique_ptr<sim::SimServer> server_;
    std::thread thread_;
};

struct CountingReader final : SMCReading {
    explicit CountingReader(const SMCConnection& c) : connection(c) {}
    std::optional<SMCValue> readValue(const std::string& key) const override {
        ++reads;
        return connection.readValue(key);
    }
    const SMCConnection& connection;
    mutable long reads = 0;
};

void BM_EngineTickOverDevice(benchmark::State& state) {
    Device device;
    SMCConnection connection(device.smcPath());
    CountingReader smc(connection);
    ManualLoop loop;
    NotificationCenter center(loop);
    testing::FakeFanHelper helper;
    testing::FakeTemperatureSource sensors;
    sensors.setCPU(60.0);
    InMemoryPreferenceStore store;
    store.setFlag(PrefKeys::realControlV1, true);
    store.setInteger(PrefKeys::preset, FanPreset::auto_);
    FanController engine(&smc, helper, sensors, false, store, loop, center);
    loop.advanceSeconds(0.2);

    const long before = smc.reads;
    for (auto _ : state) {
        engine.tick();
        loop.runPending();
        helper.clearCalls();
    }
    state.counters["smc_reads_per_tick"] =
        static_cast<double>(smc.reads - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_EngineTickOverDevice)->UseRealTime();

void BM_DriverCallsOfOneTick(benchmark::State& state) {
    Device device;
    SMCConnection connection(device.smcPath());
    CountingReader smc(connection);
    const long before = smc.reads;
    for (auto _ : state) {
        const int count = smc.fanCount();
        for (int fan = 0; fan < count; ++fan) benchmark::DoNotOptimize(smc.fanReading(fan));
    }
    state.counters["smc_reads_per_tick"] =
        static_cast<double>(smc.reads - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_DriverCallsOfOneTick)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
