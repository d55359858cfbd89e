// The settings window's notification box and the desktop notifier over one
// engine: what the box stores is what the notifier obeys, seen from a
// notification server of the test's own on a private session bus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>

#include <functional>
#include <string>
#include <vector>

#include "NotificationServer.h"
#include "PrivateBus.h"
#include "app/DesktopNotifier.h"
#include "engine/tests/EngineFixture.h"
#include "settings/L10n.h"
#include "windows/PreferencesWindowController.h"
#include "windows/controls/ScaledToggle.h"

namespace ventiq {
namespace {

using apptest::NotificationServer;
using apptest::PrivateBus;

QApplication& application() {
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "app_notification_option_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Runs Qt's event loop until the condition holds or the time is up.
bool spinUntil(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

struct Case {
    const char* name;
    // How often the user clicks the box before the machine overheats.
    int clicks;
    bool stored;
    std::vector<std::string> summaries;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class NotificationOption : public EngineTest, public ::testing::WithParamInterface<Case> {
protected:
    void SetUp() override {
        application();
        EngineTest::SetUp();
        PreferenceStore::setStandard(&store);
        ASSERT_FALSE(bus_.address().empty()) << "dbus-daemon gave no address";
        server_ = QDBusConnection::connectToBus(QString::fromStdString(bus_.address()), "notification-server");
        ASSERT_TRUE(server_.registerVirtualObject("/org/freedesktop/Notifications", &notifications_));
        ASSERT_TRUE(server_.registerService("org.freedesktop.Notifications"));
        markStarted();
        start();
    }
    void TearDown() override {
        server_.unregisterObject("/org/freedesktop/Notifications");
        QDBusConnection::disconnectFromBus("notification-server");
        QDBusConnection::disconnectFromBus("application");
        PreferenceStore::setStandard(nullptr);
        EngineTest::TearDown();
    }
    QDBusConnection applicationBus() {
        return QDBusConnection::connectToBus(QString::fromStdString(bus_.address()), "application");
    }

    PrivateBus bus_;
    QDBusConnection server_{QString()};
    NotificationServer notifications_;
};

TEST_P(NotificationOption, TheBoxDecidesWhetherAnOverheatIsShown) {
    const Case& c = GetParam();
    DesktopNotifier notifier(*engine, loop, center, applicationBus());
    PreferencesWindowContext context;
    context.engine = engine.get();
    context.notifications = &center;
    context.screenVisibleHeight = [] { return std::optional<double>(2000); };
    PreferencesWindowController window(context);
    window.selectTab(0);

    const QString title = QString::fromStdString(L10n::tr("prefNotifications"));
    ScaledToggle* box = nullptr;
    for (ScaledToggle* t : window.page()->findChildren<ScaledToggle*>())
        if (t->title() == title) box = t;
    ASSERT_NE(box, nullptr);
    for (int i = 0; i < c.clicks; ++i) box->activate();
    EXPECT_EQ(box->isOn(), c.stored);
    EXPECT_EQ(engine->prefs().showNotifications(), c.stored);
    if (c.clicks > 0) {
        EXPECT_EQ(store.flag(PrefKeys::showNotifications), c.stored);
    }

    sensors.setCPU(FanController::protectionOnTemp + 3);
    advance(5);
    ASSERT_TRUE(engine->protectionActive());
    if (!c.summaries.empty()) spinUntil([&] { return notifications_.shown().size() >= c.summaries.size(); }, 5000);
    spinUntil([] { return false; }, 1000);  // time for anything that should not come
    std::vector<std::string> summaries;
    for (const auto& shown : notifications_.shown()) summaries.push_back(shown.summary);
    EXPECT_EQ(summaries, c.summaries);
}

INSTANTIATE_TEST_SUITE_P(Clicks, NotificationOption,
                         ::testing::Values(Case{"left on", 0, true, {"CPU overheating"}},
                                           Case{"turned off", 1, false, {}},
                                           Case{"turned off and on again", 2, true, {"CPU overheating"}}),
                         [](const auto& info) { return std::to_string(info.param.clicks) + "_clicks"; });

}  // namespace
}  // namespace ventiq
