// The client against a helper stand-in on a real socket: status decisions,
// forwarded requests, the blocking calls and the notification on change.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>

#include "LinkTestSupport.h"
#include "helperlink/HelperClient.h"
#include "platform/ManualLoop.h"
#include "platform/NotificationCenter.h"

namespace ventiq {
namespace {

using linktest::FakeHelperServer;
using linktest::pumpFor;
using linktest::pumpUntil;
using namespace std::chrono_literals;

constexpr const char* lostText = "Fan helper connection lost";
constexpr const char* wrongPlaceText = "Move Tavrinel to the Applications folder and reopen it";
constexpr const char* outdatedText = "Fan helper is out of date — enable fan control again";

class HelperClientTest : public ::testing::Test {
protected:
    HelperClientTest() {
        linktest::useEnglish();
        linktest::writeFile(installPath(), "installed helper");
        token_ = notifications_.addObserver(Notifications::dataUpdated, [this] { ++posted_; });
    }

    std::string socketPath() const { return dir_ / "helper.sock"; }
    std::string installPath() const { return dir_ / "PrivilegedHelperTools/helper"; }

    HelperClient::Config config(std::optional<std::string> executable = std::string(ventiqAllowedClientPath)) const {
        HelperClient::Config c;
        c.socketPath = socketPath();
        c.installPath = installPath();
        c.executablePath = [executable] { return executable; };
        c.resourcesDirectory = dir_ / "Resources";
        return c;
    }

    HelperClient& client(HelperClient::Config c) {
        client_ = std::make_unique<HelperClient>(std::move(c), loop_, notifications_);
        return *client_;
    }
    HelperClient& client() { return client(config()); }

    bool becomesReady(HelperClient& c) {
        c.refreshState();
        return pumpUntil(loop_, [&] { return c.status().kind() != HelperClient::Status::Kind::checking; }) &&
               c.isReady();
    }

    linktest::TempDir dir_;
    ManualLoop loop_;
    NotificationCenter notifications_{loop_};
    ObserverToken token_;
    int posted_ = 0;
    std::unique_ptr<HelperClient> client_;
};

TEST_F(HelperClientTest, StatusWithoutConnectingWhenNotInstalledOrOutsideApplications) {
    struct Case {
        const char* name;
        bool installed;
        std::optional<std::string> executable;
        HelperClient::Status expected;
        std::string text;
    };
    const std::vector<Case> cases{
        {"not installed", false, std::string(ventiqAllowedClientPath), HelperClient::Status::notInstalled(),
         "Fan helper not installed (view only)"},
        {"copy under /tmp", true, "/tmp/Tavrinel.app/Contents/MacOS/Ventiq",
         HelperClient::Status::unreachable(wrongPlaceText), wrongPlaceText},
        {"path that only resolves to the admitted one", true, "/Applications/Tavrinel.app/Contents/MacOS/../MacOS/Ventiq",
         HelperClient::Status::unreachable(wrongPlaceText), wrongPlaceText},
        {"own path unknown", true, std::nullopt, HelperClient::Status::unreachable(wrongPlaceText), wrongPlaceText},
    };
    FakeHelperServer server(socketPath(), FakeHelperServer::answeringVersion("1.1.0"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.installed) std::remove(installPath().c_str());
        auto& helper = client(config(c.executable));
        helper.refreshState();
        EXPECT_EQ(helper.status(), c.expected);
        EXPECT_EQ(helper.statusText(), c.text);
        EXPECT_FALSE(helper.isReady());
        EXPECT_EQ(helper.runsFromAllowedPath(), c.executable == std::string(ventiqAllowedClientPath));
        linktest::writeFile(installPath(), "installed helper");
    }
    pumpFor(loop_, 100ms);
    EXPECT_EQ(server.connectionsAccepted(), 0);
}

TEST_F(HelperClientTest, VersionHandshakeAcceptsOnlyTheExactVersion) {
    struct Case {
        const char* version;
        HelperClient::Status expected;
        std::string text;
    };
    const std::vector<Case> cases{
        {"1.1.0", HelperClient::Status::ready("1.1.0"), "Fan helper enabled v1.1.0"},
        {"1.1.1", HelperClient::Status::unreachable(outdatedText), outdatedText},
        {"1.1", HelperClient::Status::unreachable(outdatedText), outdatedText},
        {"1.1.0 ", HelperClient::Status::unreachable(outdatedText), outdatedText},
        {"", HelperClient::Status::unreachable(outdatedText), outdatedText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("version \"") + c.version + "\"");
        FakeHelperServer server(socketPath(), FakeHelperServer::answeringVersion(c.version));
        auto& helper = client();
        helper.refreshState();
        EXPECT_EQ(helper.status(), HelperClient::Status::checking());
        EXPECT_EQ(helper.statusText(), "Checking fan helper…");
        ASSERT_TRUE(pumpUntil(loop_, [&] { return helper.status() != HelperClient::Status::checking(); }));
        EXPECT_EQ(helper.status(), c.expected);
        EXPECT_EQ(helper.statusText(), c.text);
        EXPECT_EQ(helper.isReady(), c.expected.kind() == HelperClient::Status::Kind::ready);
    }
}

TEST_F(HelperClientTest, NothingListeningIsNotResponding) {
    auto& helper = client();
    helper.refreshState();
    ASSERT_TRUE(pumpUntil(loop_, [&] { return helper.status() != HelperClient::Status::checking(); }));
    EXPECT_EQ(helper.status().kind(), HelperClient::Status::Kind::unreachable);
    const std::string text = helper.statusText();
    EXPECT_EQ(text.rfind("Fan helper is not responding（", 0), 0u) << text;
    EXPECT_GT(text.size(), std::string("Fan helper is not responding（）").size()) << "the error is missing";
    EXPECT_EQ(text.substr(text.size() - 3), "）");
}

TEST_F(HelperClientTest, SocketPathThatCannotBeUsedAnswersNoProxyAtOnce) {
    auto c = config();
    c.socketPath = dir_ / std::string(200, 'x');
    auto& helper = client(c);
    bool called = false;
    helper.setFanTarget(0, 2000, [&](bool ok, const std::string& message) {
        called = true;
        EXPECT_FALSE(ok);
        EXPECT_EQ(message, "no helper proxy");
    });
    EXPECT_TRUE(called) << "the no-proxy answer comes before the call returns";
    helper.refreshState();
    EXPECT_EQ(helper.statusText(), "Fan helper is not responding（no helper proxy）");
}

TEST_F(HelperClientTest, SettingAnEqualStatusPostsNothing) {
    std::remove(installPath().c_str());
    auto& helper = client();
    helper.refreshState();
    helper.refreshState();
    loop_.runPending();
    EXPECT_EQ(posted_, 1);

    linktest::writeFile(installPath(), "installed helper");
    FakeHelperServer server(socketPath(), FakeHelperServer::answeringVersion("1.1.0"));
    ASSERT_TRUE(becomesReady(helper));
    posted_ = 0;
    // A ready client stays ready while it checks again: nothing changes.
    helper.refreshState();
    pumpUntil(loop_, [&] { return server.selectors().size() == 2; });
    pumpFor(loop_, 50ms);
    EXPECT_TRUE(helper.isReady());
    EXPECT_EQ(posted_, 0);
}

TEST_F(HelperClientTest, LostConnectionShowsLostAndRefreshReconnects) {
    FakeHelperServer server(socketPath(), FakeHelperServer::answeringVersion("1.1.0"));
    auto& helper = client();
    ASSERT_TRUE(becomesReady(helper));

    server.disconnectClients();
    ASSERT_TRUE(pumpUntil(loop_, [&] { return !helper.isReady(); }));
    EXPECT_EQ(helper.statusText(), lostText);

    ASSERT_TRUE(becomesReady(helper));
    EXPECT_EQ(server.connectionsAccepted(), 2);
}

TEST_F(HelperClientTest, ForwardedRequestsCarryTheHelperAnswerToTheLoop) {
    FakeHelperServer server(socketPath(), [](const wire::Request& r) -> std::optional<std::vector<wire::Value>> {
        switch (r.method) {
            case HelperMethod::setFanTarget: {
                // Echo what arrived so the test sees the speed went as a double.
                const auto rpm = std::get<double>(r.arguments[1]);
                return std::vector<wire::Value>{false, "风扇 " + std::to_string(std::get<int64_t>(r.arguments[0])) +
                                                           " " + std::to_string(static_cast<int>(rpm))};
            }
            case HelperMethod::releaseFan: return std::vector<wire::Value>{true, std::string("released")};
            case HelperMethod::releaseAllFans: return std::vector<wire::Value>{true, std::string("all")};
            case HelperMethod::heartbeat: return std::vector<wire::Value>{true};
            default: return std::nullopt;
        }
    });
    auto& helper = client();
    std::vector<std::pair<bool, std::string>> answers;
    auto record = [&](bool ok, const std::string& message) { answers.emplace_back(ok, message); };
    helper.setFanTarget(1, 2500, record);
    helper.releaseFan(0, record);
    helper.releaseAll(record);
    helper.heartbeat();
    EXPECT_TRUE(answers.empty()) << "replies are handed over only when the loop runs";
    ASSERT_TRUE(pumpUntil(loop_, [&] { return answers.size() == 3; }));
    const std::vector<std::pair<bool, std::string>> expected{
        {false, "风扇 1 2500"}, {true, "released"}, {true, "all"}};
    EXPECT_EQ(answers, expected);
    ASSERT_TRUE(pumpUntil(loop_, [&] { return server.selectors().size() == 4; }));
    EXPECT_EQ(server.selectors().back(), "heartbeatWithReply:");
    EXPECT_EQ(helper.status(), HelperClient::Status::unknown()) << "requests do not change the status";
}

TEST_F(HelperClientTest, ForwardedRequestWithoutHelperFailsWithTheError) {
    auto& helper = client();
    std::optional<std::pair<bool, std::string>> answer;
    helper.releaseFan(0, [&](bool ok, const std::string& message) { answer.emplace(ok, message); });
    ASSERT_TRUE(pumpUntil(loop_, [&] { return answer.has_value(); }));
    EXPECT_FALSE(answer->first);
    EXPECT_FALSE(answer->second.empty());
}

TEST_F(HelperClientTest, BlockingCalls) {
    // The helper answers keep with true and never answers release-all.
    FakeHelperServer server(socketPath(), [](const wire::Request& r) -> std::optional<std::vector<wire::Value>> {
        switch (r.method) {
            case HelperMethod::helperVersion: return std::vector<wire::Value>{std::string("1.1.0")};
            case HelperMethod::keepFansOnDisconnect: return std::vector<wire::Value>{true};
            default: return std::nullopt;
        }
    });
    auto& helper = client();
    using Clock = std::chrono::steady_clock;

    auto start = Clock::now();
    EXPECT_FALSE(helper.releaseAllBlocking(1.5)) << "not ready yet";
    EXPECT_FALSE(helper.keepFansOnQuitBlocking(1.5));
    EXPECT_LT(Clock::now() - start, 500ms);
    EXPECT_EQ(server.connectionsAccepted(), 0) << "nothing is sent while not ready";

    ASSERT_TRUE(becomesReady(helper));
    EXPECT_TRUE(helper.keepFansOnQuitBlocking(1.5));

    start = Clock::now();
    EXPECT_FALSE(helper.releaseAllBlocking(1.5));
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 1400ms);
    EXPECT_LT(waited, 5s);
}

TEST_F(HelperClientTest, BlockingCallFailsWhenTheHelperGoesAway) {
    auto server = std::make_unique<FakeHelperServer>(socketPath(), FakeHelperServer::answeringVersion("1.1.0"));
    auto& helper = client();
    ASSERT_TRUE(becomesReady(helper));
    server.reset();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(helper.releaseAllBlocking(5));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s) << "a dropped connection ends the wait early";
}

}  // namespace
}  // namespace ventiq
