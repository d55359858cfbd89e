#include "app/NotificationPolicy.h"

namespace ventiq {

std::vector<NotificationPolicy::Kind> NotificationPolicy::update(bool protectionActive, bool controlFailed,
                                                                 TimePoint now, bool showing) {
    std::vector<Kind> due;
    if (protectionActive != protection_) due.push_back(protectionActive ? Kind::overheatStarted : Kind::overheatEnded);
    if (controlFailed && !failed_) due.push_back(Kind::controlFailed);
    protection_ = protectionActive;
    failed_ = controlFailed;
    if (!showing) return {};

    std::vector<Kind> shown;
    for (Kind kind : due) {
        auto last = lastShown_.find(kind);
        if (last != lastShown_.end() && now - last->second < minimumGap) continue;
        lastShown_[kind] = now;
        shown.push_back(kind);
    }
    return shown;
}

}  // namespace ventiq
