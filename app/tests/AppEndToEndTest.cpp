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

#include "AppStack.h"
#include "smc/SMCConnection.h"
#include "testing/ChildProcess.h"
#include "testing/SimProcess.h"

namespace ventiq {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;
using testing::ChildProcess;
using testing::SimProcess;
using namespace apptest;

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
    // The state changes as the hand-backs go out; the helper carries them
    // out a moment later.
    EXPECT_TRUE(s.waitFans(bothAutomatic, 1s)) << s.fans().dump();
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
    EXPECT_TRUE(s.waitFans(bothAutomatic, 1s)) << s.fans().dump();
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
