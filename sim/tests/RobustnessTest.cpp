// The simulator under bad input, many clients, stale and taken socket paths,
// profile files and its small client modes.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "platform/PlatformServicesClient.h"
#include "sim/tests/SimTestSupport.h"
#include "smc/FourCC.h"
#include "smc/SMCConnection.h"

namespace ventiq {
namespace {

using testing::SimProcess;
using namespace simtest;
namespace fs = std::filesystem;

// A private scratch directory, removed at the end of the test.
struct ScratchDir {
    ScratchDir() {
        char name[] = "/tmp/ventiq-simtest-XXXXXX";
        path = ::mkdtemp(name);
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string path;
};

void makeStaleSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
}

SimProcess::Options at(const std::string& smc, const std::string& platform, const std::string& name = "m5max") {
    auto o = machine(name);
    o.extraArgs = {"--smc", smc, "--platform", platform};
    return o;
}

std::pair<int, std::string> runTool(const std::string& args) {
    const std::string command = SimProcess::findExecutable() + " " + args + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char buffer[512];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(BadInput, GarbageOnTheSMCSocketIsAnsweredOrDropped) {
    SimProcess sim(machine("m5max"));
    std::mt19937 rng(11);
    {
        RawSocket socket(sim.smcPath());
        for (int i = 0; i < 200; ++i) {
            uint8_t junk[80];
            for (auto& b : junk) b = static_cast<uint8_t>(rng());
            ASSERT_TRUE(socket.send(junk, sizeof junk));
            uint8_t reply[80];
            ASSERT_TRUE(socket.receive(reply, sizeof reply)) << i;
        }
        const std::string allOnes(80, '\xFF');
        ASSERT_TRUE(socket.send(allOnes));
        SMCKeyDataT out;
        ASSERT_TRUE(socket.receive(&out, sizeof out));
        EXPECT_EQ(out.result, SMCResult::badCommand);
    }
    {
        RawSocket socket(sim.smcPath());
        ASSERT_TRUE(socket.send(std::string(37, 'x')));  // half a record, then gone
    }
    SMCConnection smc(sim.smcPath());
    EXPECT_EQ(smc.fanCount(), 2);
}

TEST(BadInput, MalformedPlatformRequestsGetErrorsAndChangeNothing) {
    SimProcess sim(machine("m5max"));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"not json", "this is not json"},
        {"array", "[1,2,3]"},
        {"empty object", "{}"},
        {"empty line", ""},
        {"invalid utf8", "{\"op\":\"\xff\xfe\"}"},
        {"op not text", R"({"op":42})"},
        {"unknown op", R"({"op":"reboot"})"},
        {"set nothing", R"({"op":"set"})"},
        {"load text", R"({"op":"set","load":"high"})"},
        {"load above 1", R"({"op":"set","load":2})"},
        {"load and bad ambient", R"({"op":"set","load":0.5,"ambient":1000})"},
        {"fault unknown key", R"({"op":"fault","key":"ZZZZ","mode":"nan"})"},
        {"fault bad mode", R"({"op":"fault","key":"Tm04","mode":"explode"})"},
        {"fault value missing", R"({"op":"fault","key":"Tm04","mode":"value"})"},
        {"fault nan on integer key", R"({"op":"fault","key":"FNum","mode":"nan"})"},
        {"fault no such fan", R"({"op":"fault","fan":9,"mode":"stuck"})"},
        {"fault negative fan", R"({"op":"fault","fan":-1,"mode":"stuck"})"},
        {"fault fan bad mode", R"({"op":"fault","fan":0,"mode":"nan"})"},
        {"fault no target", R"({"op":"fault","mode":"nan"})"},
        {"fault unknown hid", R"({"op":"fault","hid":"Toaster","mode":"missing"})"},
    };
    RawSocket socket(sim.platformPath());
    for (const auto& [name, line] : cases) {
        ASSERT_TRUE(socket.send(line + "\n")) << name;
        const auto reply = socket.receiveLine();
        ASSERT_TRUE(reply) << name;
        const auto json = nlohmann::json::parse(*reply, nullptr, false);
        ASSERT_TRUE(json.is_object()) << name << ": " << *reply;
        EXPECT_TRUE(json.contains("error")) << name << ": " << *reply;
    }
    ASSERT_TRUE(socket.send("{\"op\":\"state\"}\r\n"));
    const auto state = nlohmann::json::parse(*socket.receiveLine());
    EXPECT_NEAR(state["load"].get<double>(), 0.1, 1e-9);
    EXPECT_EQ(state["ambient"], 25.0);
    EXPECT_TRUE(state["faults"].empty());
}

TEST(BadInput, OverlongRequestLineIsRefusedAndOthersAreStillServed) {
    SimProcess sim(machine("m5max"));
    RawSocket socket(sim.platformPath());
    socket.send(std::string(100 * 1024, 'a'));
    const auto reply = socket.receiveLine();
    ASSERT_TRUE(reply);
    EXPECT_TRUE(nlohmann::json::parse(*reply).contains("error"));
    EXPECT_TRUE(sim.state());
}

TEST(ManyClients, ParallelConnectionsAreAllServed) {
    SimProcess sim(machine("m5max", 10));
    // Many idle connections held open while others work.
    std::vector<std::unique_ptr<RawSocket>> idle;
    for (int i = 0; i < 100; ++i) idle.push_back(std::make_unique<RawSocket>(i % 2 ? sim.smcPath() : sim.platformPath()));

    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 16; ++t) {
        threads.emplace_back([&, t] {
            if (t % 2 == 0) {
                SMCConnection smc(sim.smcPath());
                for (int i = 0; i < 50; ++i)
                    if (smc.fanCount() == 2 && smc.readFloat("Tm04")) ++good;
            } else {
                PlatformServicesClient client(sim.platformPath());
                for (int i = 0; i < 50; ++i)
                    if (client.request({{"op", "state"}})) ++good;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(good.load(), 16 * 50);

    // The idle ones still get answers.
    SMCKeyDataT in;
    in.key = fourCC("FNum");
    in.data8 = SMCCommand::keyInfo;
    for (size_t i = 0; i < idle.size(); ++i) {
        if (i % 2) {
            const auto out = idle[i]->call(in);
            ASSERT_TRUE(out) << i;
            EXPECT_EQ(out->result, 0) << i;
        } else {
            ASSERT_TRUE(idle[i]->send("{\"op\":\"sysinfo\"}\n"));
            EXPECT_TRUE(idle[i]->receiveLine()) << i;
        }
    }
}

TEST(SocketPaths, StaleFileIsReplacedParentsAreCreatedAndSIGTERMCleansUp) {
    ScratchDir dir;
    const std::string smcPath = dir.path + "/smc.sock";
    const std::string platformPath = dir.path + "/run/ventiq/nested/platform.sock";
    makeStaleSocket(smcPath);
    SimProcess sim(at(smcPath, platformPath));
    SMCConnection smc(smcPath);
    EXPECT_EQ(smc.fanCount(), 2);
    PlatformServicesClient client(platformPath);
    EXPECT_TRUE(client.request({{"op", "sysinfo"}}));
    EXPECT_TRUE(sim.terminate());
    EXPECT_FALSE(fs::exists(smcPath));
    EXPECT_FALSE(fs::exists(platformPath));
}

TEST(SocketPaths, PathsInUseOrNotSocketsAreNotTaken) {
    SimProcess first(machine("m5max"));
    ScratchDir dir;
    const std::string plainFile = dir.path + "/plain";
    std::ofstream(plainFile) << "keep me";
    const struct {
        const char* name;
        std::string smc;
    } cases[] = {{"served by another simulator", first.smcPath()}, {"regular file", plainFile}};
    for (const auto& c : cases) {
        EXPECT_THROW(SimProcess(at(c.smc, dir.path + "/platform.sock")), std::runtime_error) << c.name;
    }
    EXPECT_EQ(SMCConnection(first.smcPath()).fanCount(), 2);
    std::ifstream in(plainFile);
    std::string content;
    std::getline(in, content);
    EXPECT_EQ(content, "keep me");
}

TEST(SocketPaths, ConnectionSurvivesASimulatorRestartOnTheSamePath) {
    ScratchDir dir;
    const std::string smcPath = dir.path + "/smc.sock";
    const std::string platformPath = dir.path + "/platform.sock";
    auto sim = std::make_unique<SimProcess>(at(smcPath, platformPath));
    SMCConnection smc(smcPath);
    ASSERT_EQ(smc.fanCount(), 2);
    sim.reset();
    EXPECT_FALSE(smc.readValue("FNum"));
    sim = std::make_unique<SimProcess>(at(smcPath, platformPath, "onefan"));
    EXPECT_EQ(smc.fanCount(), 1);
}

TEST(ProfileFiles, LoadsAProfileFileAndRejectsBadOnes) {
    ScratchDir dir;
    const std::string good = dir.path + "/tiny.json";
    std::ofstream(good) << R"({"model": "Mac99,1",
        "perflevels": [{"name": "Performance", "physicalcpu": 2}],
        "nodes": [{"name": "cpu", "kind": "cpu", "idle": 5, "full": 20, "capacity": 10, "conductance": 0.5}],
        "fans": [{"min": 1000, "max": 3000, "modeKey": "Md", "start": 50, "stop": 45, "curve": [[50, 1000], [90, 3000]]}],
        "keys": [{"key": "Tp01", "node": "cpu"}, {"key": "Tz9z", "type": "ui16", "value": 300}],
        "hid": [{"product": "NAND CH0 temp", "node": "cpu", "offset": -10}]})";
    {
        SimProcess sim(machine(good));
        EXPECT_NE(sim.readyLine().find("Mac99,1"), std::string::npos);
        SMCConnection smc(sim.smcPath());
        EXPECT_EQ(smc.fanModeKey(0), "F0Md");
        EXPECT_EQ(smc.readValue("Tz9z")->bytes, (std::vector<uint8_t>{0x01, 0x2C}));
        EXPECT_TRUE(smc.readFloat("Tp01"));
    }

    const std::vector<std::pair<std::string, std::string>> bad = {
        {"not json", "{"},
        {"no model", R"({"nodes": []})"},
        {"no cpu node", R"({"model": "X", "nodes": []})"},
        {"key of three characters",
         R"({"model": "X", "nodes": [{"name": "c", "kind": "cpu", "idle": 1, "full": 2, "capacity": 1, "conductance": 1}],
             "keys": [{"key": "Tp0", "node": "c"}]})"},
        {"key on unknown node",
         R"({"model": "X", "nodes": [{"name": "c", "kind": "cpu", "idle": 1, "full": 2, "capacity": 1, "conductance": 1}],
             "keys": [{"key": "Tp01", "node": "gpu"}]})"},
        {"fan key twice",
         R"({"model": "X", "nodes": [{"name": "c", "kind": "cpu", "idle": 1, "full": 2, "capacity": 1, "conductance": 1}],
             "fans": [{"min": 1, "max": 2, "start": 50, "stop": 40, "curve": [[50, 1]]}],
             "keys": [{"key": "F0Ac", "value": 3}]})"},
        {"raw key longer than a record holds",
         R"({"model": "X", "nodes": [{"name": "c", "kind": "cpu", "idle": 1, "full": 2, "capacity": 1, "conductance": 1}],
             "keys": [{"key": "Kraw", "type": "flt ", "writable": true, "bytes": ")" + std::string(66, '0') + R"("}]})"},
        {"raw key without bytes",
         R"({"model": "X", "nodes": [{"name": "c", "kind": "cpu", "idle": 1, "full": 2, "capacity": 1, "conductance": 1}],
             "keys": [{"key": "Kraw", "type": "flt ", "bytes": ""}]})"},
    };
    for (const auto& [name, body] : bad) {
        const std::string path = dir.path + "/bad.json";
        std::ofstream(path) << body;
        EXPECT_THROW(SimProcess(machine(path)), std::runtime_error) << name;
    }
    EXPECT_THROW(SimProcess(machine("no-such-machine")), std::runtime_error);
}

TEST(ClientModes, SetLoadAmbientAndShowStateTalkToARunningSimulator) {
    SimProcess sim(machine("m5max"));
    for (const char* set : {"--set-load 0.7", "--set-ambient 38"}) {
        const auto [status, out] = runTool(std::string(set) + " --platform " + sim.platformPath());
        EXPECT_EQ(status, 0) << set << ": " << out;
    }
    const auto [showStatus, showOut] = runTool("--show-state --platform " + sim.platformPath());
    ASSERT_EQ(showStatus, 0) << showOut;
    const auto state = nlohmann::json::parse(showOut);
    EXPECT_EQ(state["load"], 0.7);
    EXPECT_EQ(state["ambient"], 38.0);
    EXPECT_EQ(state["fans"].size(), 2u);

    EXPECT_EQ(runTool("--show-state --platform " + sim.directory() + "/none.sock").first, 1);
    EXPECT_EQ(runTool("--set-load 3 --platform " + sim.platformPath()).first, 2);
    EXPECT_EQ(runTool("--set-ambient 200 --platform " + sim.platformPath()).first, 2);
    EXPECT_EQ(runTool("--time-scale -1").first, 2);
}

}  // namespace
}  // namespace ventiq
