#pragma once
#include <QDBusConnection>

#include "app/NotificationPolicy.h"
#include "platform/NotificationCenter.h"

namespace ventiq {

class FanController;
class MainLoop;

// Shows a desktop notification when overheat protection starts or ends and
// when fan control fails, through the session's notification server. Without
// a server nothing is shown and nothing fails. The user can turn it off.
class DesktopNotifier {
public:
    DesktopNotifier(FanController& engine, MainLoop& loop, NotificationCenter& notifications, QDBusConnection bus);

private:
    void update();
    void show(NotificationPolicy::Kind kind);

    FanController& engine_;
    MainLoop& loop_;
    QDBusConnection bus_;
    NotificationPolicy policy_;
    ObserverToken dataObserver_;
};

}  // namespace ventiq
