#include "selftest/InProcessHelper.h"

#include "platform/MainLoop.h"
#include "settings/L10n.h"

namespace ventiq {

InProcessHelper::InProcessHelper(FanService& service, MainLoop& loop) : service_(service), loop_(loop) {
    service_.clientConnected();
}

std::string InProcessHelper::statusText() const {
    return L10n::tr("helperReady") + " v" + FanService::helperVersion();
}

void InProcessHelper::setFanTarget(int fan, int rpm, Completion completion) {
    service_.setFanTarget(fan, rpm, deliver(std::move(completion)));
}

void InProcessHelper::releaseFan(int fan, Completion completion) {
    service_.releaseFan(fan, deliver(std::move(completion)));
}

void InProcessHelper::releaseAll(Completion completion) { service_.releaseAllFans(deliver(std::move(completion))); }

// The service runs each task at once here, so the reply is in before the
// call returns and the time-out never comes into play.
bool InProcessHelper::releaseAllBlocking(double) {
    bool result = false;
    service_.releaseAllFans([&](bool ok, const std::string&) { result = ok; });
    return result;
}

bool InProcessHelper::keepFansOnQuitBlocking(double) {
    bool result = false;
    service_.keepFansOnDisconnect([&](bool ok) { result = ok; });
    return result;
}

void InProcessHelper::heartbeat() {
    service_.heartbeat([](bool) {});
}

void InProcessHelper::install(Completion completion) { completion(false, "not available in-process"); }
void InProcessHelper::uninstall(Completion completion) { completion(false, "not available in-process"); }

FanService::Reply InProcessHelper::deliver(Completion completion) {
    return [this, completion = std::move(completion)](bool ok, const std::string& message) {
        loop_.post([completion, ok, message] { completion(ok, message); });
    };
}

}  // namespace ventiq
