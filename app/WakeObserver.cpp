#include "app/WakeObserver.h"

#include <QDBusConnection>

namespace ventiq {

WakeObserver::WakeObserver(std::function<void()> onWake, QObject* parent)
    : QObject(parent), onWake_(std::move(onWake)) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return;
    listening_ = bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                             QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                             this, SLOT(prepareForSleep(bool)));
}

void WakeObserver::prepareForSleep(bool sleeping) {
    if (!sleeping && onWake_) onWake_();
}

}  // namespace ventiq
