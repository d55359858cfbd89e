// Cost of SMC driver calls over the device socket of the simulated M5 Max:
// one call, one key read (two calls) and the reads of one control tick.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/MachineProfile.h"
#include "sim/SimMachine.h"
#include "sim/SimServer.h"
#include "smc/FourCC.h"
#include "smc/SMCConnection.h"

namespace {

using namespace ventiq;

// Every CPU key of the M5 Pro/Max table, both core levels.
const std::vector<std::string> cpuKeys = {"Tm04", "Tm0G", "Tm0R", "Tm0a", "Tm0j", "Tm1Q", "Tm1c",
                                          "Tm1o", "Tm21", "Tm2D", "Tm2P", "Tm2n", "Tp04", "Tp0G",
                                          "Tp0R", "Tp0a", "Tp0j", "Tp0u", "Tp1I", "Tp1g"};

// One simulated machine serving on a private socket for the whole run.
class Device {
public:
    static Device& shared() {
        static Device device;
        return device;
    }
    const std::string& smcPath() const { return smcPath_; }
    sim::SimMachine& machine() { return *machine_; }

private:
    Device() {
        char dir[] = "/tmp/ventiq-bench-XXXXXX";
        dir_ = ::mkdtemp(dir);
        smcPath_ = dir_ + "/smc.sock";
        machine_ = std::make_unique<sim::SimMachine>(sim::MachineProfile::load("m5max"), 1);
        server_ = std::make_unique<sim::SimServer>(*machine_, sim::SimServer::Options{smcPath_, dir_ + "/platform.sock", 1.0, 100});
        thread_ = std::thread([this] { server_->run(false); });
    }
    ~Device() {
        server_->stop();
        thread_.join();
        std::filesystem::remove_all(dir_);
    }

    std::string dir_;
    std::string smcPath_;
    std::unique_ptr<sim::SimMachine> machine_;
    std::unique_ptr<sim::SimServer> server_;
    std::thread thread_;
};

void BM_DriverCallInProcess(benchmark::State& state) {
    auto& machine = Device::shared().machine();
    SMCKeyDataT in;
    in.key = fourCC("Tm04");
    in.data8 = SMCCommand::readKey;
    in.keyInfo.dataSize = 4;
    for (auto _ : state) benchmark::DoNotOptimize(machine.call(in));
}
BENCHMARK(BM_DriverCallInProcess);

void BM_DriverCallRoundTrip(benchmark::State& state) {
    SMCConnection smc(Device::shared().smcPath());
    for (auto _ : state) benchmark::DoNotOptimize(smc.keyInfo("Tm04"));
    state.counters["calls/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
// The server runs on another thread, so wall time is the honest measure.
BENCHMARK(BM_DriverCallRoundTrip)->UseRealTime();

void BM_KeyReadRoundTrip(benchmark::State& state) {
    SMCConnection smc(Device::shared().smcPath());
    for (auto _ : state) benchmark::DoNotOptimize(smc.readFloat("Tm04"));
    state.counters["driverCalls"] = 2;
}
BENCHMARK(BM_KeyReadRoundTrip)->UseRealTime();

// What one control tick reads: both fans (Ac, Mn, Mx, Tg and the mode key,
// found by name then read) and every CPU key of the table.
void BM_TickShapedRead(benchmark::State& state) {
    SMCConnection smc(Device::shared().smcPath());
    const int fans = smc.fanCount();
    for (auto _ : state) {
        for (int fan = 0; fan < fans; ++fan) benchmark::DoNotOptimize(smc.fanReading(fan));
        for (const auto& key : cpuKeys) benchmark::DoNotOptimize(smc.readFloat(key));
    }
    // Per fan: Ac, Mn, Mx, Tg, the mode-key probe and its read, two calls each.
    const double calls = 2.0 * (6 * fans + static_cast<double>(cpuKeys.size()));
    state.counters["driverCalls"] = calls;
    state.counters["perCall"] = benchmark::Counter(calls * static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TickShapedRead)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
