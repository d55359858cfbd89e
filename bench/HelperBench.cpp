// Round trips through the helper's real server loop, service executor and
// SMC connection to the simulated machine, over a local socket. The server
// runs in this process (admitting this benchmark) so that the client side can
// be timed precisely; the resident memory is that of the real helper process.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "helper/Executor.h"
#include "helper/FanService.h"
#include "helper/HelperLog.h"
#include "helper/HelperMain.h"
#include "helper/HelperServer.h"
#include "helper/Listener.h"
#include "ipc/ConnectionChallenge.h"
#include "ipc/WireCodec.h"
#include "smc/SMCConnection.h"
#include "testing/ChildProcess.h"
#include "testing/SimProcess.h"

using namespace ventiq;
using Clock = std::chrono::steady_clock;

namespace {

std::string binDir() {
    const char* dir = std::getenv("VENTIQ_BIN_DIR");
    return dir && *dir ? dir : VENTIQ_BENCH_BIN_DIR;
}

struct Fixture {
    Fixture() : sim(simOptions()), smc(sim.smcPath()) {
        setHelperLogPath(sim.directory() + "/helper.log");
        socketPath = sim.directory() + "/helper.sock";
        const auto listener = openListenSocket(socketPath);
        if (listener.fd < 0) throw std::runtime_error(listener.error);
        // The shipped limits: the parallel run shows what they refuse.
        HelperServer::Options options;
        options.admits = [](std::string_view) { return true; };
        server = std::make_unique<HelperServer>(service, listener.fd, options);
        thread = std::thread([this] { server->run(); });
    }
    ~Fixture() {
        // The server takes SIGTERM from its signalfd, hands the fans back and returns.
        ::kill(::getpid(), SIGTERM);
        thread.join();
        queue.stop();
    }
    static testing::SimProcess::Options simOptions() {
        testing::SimProcess::Options o;
        o.executable = binDir() + "/ventiq-smcsim";
        return o;
    }

    testing::SimProcess sim;
    SMCConnection smc;
    SerialExecutor queue;
    FanService service{smc, queue, [] { return Clock::now(); }, hlog};
    std::string socketPath;
    std::unique_ptr<HelperServer> server;
    std::thread thread;
};

Fixture* fixture = nullptr;

class Client {
public:
    explicit Client(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) throw std::runtime_error("connect");
        // The helper opens with its challenge; a refused connection is closed instead.
        const auto challenge = nextPayload();
        const auto token = challenge ? wire::decodeChallenge(*challenge) : std::nullopt;
        if (!token) return;
        const auto echo = wire::encodeChallenge(*token);
        admitted_ = ::send(fd_, echo.data(), echo.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(echo.size());
    }
    ~Client() { ::close(fd_); }

    bool admitted() const { return admitted_; }

    bool call(HelperMethod method, std::vector<wire::Value> args) {
        const auto frame = wire::encodeRequest({++id_, method, std::move(args)});
        if (::send(fd_, frame->data(), frame->size(), MSG_NOSIGNAL) != static_cast<ssize_t>(frame->size())) return false;
        return nextPayload().has_value();
    }

private:
    std::optional<std::vector<uint8_t>> nextPayload() {
        for (;;) {
            if (auto payload = decoder_.next()) return payload;
            uint8_t buf[4096];
            const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) return std::nullopt;
            decoder_.feed(std::span<const uint8_t>(buf, static_cast<size_t>(n)));
        }
    }

    int fd_ = -1;
    bool admitted_ = false;
    int64_t id_ = 0;
    wire::FrameDecoder decoder_;
};

void reportPercentiles(benchmark::State& state, std::vector<double>& micros) {
    if (micros.empty()) return;
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}

void roundTrips(benchmark::State& state, HelperMethod method, std::vector<wire::Value> args) {
    Client client(fixture->socketPath);
    client.call(HelperMethod::helperVersion, {});
    std::vector<double> micros;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!client.call(method, args)) state.SkipWithError("connection lost");
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    reportPercentiles(state, micros);
}

void BM_SetFanTargetRoundTrip(benchmark::State& state) {
    roundTrips(state, HelperMethod::setFanTarget, {int64_t{0}, 3000.0});
}
BENCHMARK(BM_SetFanTargetRoundTrip)->Iterations(5000)->Unit(benchmark::kMicrosecond);

void BM_HeartbeatRoundTrip(benchmark::State& state) { roundTrips(state, HelperMethod::heartbeat, {}); }
BENCHMARK(BM_HeartbeatRoundTrip)->Iterations(20000)->Unit(benchmark::kMicrosecond);

// One key read over the SMC device (key info + read): a fan target costs
// nine of these (four reads, two writes, three read-backs).
void BM_SMCKeyRead(benchmark::State& state) {
    SMCConnection smc(fixture->sim.smcPath());
    std::vector<double> micros;
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(smc.readValue("F0Tg"));
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    reportPercentiles(state, micros);
}
BENCHMARK(BM_SMCKeyRead)->Iterations(20000)->Unit(benchmark::kMicrosecond);

// 100 clients of one user, each sending 1000 requests one after another
// (heartbeats and fan targets alternating), all at once. Under the shipped
// limits most of them are refused (refused_clients); the figures are those of
// the clients served.
void BM_ParallelClients(benchmark::State& state) {
    constexpr int clients = 100;
    constexpr int requests = 1000;
    for (auto _ : state) {
        std::vector<std::vector<double>> perClient(clients);
        std::atomic<int> failures{0};
        std::atomic<int> refused{0};
        std::vector<std::thread> threads;
        const auto start = Clock::now();
        for (int c = 0; c < clients; ++c) {
            threads.emplace_back([&, c] {
                Client client(fixture->socketPath);
                if (!client.admitted()) {
                    ++refused;
                    return;
                }
                perClient[c].reserve(requests);
                for (int r = 0; r < requests; ++r) {
                    const auto t0 = Clock::now();
                    const bool ok = (r % 2 == 0) ? client.call(HelperMethod::heartbeat, {})
                                                 : client.call(HelperMethod::setFanTarget, {int64_t{c % 2}, 2000.0 + r});
                    if (!ok) ++failures;
                    perClient[c].push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
                }
            });
        }
        for (auto& t : threads) t.join();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::vector<double> all;
        for (auto& v : perClient) all.insert(all.end(), v.begin(), v.end());
        reportPercentiles(state, all);
        state.counters["requests_per_s"] = static_cast<double>(all.size()) / seconds;
        state.counters["failures"] = failures.load();
        state.counters["refused_clients"] = refused.load();
    }
}
BENCHMARK(BM_ParallelClients)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

long statusKiB(pid_t pid, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
    }
    return -1;
}

// The real test build of the helper as its own process, after serving a
// client's requests.
void BM_HelperResidentMemory(benchmark::State& state) {
    if (::geteuid() != 0) {
        state.SkipWithError("the helper needs root");
        return;
    }
    const std::string socket = fixture->sim.directory() + "/process.sock";
    for (auto _ : state) {
        testing::ChildProcess helper({{binDir() + "/com.quillmoor.ventiq.helper-test"},
                                      {"VENTIQ_SMC_DEVICE=" + fixture->sim.smcPath(), "VENTIQ_HELPER_SOCKET=" + socket,
                                       "VENTIQ_HELPER_LOG=" + fixture->sim.directory() + "/process.log"},
                                      false,
                                      {}});
        for (int i = 0; i < 250 && !std::filesystem::exists(socket); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));

        // The client's answers (one short line per command) fit the pipe unread.
        testing::ChildProcess client({{binDir() + "/ventiq-helper-testclient"}, {}, true, {}});
        client.writeLine("connect " + socket);
        client.writeLine("version");
        for (int i = 0; i < 200; ++i) {
            client.writeLine("set 0 " + std::to_string(2000 + i));
            client.writeLine("heartbeat");
        }
        std::this_thread::sleep_for(std::chrono::seconds(2));
        state.counters["rss_kib"] = static_cast<double>(statusKiB(helper.pid(), "VmRSS"));
        state.counters["peak_rss_kib"] = static_cast<double>(statusKiB(helper.pid(), "VmHWM"));
        client.closeInput();
        client.wait(std::chrono::seconds(10));
        helper.terminate(std::chrono::seconds(10));
    }
}
BENCHMARK(BM_HelperResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // The in-process server takes its signals the way the helper does.
    prepareHelperSignals();

    benchmark::Initialize(&argc, argv);
    Fixture f;
    fixture = &f;
    benchmark::RunSpecifiedBenchmarks();
    fixture = nullptr;
    benchmark::Shutdown();
    return 0;
}
