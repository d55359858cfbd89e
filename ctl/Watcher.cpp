#include "ctl/Watcher.h"

#include <iostream>

#include "app/RemoteInterface.h"
#include "ctl/CtlState.h"

namespace ventiq::ctl {

Watcher::Watcher(QVariantMap initial, bool json) : state_(std::move(initial)), json_(json) {}

void Watcher::propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&) {
    if (interface != RemoteInterface::interface) return;
    for (auto it = changed.begin(); it != changed.end(); ++it) state_.insert(it.key(), it.value());
    std::cout << (json_ ? CtlState::json(state_) : CtlState::text(state_)) << std::endl;
}

}  // namespace ventiq::ctl
