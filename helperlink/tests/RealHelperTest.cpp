// The client and the engine against the real helper program on the simulated
// machine. The helper is the test build of this folder, which admits exactly
// this test executable.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "LinkTestSupport.h"
#include "engine/FanController.h"
#include "helperlink/HelperClient.h"
#include "platform/Environment.h"
#include "platform/InMemoryPreferenceStore.h"
#include "platform/ManualLoop.h"
#include "platform/NotificationCenter.h"
#include "settings/PrefKeys.h"
#include "smc/SMCConnection.h"
#include "testing/ChildProcess.h"
#include "testing/FakeTemperatureSource.h"
#include "testing/SimProcess.h"

namespace ventiq {
namespace {

using linktest::pumpUntil;
using namespace std::chrono_literals;
using Status = HelperClient::Status;

std::string helperProgram() {
    const char* dir = std::getenv("VENTIQ_BIN_DIR");
    return std::string(dir ? dir : ".") + "/ventiq-helperlink-testhelper";
}

// The helper as a child process, binding its socket itself.
class HelperProcess {
public:
    HelperProcess(const std::string& smcPath, const std::string& socketPath, const std::string& logPath)
        : socketPath_(socketPath),
          process_({{helperProgram()},
                    {"VENTIQ_SMC_DEVICE=" + smcPath, "VENTIQ_HELPER_SOCKET=" + socketPath, "VENTIQ_HELPER_LOG=" + logPath},
                    false,
                    {}}) {}

    // The socket file is removed before each start, so its appearance means
    // the helper is listening.
    bool waitListening() const {
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < until) {
            if (std::filesystem::exists(socketPath_)) return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }
    void kill(int sig) {
        process_.signal(sig);
        process_.wait(10s);
    }

private:
    std::string socketPath_;
    testing::ChildProcess process_;
};

class RealHelperTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "the helper needs root";
        linktest::useEnglish();
        socket_ = sim_.directory() + "/helper.sock";
        startHelper();
    }

    void startHelper() {
        std::filesystem::remove(socket_);
        helper_ = std::make_unique<HelperProcess>(sim_.smcPath(), socket_, sim_.directory() + "/helper.log");
        ASSERT_TRUE(helper_->waitListening());
    }

    HelperClient::Config config() const {
        HelperClient::Config c;
        c.socketPath = socket_;
        // The helper program stands for the installed one.
        c.installPath = helperProgram();
        // The client's own check sees the installed application's path; the
        // helper's admission checks the real one.
        c.executablePath = [] { return std::optional<std::string>(ventiqAllowedClientPath); };
        return c;
    }

    bool refreshed(HelperClient& client) {
        client.refreshState();
        return pumpUntil(loop_, [&] { return client.status().kind() != Status::Kind::checking; });
    }

    nlohmann::json fan(int index) const {
        const auto state = sim_.state();
        return state ? (*state)["fans"][index] : nlohmann::json();
    }

    // Waits for a fan of the simulated machine to reach a mode (and target).
    bool fanBecomes(int index, int mode, std::optional<double> target = std::nullopt) {
        return pumpUntil(loop_, [&] {
            const auto f = fan(index);
            return f.is_object() && f["mode"].get<int>() == mode &&
                   (!target || std::fabs(f["target"].get<double>() - *target) < 1.0);
        });
    }

    testing::SimProcess sim_;
    std::string socket_;
    std::unique_ptr<HelperProcess> helper_;
    ManualLoop loop_;
    NotificationCenter notifications_{loop_};
};

TEST_F(RealHelperTest, ReadyLostWhenKilledAndReconnectedByRefresh) {
    HelperClient client(config(), loop_, notifications_);
    ASSERT_TRUE(refreshed(client));
    EXPECT_EQ(client.status(), Status::ready("1.1.0"));
    EXPECT_EQ(client.statusText(), "Fan helper enabled v1.1.0");

    helper_->kill(SIGKILL);
    ASSERT_TRUE(pumpUntil(loop_, [&] { return !client.isReady(); }));
    EXPECT_EQ(client.statusText(), "Fan helper connection lost");

    startHelper();
    ASSERT_TRUE(refreshed(client));
    EXPECT_EQ(client.status(), Status::ready("1.1.0"));
}

TEST_F(RealHelperTest, FanRequestsReachTheMachine) {
    HelperClient client(config(), loop_, notifications_);
    ASSERT_TRUE(refreshed(client));
    ASSERT_TRUE(client.isReady());

    std::vector<std::pair<bool, std::string>> answers;
    auto record = [&](bool ok, const std::string& message) { answers.emplace_back(ok, message); };

    client.setFanTarget(0, 3000, record);
    ASSERT_TRUE(pumpUntil(loop_, [&] { return answers.size() == 1; }));
    EXPECT_TRUE(answers[0].first) << answers[0].second;
    EXPECT_TRUE(fanBecomes(0, 1, 3000.0));

    client.releaseFan(0, record);
    ASSERT_TRUE(pumpUntil(loop_, [&] { return answers.size() == 2; }));
    EXPECT_TRUE(answers[1].first) << answers[1].second;
    EXPECT_TRUE(fanBecomes(0, 0));

    client.setFanTarget(9, 3000, record);
    ASSERT_TRUE(pumpUntil(loop_, [&] { return answers.size() == 3; }));
    EXPECT_FALSE(answers[2].first);
    EXPECT_FALSE(answers[2].second.empty()) << "the helper's refusal reaches the caller";

    client.setFanTarget(1, 2500, record);
    ASSERT_TRUE(pumpUntil(loop_, [&] { return answers.size() == 4; }));
    ASSERT_TRUE(fanBecomes(1, 1, 2500.0));
    EXPECT_TRUE(client.releaseAllBlocking(1.5));
    EXPECT_EQ(fan(1)["mode"].get<int>(), 0);
    EXPECT_TRUE(client.keepFansOnQuitBlocking(1.5));
}

TEST_F(RealHelperTest, EngineHoldsAFanThroughTheHelper) {
    HelperClient client(config(), loop_, notifications_);
    SMCConnection smc(sim_.smcPath());
    testing::FakeTemperatureSource sensors;
    sensors.setCPU(50);
    InMemoryPreferenceStore store;
    store.setFlag(PrefKeys::realControlV1, true);

    FanController engine(&smc, client, sensors, true, store, loop_, notifications_);
    loop_.runPending();
    engine.setFanFixedRPM(0, 3000);

    // Replies arrive in real time; the engine's ticks run in virtual time.
    const bool active = pumpUntil(
        loop_,
        [&] {
            loop_.advanceSeconds(0.5);
            return engine.controlState() == ControlState::active();
        },
        30s);
    ASSERT_TRUE(active) << "state " << static_cast<int>(engine.controlState().kind()) << " "
                        << engine.controlState().message() << "; helper: " << client.statusText();
    EXPECT_EQ(fan(0)["mode"].get<int>(), 1);
    EXPECT_NEAR(fan(0)["target"].get<double>(), 3000.0, 1.0);

    engine.shutdown();
    EXPECT_TRUE(fanBecomes(0, 0)) << "quitting hands the fan back";
}

// The simulated machine hides the left fan's mode key, so the helper cannot
// give the fan back; the right fan stays wanted, so its heartbeats keep the
// helper's watchdog away. The engine itself must try again.
TEST_F(RealHelperTest, EngineRetriesARefusedHandBackUntilTheFanIsAutomatic) {
    HelperClient client(config(), loop_, notifications_);
    ASSERT_TRUE(refreshed(client));
    SMCConnection smc(sim_.smcPath());
    testing::FakeTemperatureSource sensors;
    sensors.setCPU(50);
    InMemoryPreferenceStore store;
    store.setFlag(PrefKeys::realControlV1, true);
    store.setInteger(PrefKeys::myLeftRPM, 3000);
    store.setInteger(PrefKeys::myRightRPM, 3100);

    FanController engine(&smc, client, sensors, false, store, loop_, notifications_);
    // One tick in virtual time, then its answers in real time.
    const auto tickAndSettle = [&] {
        engine.tick();
        linktest::pumpFor(loop_, 300ms);
    };
    loop_.advanceSeconds(0.2);
    ASSERT_TRUE(pumpUntil(
        loop_,
        [&] {
            tickAndSettle();
            return engine.controlState() == ControlState::active();
        },
        30s))
        << engine.controlState().message();

    ASSERT_TRUE(sim_.faultKey("F0md", "missing"));
    engine.setLeftMode(FanMode::auto_);
    loop_.advanceSeconds(0.2);
    linktest::pumpFor(loop_, 300ms);
    for (int i = 0; i < 2; ++i) tickAndSettle();
    ASSERT_EQ(engine.controlState().kind(), ControlState::Kind::failed) << "the hand-back was refused";
    EXPECT_EQ(fan(0)["mode"].get<int>(), 1);
    EXPECT_EQ(store.integerArray(PrefKeys::takenOverFans), (std::vector<int>{0, 1}));

    ASSERT_TRUE(sim_.clear());
    for (int i = 0; i < 2 && fan(0)["mode"].get<int>() != 0; ++i) tickAndSettle();
    EXPECT_EQ(fan(0)["mode"].get<int>(), 0) << "automatic within two ticks";
    EXPECT_EQ(fan(1)["mode"].get<int>(), 1);
    tickAndSettle();
    EXPECT_EQ(engine.controlState(), ControlState::active());
    EXPECT_EQ(store.integerArray(PrefKeys::takenOverFans), std::vector<int>{1});
    engine.shutdown();
}

// Running as root, as the main job in a container does, enabling and
// disabling run the real scripts directly: no prompt, the activator starts
// the helper on demand, and removing it hands the fans back.
TEST(RootInstallTest, EnableAndDisableRunTheScriptsWithoutAPrompt) {
    if (::geteuid() != 0) GTEST_SKIP() << "installing needs root";
    namespace fs = std::filesystem;
    linktest::useEnglish();
    testing::SimProcess sim;
    linktest::TempDir dir;
    const std::string resources = dir / "Tavrinel.app/Contents/Resources";
    fs::create_directories(resources);
    for (const char* name : {"install_helper.sh", "uninstall_helper.sh", "helper_common.sh", "ventiq-activator",
                             "com.quillmoor.ventiq.helper.socket", "com.quillmoor.ventiq.helper.service.in"}) {
        fs::copy_file(fs::path(VENTIQ_RESOURCES_DIR) / name, fs::path(resources) / name);
    }
    const fs::path bundled = dir / "Tavrinel.app/Contents/Library/LaunchServices/com.quillmoor.ventiq.helper";
    fs::create_directories(bundled.parent_path());
    fs::copy_file(helperProgram(), bundled);

    const std::string root = dir / "root";
    const std::string socket = dir / "helper.sock";
    const std::vector<std::pair<const char*, std::string>> env{
        {"VENTIQ_ROOT", root},         {"VENTIQ_ACTIVATOR", "1"},        {"VENTIQ_HELPER_SOCKET", socket},
        {"VENTIQ_SMC_DEVICE", sim.smcPath()}, {"VENTIQ_HELPER_LOG", dir / "helper.log"}};
    for (const auto& [name, value] : env) ::setenv(name, value.c_str(), 1);
    struct Unset {
        const std::vector<std::pair<const char*, std::string>>& env;
        ~Unset() {
            for (const auto& [name, value] : env) ::unsetenv(name);
        }
    } unset{env};

    auto config = HelperClient::Config::production(Environment::process());
    ASSERT_TRUE(config.elevator.empty());
    config.installPath = root + std::string(ventiqHelperInstallPath);
    config.resourcesDirectory = resources;
    config.executablePath = [] { return std::optional<std::string>(ventiqAllowedClientPath); };
    EXPECT_EQ(config.socketPath, socket);

    ManualLoop loop;
    NotificationCenter notifications{loop};
    HelperClient client(config, loop, notifications);
    std::optional<std::pair<bool, std::string>> installed;
    client.install([&](bool ok, const std::string& message) { installed.emplace(ok, message); });
    ASSERT_TRUE(pumpUntil(loop, [&] { return installed.has_value(); }, 30s));
    EXPECT_TRUE(installed->first) << installed->second;
    ASSERT_TRUE(pumpUntil(loop, [&] { return client.isReady(); })) << client.statusText();

    std::optional<bool> set;
    client.setFanTarget(0, 3000, [&](bool ok, const std::string&) { set = ok; });
    ASSERT_TRUE(pumpUntil(loop, [&] { return set.has_value(); }));
    EXPECT_TRUE(*set);
    EXPECT_EQ((*sim.state())["fans"][0]["mode"].get<int>(), 1);

    std::optional<std::pair<bool, std::string>> removed;
    client.uninstall([&](bool ok, const std::string& message) { removed.emplace(ok, message); });
    ASSERT_TRUE(pumpUntil(loop, [&] { return removed.has_value(); }, 30s));
    EXPECT_TRUE(removed->first) << removed->second;
    EXPECT_EQ((*sim.state())["fans"][0]["mode"].get<int>(), 0);
    EXPECT_FALSE(fs::exists(config.installPath));
    EXPECT_EQ(client.status(), Status::notInstalled());
}

}  // namespace
}  // namespace ventiq
