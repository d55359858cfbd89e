#include "app/DesktopNotifier.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include "engine/FanController.h"
#include "platform/MainLoop.h"
#include "settings/L10n.h"
#include "settings/TempFormat.h"

namespace ventiq {
namespace {

constexpr const char* notificationService = "org.freedesktop.Notifications";
constexpr const char* notificationPath = "/org/freedesktop/Notifications";

}  // namespace

DesktopNotifier::DesktopNotifier(FanController& engine, MainLoop& loop, NotificationCenter& notifications,
                                 QDBusConnection bus)
    : engine_(engine), loop_(loop), bus_(std::move(bus)) {
    dataObserver_ = notifications.addObserver(Notifications::dataUpdated, [this] { update(); });
}

void DesktopNotifier::update() {
    const bool failed = engine_.controlState().kind() == ControlState::Kind::failed;
    const auto due =
        policy_.update(engine_.protectionActive(), failed, loop_.clock().now(), engine_.prefs().showNotifications());
    for (auto kind : due) show(kind);
}

void DesktopNotifier::show(NotificationPolicy::Kind kind) {
    const bool fahrenheit = engine_.prefs().useFahrenheit();
    const auto& peak = engine_.temps().cpuMax;
    const std::string t = peak ? TempFormat::string(*peak, fahrenheit) : std::string("\u2014");
    const std::string o =
        TempFormat::string(FanController::protectionOnTemp - FanController::protectionHysteresis, fahrenheit);

    std::string summary;
    std::string body;
    switch (kind) {
    case NotificationPolicy::Kind::overheatStarted:
        summary = L10n::tr("notifyOverheatTitle");
        body = L10n::tr("notifyOverheatBody", {{"t", t}, {"o", o}});
        break;
    case NotificationPolicy::Kind::overheatEnded:
        summary = L10n::tr("notifyCooledTitle");
        body = L10n::tr("notifyCooledBody", {{"t", t}});
        break;
    case NotificationPolicy::Kind::controlFailed:
        summary = L10n::tr("notifyFailedTitle");
        body = engine_.controlState().message();
        break;
    }

    QDBusMessage call =
        QDBusMessage::createMethodCall(notificationService, notificationPath, notificationService, "Notify");
    call << QString::fromStdString(L10n::tr("app.name")) << 0u << QString() << QString::fromStdString(summary)
         << QString::fromStdString(body) << QStringList() << QVariantMap() << -1;
    // Nobody waits for the answer: without a server the call just fails.
    bus_.send(call);
}

}  // namespace ventiq
