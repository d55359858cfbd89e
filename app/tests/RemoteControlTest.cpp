// The application on a private session bus: ventiqctl against `Ventiq
// --headless`, the second start, and the desktop notification on overheat
// received by a small notification server of the test's own. Needs root, as
// the helper does.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QCoreApplication>

#include "AppStack.h"
#include "NotificationServer.h"
#include "PrivateBus.h"
#include "app/RemoteInterface.h"

namespace ventiq {
namespace {

using namespace apptest;

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "remote_control_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

struct Outcome {
    std::optional<int> status;
    std::vector<std::string> lines;
};

// ventiqctl with its arguments on the given bus, run to its end.
Outcome ctl(const std::string& bus, std::vector<std::string> args) {
    args.insert(args.begin(), binDir() + "/ventiqctl");
    ChildProcess p({args, {"DBUS_SESSION_BUS_ADDRESS=" + bus}, true, {}});
    Outcome out;
    while (auto line = p.readLine(5s)) out.lines.push_back(*line);
    out.status = p.wait(5s);
    return out;
}

json ctlStatus(const std::string& bus) {
    const Outcome out = ctl(bus, {"status", "--json"});
    EXPECT_EQ(out.status, 0);
    return out.lines.empty() ? json() : json::parse(out.lines.back());
}

class RemoteControl : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "the helper needs root";
        ASSERT_FALSE(bus_.address().empty()) << "dbus-daemon gave no address";
    }
    const std::string& bus() const { return bus_.address(); }

    PrivateBus bus_;
};

TEST_F(RemoteControl, PresetFullFromTheCommandLineForcesBothFansToMaximum) {
    Stack s(1, bus());
    EXPECT_EQ(ctl(bus(), {"status"}).status, 3) << "answered without a running instance";
    s.startApp();

    const Outcome set = ctl(bus(), {"preset", "full"});
    EXPECT_EQ(set.status, 0);
    s.waitLine(stateIs("active"), 2500ms, "active under Full Speed");
    EXPECT_TRUE(bothForcedAtMax(s.fans())) << s.fans().dump();

    const json status = ctlStatus(bus());
    EXPECT_EQ(status["preset"], "full");
    EXPECT_EQ(status["controlOn"], true);
    EXPECT_EQ(status["controlState"], "active");
    ASSERT_EQ(status["fans"].size(), 2u) << status.dump();
    for (const auto& [index, max] : {std::pair{0, 5349}, std::pair{1, 5777}}) {
        EXPECT_EQ(status["fans"][index]["forced"], true);
        EXPECT_EQ(status["fans"][index]["target"], max);
        EXPECT_EQ(status["fans"][index]["max"], max);
    }
    EXPECT_TRUE(status["cpuPeak"].is_number());
}

TEST_F(RemoteControl, WatchSeesAChangeMadeFromTheConsole) {
    Stack s(1, bus());
    s.startApp();
    ChildProcess watch({{binDir() + "/ventiqctl", "watch", "--json"}, {"DBUS_SESSION_BUS_ADDRESS=" + bus()}, true, {}});
    const auto first = watch.readLine(5s);
    ASSERT_TRUE(first) << "no initial line";
    EXPECT_EQ(json::parse(*first)["preset"], "auto");

    s.app().writeLine("preset full");
    bool seen = false;
    const auto deadline = Clock::now() + 5s;
    while (!seen && Clock::now() < deadline) {
        const auto line = watch.readLine(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
        if (!line) break;
        const json state = json::parse(*line);
        seen = state["preset"] == "full" && state["controlState"] == "active";
    }
    EXPECT_TRUE(seen) << "watch never showed Full Speed active";

    // When the application ends, so does the watch, saying nobody runs.
    s.app().writeLine("quit");
    while (watch.readLine(5s)) {
    }
    EXPECT_EQ(watch.wait(5s), 3);
}

TEST_F(RemoteControl, BadArgumentsAreRefusedAndChangeNothing) {
    Stack s(1, bus());
    s.startApp();

    const std::vector<std::pair<const char*, std::vector<std::string>>> usage = {
        {"no command", {}},
        {"unknown command", {"turbo"}},
        {"unknown preset", {"preset", "turbo"}},
        {"preset with two values", {"preset", "full", "now"}},
        {"middle fan", {"rpm", "middle", "3000"}},
        {"speed not a number", {"rpm", "left", "3000rpm"}},
        {"speed too large for an int", {"rpm", "left", "99999999999"}},
        {"unknown mode", {"mode", "left", "fast"}},
        {"on with an argument", {"on", "please"}},
        {"status with an unknown option", {"status", "--yaml"}},
    };
    for (const auto& [name, args] : usage) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ctl(bus(), args).status, 2);
    }

    // Straight on the bus, past ventiqctl's own checks.
    application();
    QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(bus()), "bad-arguments");
    ASSERT_TRUE(connection.isConnected());
    struct Call {
        const char* name;
        const char* method;
        QVariantList args;
        const char* error;
    };
    const std::vector<Call> calls = {
        {"unknown preset", "SetPreset", {QString("turbo")}, RemoteInterface::invalidArgument},
        {"preset in capitals", "SetPreset", {QString("Full")}, RemoteInterface::invalidArgument},
        {"unknown mode", "SetFanMode", {0, QString("fast")}, RemoteInterface::invalidArgument},
        {"mode of a third fan", "SetFanMode", {2, QString("constant")}, RemoteInterface::noSuchFan},
        {"speed of a negative fan", "SetFanRpm", {-1, 3000}, RemoteInterface::noSuchFan},
        {"speed of fan 7", "SetFanRpm", {7, 3000}, RemoteInterface::noSuchFan},
    };
    for (const Call& c : calls) {
        SCOPED_TRACE(c.name);
        QDBusMessage message = QDBusMessage::createMethodCall(RemoteInterface::service, RemoteInterface::path,
                                                              RemoteInterface::interface, c.method);
        message.setArguments(c.args);
        const QDBusMessage reply = connection.call(message, QDBus::Block, 5000);
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
        EXPECT_EQ(reply.errorName().toStdString(), c.error);
        EXPECT_FALSE(reply.errorMessage().isEmpty());
    }
    QDBusConnection::disconnectFromBus("bad-arguments");

    // A pass would have run by now had anything changed.
    std::this_thread::sleep_for(1500ms);
    const json status = ctlStatus(bus());
    EXPECT_EQ(status["preset"], "auto");
    EXPECT_TRUE(bothAutomatic(s.fans())) << s.fans().dump();
}

TEST_F(RemoteControl, SecondStartExitsAndTheFirstKeepsRunning) {
    Stack s(1, bus());
    s.startApp();
    ChildProcess second({{binDir() + "/Ventiq", "--headless", "--json"}, s.environment(), true, {}});
    EXPECT_EQ(second.wait(10s), 0);
    EXPECT_FALSE(second.readLine(100ms)) << "the second start printed state";

    EXPECT_TRUE(s.app().running());
    EXPECT_EQ(ctl(bus(), {"preset", "full"}).status, 0);
    s.waitLine(stateIs("active"), 2500ms, "the first instance still controls the fans");
}

// What makes the application notify, and what the notification server
// then received.
struct NotifyCase {
    const char* name;
    json preferences;
    std::function<void(Stack&)> provoke;
    std::function<bool(const json&)> reached;
    std::vector<std::string> summaries;
    // Part of the body of each one received.
    const char* body;
};

TEST_F(RemoteControl, NotifiesOncePerConditionUnlessTurnedOff) {
    application();
    QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(bus()), "notifications");
    ASSERT_TRUE(connection.isConnected());
    NotificationServer server;
    ASSERT_TRUE(connection.registerVirtualObject("/org/freedesktop/Notifications", &server));
    ASSERT_TRUE(connection.registerService("org.freedesktop.Notifications"));

    // Under Auto the system's fans cannot hold the simulated machine below
    // the threshold, so protection stays on once it starts.
    auto overheat = [](Stack& s) {
        s.sim().setAmbient(40);
        s.sim().setLoad(1.0);
    };
    auto protection = [](const json& l) { return l["protectionActive"] == true; };
    const std::vector<NotifyCase> cases = {
        {"overheat", json::object(), overheat, protection, {"CPU overheating"}, "below 88°C"},
        {"overheat with notifications turned off", {{"VentiqShowNotifications", false}}, overheat, protection, {}, ""},
        // The fan's target reads back wrong, so the request never confirms.
        {"fan control failed", {{"VentiqPreset", 2}},
         [](Stack& s) { s.sim().faultKey("F0Tg", "value", 1000); }, stateIs("failed"), {"Fan control failed"},
         "The system did not accept the fan setting"},
    };
    for (const NotifyCase& c : cases) {
        SCOPED_TRACE(c.name);
        server.clear();
        Stack s(10, bus());
        s.startApp(c.preferences);
        c.provoke(s);
        s.waitLine(c.reached, 40s, c.name);
        // Some more updates while the condition lasts.
        for (int i = 0; i < 3; ++i) s.waitLine([](const json&) { return true; }, 3s, "another update");
        const auto deadline = Clock::now() + 1s;
        while (Clock::now() < deadline) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(20ms);
        }

        std::vector<std::string> summaries;
        for (const auto& shown : server.shown()) {
            summaries.push_back(shown.summary);
            EXPECT_EQ(shown.app, "Tavrinel");
            EXPECT_NE(shown.body.find(c.body), std::string::npos) << shown.body;
        }
        EXPECT_EQ(summaries, c.summaries);
    }

    connection.unregisterObject("/org/freedesktop/Notifications");
    QDBusConnection::disconnectFromBus("notifications");
}

}  // namespace
}  // namespace ventiq
