#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "helper/FanService.h"
#include "helper/tests/ManualExecutor.h"
#include "smc/FourCC.h"
#include "testing/FakeSMC.h"

namespace ventiq {
namespace {

using testing::FakeSMC;
using testing::ManualExecutor;
using namespace std::chrono_literals;

struct Outcome {
    bool ok = false;
    std::string message;
};

class FanServiceTest : public ::testing::Test {
protected:
    FanServiceTest() {
        FakeSMC::addTwoFanMachine(smc);
        smc.setFloat("F0Ac", 2410.6f);
        smc.clearWrites();
    }

    Outcome run(const std::function<void(FanService::Reply)>& call) {
        std::optional<Outcome> out;
        call([&](bool ok, const std::string& m) { out = Outcome{ok, m}; });
        queue.runAll();
        EXPECT_TRUE(out.has_value());
        return out.value_or(Outcome{});
    }
    Outcome set(int64_t fan, double rpm) {
        return run([&](auto r) { service.setFanTarget(fan, rpm, r); });
    }
    Outcome release(int64_t fan) {
        return run([&](auto r) { service.releaseFan(fan, r); });
    }
    Outcome releaseAll() {
        return run([&](auto r) { service.releaseAllFans(r); });
    }
    Outcome raw(const std::string& key, const std::string& hex) {
        return run([&](auto r) { service.rawWrite(key, hex, r); });
    }
    bool flag(const std::function<void(FanService::FlagReply)>& call) {
        std::optional<bool> out;
        call([&](bool v) { out = v; });
        queue.runAll();
        return out.value_or(false);
    }
    void connect() {
        service.clientConnected();
        queue.runAll();
    }
    void disconnect() {
        service.clientDisconnected();
        queue.runAll();
    }
    void watchdogAt(std::chrono::seconds sinceStart) {
        clock = start + sinceStart;
        queue.post([this] { service.watchdogCheck(); });
        queue.runAll();
    }
    int mode(int fan) { return smc.u8Value(fanKey(fan, "md")).value_or(-1); }
    std::set<int> forced() {
        queue.runAll();
        return service.forcedFans();
    }
    bool logged(const std::string& line) const {
        return std::find(logs.begin(), logs.end(), line) != logs.end();
    }

    FakeSMC smc;
    ManualExecutor queue;
    const FanService::TimePoint start{std::chrono::hours(1000)};
    FanService::TimePoint clock = start;
    std::vector<std::string> logs;
    FanService service{smc, queue, [this] { return clock; }, [this](const std::string& l) { logs.push_back(l); }};
};

TEST_F(FanServiceTest, SetTargetWritesModeThenClampedTarget) {
    struct Row {
        int64_t fan;
        double rpm;
        float written;
    };
    const Row rows[] = {
        {0, 3500, 3500}, {0, 9999, 5349}, {1, 9999, 5777}, {0, 100, 1350},
        {1, -5, 1350},   {0, 1350, 1350}, {0, 3500.75, 3500.75f}, {1, 1e300, 5777},
    };
    for (const auto& row : rows) {
        smc.clearWrites();
        const auto out = set(row.fan, row.rpm);
        EXPECT_TRUE(out.ok) << out.message;
        const int fan = static_cast<int>(row.fan);
        const std::vector<FakeSMC::Write> expected{{fanKey(fan, "md"), {1}},
                                                   {fanKey(fan, "Tg"), floatBytesLE(row.written)}};
        EXPECT_EQ(smc.writes(), expected) << row.fan << " " << row.rpm;
        EXPECT_TRUE(forced().count(fan));
    }
}

TEST_F(FanServiceTest, SetTargetMessageUsesWholeNumbers) {
    struct Row {
        double rpm;
        const char* message;
    };
    const Row rows[] = {
        {3500, "风扇0 模式=1 目标=3500 实际=2410（请求 3500 → 实际下发 3500，范围 1350–5349）"},
        {3000.9, "风扇0 模式=1 目标=3000 实际=2410（请求 3000 → 实际下发 3000，范围 1350–5349）"},
        {1e300, "风扇0 模式=1 目标=5349 实际=2410（请求 9223372036854775807 → 实际下发 5349，范围 1350–5349）"},
        {-1e300, "风扇0 模式=1 目标=1350 实际=2410（请求 -9223372036854775808 → 实际下发 1350，范围 1350–5349）"},
    };
    for (const auto& row : rows) {
        const auto out = set(0, row.rpm);
        EXPECT_TRUE(out.ok);
        EXPECT_EQ(out.message, row.message);
        EXPECT_EQ(logs.back(), row.message);
    }

    // Read-back keys that do not read show as ? and -1.
    smc.setReadFailure("F0Ac", true);
    smc.setReadFailure("F0Tg", true);
    EXPECT_EQ(set(0, 2000).message, "风扇0 模式=1 目标=-1 实际=-1（请求 2000 → 实际下发 2000，范围 1350–5349）");
}

TEST_F(FanServiceTest, RefusedTargetsWriteNothing) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        const char* name;
        int64_t fan;
        double rpm;
        std::function<void(FakeSMC&)> setup;
        const char* error;
        const char* log;
    };
    const Row rows[] = {
        {"nan", 0, std::nan(""), nullptr, "取值不合法：转速不是有效数字", "setFanTarget(0, nan) 失败：取值不合法：转速不是有效数字"},
        {"inf", 0, inf, nullptr, "取值不合法：转速不是有效数字", nullptr},
        {"-inf", 1, -inf, nullptr, "取值不合法：转速不是有效数字", nullptr},
        {"fan 2", 2, 3000, nullptr, "没有第 2 个风扇", "setFanTarget(2, 3000.0) 失败：没有第 2 个风扇"},
        {"fan -1", -1, 3000, nullptr, "没有第 -1 个风扇", nullptr},
        // Would be fan 0 if the index were narrowed to 32 bits.
        {"fan 2^32", int64_t{1} << 32, 3000, nullptr, "没有第 4294967296 个风扇", nullptr},
        {"no FNum", 0, 3000, [](FakeSMC& s) { s.remove("FNum"); }, "没有第 0 个风扇", nullptr},
        {"no Mx", 0, 3000, [](FakeSMC& s) { s.remove("F0Mx"); },
         "读不到风扇 0 的最低 / 最高转速，不下发指令", nullptr},
        {"Mx not above Mn", 1, 3000, [](FakeSMC& s) { s.setFloat("F1Mx", 1350); },
         "读不到风扇 1 的最低 / 最高转速，不下发指令", nullptr},
        {"no mode key", 0, 3000, [](FakeSMC& s) { s.remove("F0md"); }, "找不到风扇 0 的模式键（F0md / F0Md）", nullptr},
    };
    for (const auto& row : rows) {
        FakeSMC fresh;
        FakeSMC::addTwoFanMachine(fresh);
        if (row.setup) row.setup(fresh);
        fresh.clearWrites();
        ManualExecutor q;
        std::vector<std::string> lines;
        FanService svc(fresh, q, [this] { return clock; }, [&](const std::string& l) { lines.push_back(l); });
        std::optional<Outcome> out;
        svc.setFanTarget(row.fan, row.rpm, [&](bool ok, const std::string& m) { out = Outcome{ok, m}; });
        q.runAll();
        ASSERT_TRUE(out) << row.name;
        EXPECT_FALSE(out->ok) << row.name;
        EXPECT_EQ(out->message, row.error) << row.name;
        EXPECT_TRUE(fresh.writes().empty()) << row.name;
        EXPECT_TRUE(svc.forcedFans().empty()) << row.name;
        if (row.log) {
            EXPECT_EQ(lines.back(), row.log) << row.name;
        }
    }
}

TEST_F(FanServiceTest, UpperCaseModeKeyIsUsedWhenLowerIsMissing) {
    smc.remove("F1md");
    smc.setU8("F1Md", 0);
    EXPECT_TRUE(set(1, 3000).ok);
    EXPECT_EQ(smc.u8Value("F1Md"), 1);
    EXPECT_TRUE(releaseAll().ok);
    EXPECT_EQ(smc.u8Value("F1Md"), 0);
}

TEST_F(FanServiceTest, FailedTargetWriteLeavesModeWrittenAndFanNotTaken) {
    smc.setWriteFailure("F0Tg", 0x86);
    const auto out = set(0, 3000);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, "写入 SMC 失败：SMC 键 VENTIQ_SMC_WRITE_PATH_V1:F0Tg 返回码 0x86");
    EXPECT_EQ(mode(0), 1);
    EXPECT_TRUE(forced().empty());
}

TEST_F(FanServiceTest, ReleaseFanHandsBackOnlyThatFan) {
    ASSERT_TRUE(set(0, 3000).ok);
    ASSERT_TRUE(set(1, 3000).ok);
    smc.clearWrites();
    const auto out = release(0);
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.message, "风扇0 已交还系统自动控制");
    EXPECT_EQ(logs.back(), "风扇0 已交还系统");
    EXPECT_EQ(smc.writes(), (std::vector<FakeSMC::Write>{{"F0md", {0}}}));
    EXPECT_EQ(mode(1), 1);
    EXPECT_EQ(forced(), std::set<int>{1});

    const auto refused = release(5);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.message, "没有第 5 个风扇");
    EXPECT_EQ(logs.back(), "releaseFan(5) 失败：没有第 5 个风扇");
}

TEST_F(FanServiceTest, ReleaseAllHandsBackEveryFanTheSMCReports) {
    ASSERT_TRUE(set(0, 3000).ok);
    smc.setU8("F1md", 1);  // forced by someone else
    smc.clearWrites();
    const auto out = releaseAll();
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.message, "已交还系统自动控制");
    EXPECT_EQ(smc.writes(), (std::vector<FakeSMC::Write>{{"F0md", {0}}, {"F1md", {0}}}));
    EXPECT_TRUE(forced().empty());
    EXPECT_EQ(logs.back(), "releaseAll（客户端请求）→ OK");
}

TEST_F(FanServiceTest, ReleaseAllJoinsPartialFailuresAndStillEmptiesForced) {
    smc.setU8("FNum", 3);
    smc.addFan(2, 1000, 4000);
    ASSERT_TRUE(set(0, 3000).ok);
    ASSERT_TRUE(set(2, 3000).ok);
    smc.setWriteFailure("F0md", 0x82);
    smc.remove("F1md");
    const auto out = releaseAll();
    const std::string joined =
        "风扇0：SMC 键 VENTIQ_SMC_WRITE_PATH_V1:F0md 返回码 0x82；风扇1：找不到风扇 1 的模式键（F1md / F1Md）";
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, joined);
    EXPECT_EQ(logs.back(), "releaseAll（客户端请求）→ " + joined);
    EXPECT_EQ(smc.u8Value("F2md"), 0);
    EXPECT_TRUE(forced().empty());
}

TEST_F(FanServiceTest, RawWrites) {
    struct Row {
        const char* key;
        const char* hex;
        bool ok;
        const char* message;
    };
    const Row rows[] = {
        {"FNum", "05", false, "不允许写入键 FNum"},
        {"F0Mx", "00000000", false, "不允许写入键 F0Mx"},
        {"Ftst", "01", false, "不允许写入键 Ftst"},
        {"F0md", "02", false, "取值不合法：模式只能是 00 或 01"},
        {"F0md", "0001", false, "取值不合法：模式只能是 00 或 01"},
        {"F0Tg", "0000803f", false, "取值不合法：目标转速必须落在该风扇的 [最低, 最高] 之内"},
        {"F0Tg", "0000c07f", false, "取值不合法：目标转速必须落在该风扇的 [最低, 最高] 之内"},
        {"F0Tg", "00803b", false, "取值不合法：目标转速必须是 4 字节 float"},
        {"F2Tg", "00803b45", false, "取值不合法：目标转速必须落在该风扇的 [最低, 最高] 之内"},
        {"F0Tg", "0g", false, "取值不合法：含有非十六进制字符"},
        {"F2md", "01", false, "写入 SMC 失败：SMC 键 F2md 返回码 0x84"},
        {"F0Tg", "00803B45", true, "已写 F0Tg=00803B45，读回 00803b45"},
        {"F0Tg", "00c0a844", true, "已写 F0Tg=00c0a844，读回 00c0a844"},  // 1350, the minimum itself
    };
    for (const auto& row : rows) {
        smc.clearWrites();
        const auto out = raw(row.key, row.hex);
        EXPECT_EQ(out.ok, row.ok) << row.key << "=" << row.hex;
        EXPECT_EQ(out.message, row.message) << row.key << "=" << row.hex;
        if (!row.ok) {
            EXPECT_EQ(logs.back(), std::string("rawWrite(") + row.key + ", " + row.hex + ") 失败：" + row.message);
            if (std::string(row.key) != "F2md") {
                EXPECT_TRUE(smc.writes().empty()) << row.key;
            }
        }
    }
    EXPECT_EQ(smc.floatValue("F0Tg"), 1350.0f);
    EXPECT_TRUE(forced().empty());  // target writes never take a fan over

    EXPECT_TRUE(raw("F1md", "01").ok);
    EXPECT_EQ(forced(), std::set<int>{1});
    EXPECT_EQ(raw("F1md", "00").message, "已写 F1md=00，读回 00");
    EXPECT_EQ(forced(), std::set<int>{1});  // a mode write of 00 does not give it up
}

TEST_F(FanServiceTest, RawTargetOf3000ReadsBack) {
    EXPECT_TRUE(raw("F0Tg", "00803b45").ok);
    EXPECT_EQ(smc.floatValue("F0Tg"), 3000.0f);
}

TEST_F(FanServiceTest, WatchdogNeedsMoreThanFifteenSilentSeconds) {
    connect();
    ASSERT_TRUE(set(0, 3000).ok);
    watchdogAt(14s);
    EXPECT_EQ(mode(0), 1);
    watchdogAt(15s);
    EXPECT_EQ(mode(0), 1);
    watchdogAt(16s);
    EXPECT_EQ(mode(0), 0);
    EXPECT_TRUE(forced().empty());
    EXPECT_EQ(logs.back(), "releaseAll（心跳超时）→ OK");
}

TEST_F(FanServiceTest, SignsOfLifeMoveTheWatchdog) {
    connect();
    ASSERT_TRUE(set(0, 3000).ok);
    clock = start + 10s;
    EXPECT_TRUE(flag([&](auto r) { service.heartbeat(r); }));
    watchdogAt(25s);
    EXPECT_EQ(mode(0), 1);
    clock = start + 20s;
    EXPECT_TRUE(raw("F1md", "00").ok);
    watchdogAt(35s);
    EXPECT_EQ(mode(0), 1);
    // A release is no sign of life.
    clock = start + 30s;
    EXPECT_TRUE(release(1).ok);
    watchdogAt(36s);
    EXPECT_EQ(mode(0), 0);
}

TEST_F(FanServiceTest, WatchdogLeavesFansAloneWithoutClients) {
    ASSERT_TRUE(set(0, 3000).ok);
    watchdogAt(60s);
    EXPECT_EQ(mode(0), 1);
    EXPECT_EQ(forced(), std::set<int>{0});
}

TEST_F(FanServiceTest, LastClientLeavingHandsFansBack) {
    connect();
    ASSERT_TRUE(set(0, 3000).ok);
    disconnect();
    EXPECT_EQ(mode(0), 0);
    EXPECT_EQ(logs.back(), "releaseAll（客户端断开）→ OK");
    EXPECT_EQ(service.clientCount(), 0);
    // A spurious departure never drives the count below zero.
    disconnect();
    EXPECT_EQ(service.clientCount(), 0);
}

TEST_F(FanServiceTest, OtherClientStillConnectedKeepsFans) {
    connect();
    connect();
    ASSERT_TRUE(set(0, 3000).ok);
    smc.clearWrites();
    disconnect();
    EXPECT_TRUE(smc.writes().empty());
    EXPECT_EQ(service.clientCount(), 1);
    disconnect();
    EXPECT_EQ(mode(0), 0);
}

TEST_F(FanServiceTest, KeepRequestCoversExactlyOneDisconnect) {
    connect();
    ASSERT_TRUE(set(1, 3000).ok);
    ASSERT_TRUE(set(0, 3000).ok);
    EXPECT_TRUE(flag([&](auto r) { service.keepFansOnDisconnect(r); }));
    EXPECT_EQ(logs.back(), "收到：退出时保持当前风扇设置");
    disconnect();
    EXPECT_EQ(mode(0), 1);
    EXPECT_EQ(mode(1), 1);
    EXPECT_TRUE(forced().empty());
    EXPECT_EQ(logs.back(), "客户端断开：按 App 退出前的要求保持当前风扇设置（接管中的风扇 [0, 1]），不交还");
    // The kept fans are no longer this service's: the watchdog leaves them.
    connect();
    watchdogAt(100s);
    EXPECT_EQ(mode(0), 1);

    ASSERT_TRUE(set(0, 2000).ok);
    disconnect();
    EXPECT_EQ(mode(0), 0);
    EXPECT_EQ(mode(1), 0);
}

TEST_F(FanServiceTest, LaterRequestsCancelTheKeep) {
    struct Row {
        const char* name;
        std::function<void()> after;
    };
    const Row rows[] = {
        {"setFanTarget", [this] { set(0, 2500); }},
        {"releaseFan", [this] { release(1); }},
        {"releaseAllFans then raw mode 01", [this] {
             releaseAll();
             raw("F0md", "01");
         }},
    };
    for (const auto& row : rows) {
        connect();
        ASSERT_TRUE(set(0, 3000).ok);
        flag([&](auto r) { service.keepFansOnDisconnect(r); });
        row.after();
        disconnect();
        EXPECT_EQ(mode(0), 0) << row.name;
    }

    // A refused request does not cancel it; a raw write does not either.
    connect();
    ASSERT_TRUE(set(0, 3000).ok);
    flag([&](auto r) { service.keepFansOnDisconnect(r); });
    EXPECT_FALSE(set(0, std::nan("")).ok);
    EXPECT_FALSE(set(7, 3000).ok);
    EXPECT_TRUE(raw("F0Tg", "00803b45").ok);
    disconnect();
    EXPECT_EQ(mode(0), 1);
}

TEST_F(FanServiceTest, VersionAndSyncReleaseForSignals) {
    EXPECT_EQ(FanService::helperVersion(), "1.1.0");
    ASSERT_TRUE(set(0, 3000).ok);
    const auto [ok, message] = service.releaseAllSync("收到信号 15");
    EXPECT_TRUE(ok);
    EXPECT_EQ(message, "已交还系统自动控制");
    EXPECT_EQ(logs.back(), "releaseAll（收到信号 15）→ OK");
    EXPECT_EQ(mode(0), 0);
}

}  // namespace
}  // namespace ventiq
