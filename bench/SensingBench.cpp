// Temperature sensing over the simulated machine's SMC device and platform
// socket: the control tick's snapshot, the sensor list, and one generic probe.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <optional>

#include "sensing/CPUSensorRules.h"
#include "sensing/CoreCounts.h"
#include "sensing/HIDThermalClient.h"
#include "sensing/HardwareSensorManager.h"
#include "sensing/InternalDrives.h"
#include "sensing/SensorListReader.h"
#include "sensing/SystemInfo.h"
#include "platform/PlatformServicesClient.h"
#include "smc/SMCConnection.h"
#include "testing/SimProcess.h"

namespace {

using namespace ventiq;

// One simulator per machine for the whole run; starting it costs far more than
// anything measured here.
testing::SimProcess& simulator(const std::string& machine) {
    static std::map<std::string, std::unique_ptr<testing::SimProcess>> running;
    auto& sim = running[machine];
    if (!sim) {
        testing::SimProcess::Options options;
        options.machine = machine;
        options.executable = VENTIQ_SMCSIM_PATH;
        sim = std::make_unique<testing::SimProcess>(options);
    }
    return *sim;
}

void BM_HardwareSensorManagerRead(benchmark::State& state) {
    auto& sim = simulator("m5max");
    const auto info = SystemInfo::fromPlatform(sim.platform());
    HardwareSensorManager manager(std::make_shared<SMCConnection>(sim.smcPath()),
                                  std::make_shared<HIDThermalClient>(sim.platformPath()), info.model(),
                                  CoreCounts::read(info));
    manager.read();
    if (manager.probedKeyCount() != 18) state.SkipWithError("the simulated M5 Max did not resolve to 18 core keys");
    for (auto _ : state) benchmark::DoNotOptimize(manager.read());
}
BENCHMARK(BM_HardwareSensorManagerRead)->Unit(benchmark::kMicrosecond);

// The SMC half alone: the 18 core keys, two driver calls each, and no HID.
void BM_HardwareSensorManagerReadSMCOnly(benchmark::State& state) {
    auto& sim = simulator("m5max");
    const auto info = SystemInfo::fromPlatform(sim.platform());
    HardwareSensorManager manager(std::make_shared<SMCConnection>(sim.smcPath()), nullptr, info.model(),
                                  CoreCounts::read(info));
    manager.read();
    for (auto _ : state) benchmark::DoNotOptimize(manager.read());
}
BENCHMARK(BM_HardwareSensorManagerReadSMCOnly)->Unit(benchmark::kMicrosecond);

void BM_SensorListReaderRead(benchmark::State& state) {
    auto& sim = simulator("m5max");
    const auto info = SystemInfo::fromPlatform(sim.platform());
    const std::string platform = sim.platformPath();
    SensorListReader reader(std::make_shared<SMCConnection>(sim.smcPath()), std::make_shared<HIDThermalClient>(platform),
                            info.model(), CoreCounts::read(info),
                            [platform] { return InternalDrives::names(PlatformServicesClient(platform), "/nonexistent"); });
    reader.read();
    if (!reader.currentPlan() || reader.currentPlan()->cpu.size() != 18)
        state.SkipWithError("the simulated M5 Max did not give its 18 core rows");
    for (auto _ : state) benchmark::DoNotOptimize(reader.read());
}
BENCHMARK(BM_SensorListReaderRead)->Unit(benchmark::kMicrosecond);

void BM_GenericProbe496Keys(benchmark::State& state) {
    auto& sim = simulator("generic");
    const SMCConnection smc(sim.smcPath());
    for (auto _ : state)
        benchmark::DoNotOptimize(CPUSensorRules::discoverKeys(smc, "Mac16,1", CoreCounts::unknown()));
}
BENCHMARK(BM_GenericProbe496Keys)->Unit(benchmark::kMillisecond);

// The cost every key read is built from: key info, then read.
void BM_SMCReadFloat(benchmark::State& state) {
    auto& sim = simulator("m5max");
    const SMCConnection smc(sim.smcPath());
    for (auto _ : state) benchmark::DoNotOptimize(smc.readFloat("Tm04"));
}
BENCHMARK(BM_SMCReadFloat)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
