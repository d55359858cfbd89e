// The application as a real process: the simulated machine, the test build of
// the helper and `Ventiq --headless --json`, on private sockets. The outcome
// is read from the simulator's own state. Needs root, as the helper does.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

#include "testing/ChildProcess.h"
#include "smc/SMCConnection.h"
#include "testing/SimProcess.h"

namespace ventiq {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using nlohmann::json;
using testing::ChildProcess;
using testing::SimProcess;
using Clock = std::chrono::steady_clock;

std::string binDir() {
    const char* dir = std::getenv("VENTIQ_BIN_DIR");
    return dir ? dir : "";
}

constexpr int leftMax = 5349;
constexpr int rightMax = 5777;

// The three programs on one private directory. The application ticks every
// second so that each step takes a second or two.
class Stack {
public:
    explicit Stack(double timeScale = 1) : sim_(options(timeScale)) {
        fs::create_directories(configDir() / "com.quillmoor.ventiq");
        std::ofstream(dir() / "helper-installed") << "test helper\n";
        startHelper();
    }

    fs::path dir() const { return sim_.directory(); }
    fs::path configDir() const { return dir() / "config"; }
    SimProcess& sim() { return sim_; }
    ChildProcess& app() { return *app_; }

    void startHelper() {
        helper_ = std::make_unique<ChildProcess>(
            ChildProcess::Options{{binDir() + "/com.quillmoor.ventiq.helper-test"}, environment(), true, {}});
        // The helper binds its socket itself when not started by an activator.
        for (int i = 0; i < 200 && !fs::exists(dir() / "helper.sock"); ++i) std::this_thread::sleep_for(10ms);
    }

    // Starts the application with these stored settings (on top of a
    // one-second tick, Auto and a completed first start).
    void startApp(json preferences = json::object()) {
        preferences["VentiqRefreshSeconds"] = 1;
        preferences["VentiqRealControlV1"] = true;
        if (!preferences.contains("VentiqPreset")) preferences["VentiqPreset"] = 0;
        std::ofstream(configDir() / "com.quillmoor.ventiq" / "preferences.json") << preferences.dump();
        relaunchApp();
    }

    // Starts the application over the settings the last run left behind.
    void relaunchApp() {
        app_ = std::make_unique<ChildProcess>(
            ChildProcess::Options{{binDir() + "/Ventiq", "--headless", "--json"}, environment(), true, {}});
        waitLine([](const json& s) { return s["helperReady"] == true && s["fans"].size() == 2; }, 10s,
                 "helper ready with two fans");
    }

    // The first state line that satisfies the predicate; fails the test and
    // returns null when none comes in time.
    json waitLine(const std::function<bool(const json&)>& pred, std::chrono::milliseconds timeout,
                  const std::string& what) {
        const auto deadline = Clock::now() + timeout;
        json last;
        while (Clock::now() < deadline) {
            auto line = app_->readLine(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
            if (!line) break;
            last = json::parse(*line);
            lines_.push_back(last);
            if (pred(last)) return last;
        }
        ADD_FAILURE() << "no state line with " << what << "; last: " << last.dump();
        return nullptr;
    }

    // Waits until the simulator's fans satisfy the predicate; true when they did.
    bool waitFans(const std::function<bool(const json& fans)>& pred, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        do {
            if (auto state = sim_.state(); state && pred((*state)["fans"])) return true;
            std::this_thread::sleep_for(20ms);
        } while (Clock::now() < deadline);
        return false;
    }

    json fans() { return (*sim_.state())["fans"]; }
    const std::vector<json>& lines() const { return lines_; }

    std::vector<std::string> environment() const {
        return {
            "VENTIQ_SMC_DEVICE=" + sim_.smcPath(),
            "VENTIQ_PLATFORM_SOCKET=" + sim_.platformPath(),
            "VENTIQ_HELPER_SOCKET=" + (dir() / "helper.sock").string(),
            "VENTIQ_HELPER_LOG=" + (dir() / "helper.log").string(),
            "VENTIQ_TEST_HELPER_INSTALL_PATH=" + (dir() / "helper-installed").string(),
            "VENTIQ_TEST_CLIENT_PATH=/Applications/Tavrinel.app/Contents/MacOS/Ventiq",
            "XDG_CONFIG_HOME=" + configDir().string(),
            "VENTIQ_FORCE_LANG=en",
        };
    }

private:
    static SimProcess::Options options(double timeScale) {
        SimProcess::Options o;
        o.timeScale = timeScale;
        return o;
    }

    SimProcess sim_;
    std::unique_ptr<ChildProcess> helper_;
    std::unique_ptr<ChildProcess> app_;
    std::vector<json> lines_;
};

bool bothForcedAtMax(const json& fans) {
    return fans[0]["mode"] == 1 && fans[1]["mode"] == 1 && std::lround(fans[0]["target"].get<double>()) == leftMax &&
           std::lround(fans[1]["target"].get<double>()) == rightMax;
}
bool bothAutomatic(const json& fans) { return fans[0]["mode"] == 0 && fans[1]["mode"] == 0; }
auto stateIs(const char* name) {
    return [name](const json& s) { return s["controlState"] == name; };
}

class AppEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "the helper needs root";
    }
};

TEST_F(AppEndToEnd, PresetsTakeAndHandBackBothFans) {
    Stack s;
    s.startApp();
    s.app().writeLine("preset full");
    // Within two ticks: the deferred pass sends, the next readback confirms.
    s.waitLine(stateIs("active"), 2500ms, "active under Full Speed");
    EXPECT_TRUE(bothForcedAtMax(s.fans())) << s.fans().dump();

    s.app().writeLine("preset auto");
    const json line = s.waitLine(stateIs("system"), 2500ms, "system under Auto");
    EXPECT_EQ(line["preset"], 0);
    EXPECT_TRUE(bothAutomatic(s.fans())) << s.fans().dump();
}

TEST_F(AppEndToEnd, CustomFixedSpeedReachesTheFan) {
    Stack s;
    s.startApp();
    s.app().writeLine("rpm left 3000");
    const json line = s.waitLine(stateIs("active"), 2500ms, "active after rpm left 3000");
    EXPECT_EQ(line["preset"], 1);
    const json fans = s.fans();
    EXPECT_EQ(fans[0]["mode"], 1);
    EXPECT_EQ(std::lround(fans[0]["target"].get<double>()), 3000);
    // Coming from Auto, the other side stays with the system.
    EXPECT_EQ(fans[1]["mode"], 0);
}

TEST_F(AppEndToEnd, LadderAndOverheatProtectionFollowTheLoad) {
    Stack s(10);
    s.startApp({{"VentiqPreset", 1}, {"VentiqLadder2On", true}, {"VentiqLadder3On", true}});
    s.waitLine(stateIs("active"), 5s, "Custom active");

    s.sim().setLoad(0.5);
    s.waitLine([](const json& l) { return l["ladderTier"] == 2; }, 20s, "ladder step 2");
    s.sim().setAmbient(40);
    s.sim().setLoad(1.0);
    s.waitLine([](const json& l) { return l["ladderTier"] == 3; }, 20s, "ladder step 3");
    const json hot = s.waitLine([](const json& l) { return l["protectionActive"] == true; }, 30s, "protection");
    EXPECT_GE(hot["temps"]["cpuMax"].get<double>(), 92.0);
    EXPECT_TRUE(s.waitFans(bothForcedAtMax, 3s)) << s.fans().dump();

    s.sim().setAmbient(25);
    s.sim().setLoad(0);
    s.waitLine([](const json& l) { return l["ladderTier"] == 1 && l["protectionActive"] == false; }, 40s,
               "back at step 1 without protection");

    // Every step down in the stream happened only below the hysteresis.
    for (size_t i = 1; i < s.lines().size(); ++i) {
        const json& before = s.lines()[i - 1];
        const json& now = s.lines()[i];
        if (now["temps"]["cpuMax"].is_null()) continue;
        const double t = now["temps"]["cpuMax"];
        if (before["protectionActive"] == true && now["protectionActive"] == false) {
            EXPECT_LT(t, 88.0);
        }
        if (before["ladderTier"] == 3 && now["ladderTier"] != 3) {
            EXPECT_LT(t, 67.0);
        }
        if (before["ladderTier"] == 2 && now["ladderTier"] == 1) {
            EXPECT_LT(t, 62.0);
        }
    }
}

TEST_F(AppEndToEnd, KilledApplicationHasItsFansHandedBackAtOnce) {
    Stack s;
    s.startApp();
    s.app().writeLine("preset full");
    s.waitLine(stateIs("active"), 2500ms, "active under Full Speed");
    s.app().signal(SIGKILL);
    EXPECT_TRUE(s.waitFans(bothAutomatic, 1s)) << s.fans().dump();
}

TEST_F(AppEndToEnd, StoppedApplicationLosesItsFansWhenHeartbeatsStop) {
    Stack s;
    s.startApp();
    s.app().writeLine("preset full");
    s.waitLine(stateIs("active"), 2500ms, "active under Full Speed");
    s.app().signal(SIGSTOP);
    // The connection stays open, so only the heartbeat watchdog can act.
    EXPECT_FALSE(s.waitFans(bothAutomatic, 12s)) << "handed back before the heartbeat time-out";
    EXPECT_TRUE(s.waitFans(bothAutomatic, 6s)) << s.fans().dump();
    s.app().signal(SIGCONT);
}

TEST_F(AppEndToEnd, TerminateHandsTheFansBackBeforeExit) {
    Stack s;
    s.startApp();
    s.app().writeLine("preset full");
    s.waitLine(stateIs("active"), 2500ms, "active under Full Speed");
    s.app().signal(SIGTERM);
    ASSERT_EQ(s.app().wait(5s), 0);
    EXPECT_TRUE(bothAutomatic(s.fans())) << s.fans().dump();
}

TEST_F(AppEndToEnd, KeepOnQuitLeavesTheFansForTheNextStartToAdopt) {
    Stack s;
    s.startApp({{"VentiqKeepFansOnQuit", true}});
    s.app().writeLine("preset full");
    s.waitLine(stateIs("active"), 2500ms, "active under Full Speed");
    s.app().signal(SIGTERM);
    ASSERT_EQ(s.app().wait(5s), 0);
    // The helper keeps them past the disconnect.
    EXPECT_FALSE(s.waitFans(bothAutomatic, 1s)) << s.fans().dump();

    s.relaunchApp();
    const json adopted = s.waitLine(stateIs("active"), 3s, "the kept fans adopted");
    EXPECT_EQ(adopted["preset"], 2);
    EXPECT_TRUE(bothForcedAtMax(s.fans())) << s.fans().dump();

    s.app().writeLine("preset auto");
    s.waitLine(stateIs("system"), 2500ms, "system under Auto");
    EXPECT_TRUE(bothAutomatic(s.fans())) << s.fans().dump();
}

TEST_F(AppEndToEnd, AnotherProgramHoldingAFanUnderAutoIsReportedAsExternal) {
    Stack s;
    s.startApp();
    SMCConnection other(s.sim().smcPath());
    other.writeRaw("F0md", {1});
    s.waitLine(stateIs("external"), 2500ms, "external");
    other.writeRaw("F0md", {0});
    s.waitLine(stateIs("system"), 2500ms, "system once it lets go");
}

TEST_F(AppEndToEnd, UnknownCommandIsRefusedAndChangesNothing) {
    Stack s;
    s.startApp();
    s.app().writeLine("preset turbo");
    s.app().writeLine("rpm middle 3000");
    s.app().writeLine("on");
    const json line = s.waitLine([](const json& l) { return l["preset"] != 0; }, 2500ms, "control on");
    // Only the valid command acted: "on" with no history gives Custom.
    EXPECT_EQ(line["preset"], 1);
}

TEST(AppSelfTest, EveryCheckHoldsWithoutAnyOtherProcess) {
    ChildProcess check({{binDir() + "/Ventiq", "--selftest"}, {"VENTIQ_SMC_DEVICE=/nonexistent/smc.sock"}, true, {}});
    int passes = 0;
    while (auto line = check.readLine(10s)) {
        EXPECT_EQ(line->rfind("FAIL", 0), std::string::npos) << *line;
        passes += line->rfind("PASS", 0) == 0;
    }
    EXPECT_EQ(check.wait(5s), 0);
    EXPECT_GE(passes, 5);
}

}  // namespace
}  // namespace ventiq
