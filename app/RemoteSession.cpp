#include "app/RemoteSession.h"

#include <iostream>

#include "app/DesktopNotifier.h"
#include "app/RemoteControl.h"

namespace ventiq {

RemoteSession::RemoteSession() : bus_(QDBusConnection::sessionBus()) {}

RemoteSession::~RemoteSession() = default;

bool RemoteSession::claim() {
    if (!bus_.isConnected()) {
        std::cerr << "Ventiq: no session bus; running without remote control and notifications" << std::endl;
        return true;
    }
    switch (RemoteControl::claimName(bus_)) {
    case RemoteControl::NameClaim::owned: ownsName_ = true; return true;
    case RemoteControl::NameClaim::runningElsewhere: break;
    case RemoteControl::NameClaim::failed:
        std::cerr << "Ventiq: the session bus refused the name " << RemoteInterface::service
                  << "; running without remote control" << std::endl;
        return true;
    }
    const bool shown = RemoteControl::askRunningToShowPanel(bus_);
    std::cerr << "Ventiq: already running in this session"
              << (shown ? "; it shows its panel" : " but it did not answer") << std::endl;
    return false;
}

void RemoteSession::start(FanController& engine, AppSurfaces* surfaces, MainLoop& loop,
                          NotificationCenter& notifications) {
    if (!bus_.isConnected()) return;
    if (ownsName_) remote_ = std::make_unique<RemoteControl>(engine, surfaces, loop, notifications, bus_);
    notifier_ = std::make_unique<DesktopNotifier>(engine, loop, notifications, bus_);
}

void RemoteSession::stop() {
    remote_.reset();
    notifier_.reset();
}

}  // namespace ventiq
