#include "settings/UIScale.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "platform/PreferenceStore.h"
#include "settings/SettingsStyle.h"

namespace ventiq {
namespace UIScale {
namespace {

std::atomic<PreferenceStore*> installedStore{nullptr};
std::atomic<NotificationCenter*> installedCenter{nullptr};

// Until the first refresh both surfaces are at 100 % and may grow to 150 %.
std::atomic<int> panelPercentValue{100};
std::atomic<int> windowPercentValue{100};
std::atomic<int> panelCapValue{150};
std::atomic<int> windowCapValue{150};

void refresh(std::optional<double> screenVisibleHeight, double base, std::atomic<int>& cap,
             std::atomic<int>& percent) {
    const int fit = fitPercent(availableHeight(screenVisibleHeight), base);
    cap.store(fit);
    percent.store(effectivePercent(userPercent(), fit));
}

}  // namespace

PreferenceStore& store() {
    if (PreferenceStore* s = installedStore.load()) return *s;
    return PreferenceStore::standard();
}

void setStore(PreferenceStore* s) { installedStore.store(s); }
void setNotificationCenter(NotificationCenter* center) { installedCenter.store(center); }

int userPercent() {
    const int stored = store().integer(defaultsKey).value_or(0);
    return stored == 0 ? defaultPercent : normalized(stored);
}

void setUserPercent(int percent) {
    store().setInteger(defaultsKey, normalized(percent));
    NotificationCenter* center = installedCenter.load();
    (center ? *center : NotificationCenter::shared()).post(changedNotification);
}

int normalized(int percent) {
    const int clamped = std::clamp(percent, percentRange.lowerBound, percentRange.upperBound);
    return (clamped + percentStep / 2) / percentStep * percentStep;
}

double availableHeight(std::optional<double> screenVisibleHeight) {
    if (!screenVisibleHeight) return noScreenHeight;
    return std::max(*screenVisibleHeight - 16.0, 0.0);
}

int fitPercent(double available, double base) {
    if (!(base > 0)) return 150;
    const double a = std::floor(available / base * 100.0);
    // Up to 104 % the surface does not fit at the next step, 105 %.
    if (!(a >= 105.0)) return 100;
    if (a >= 150.0) return 150;
    return static_cast<int>(a) / 5 * 5;
}

int effectivePercent(int user, int fit) { return std::min(user, std::max(fit, std::min(user, 100))); }

void refreshPanel(std::optional<double> screenVisibleHeight) {
    refresh(screenVisibleHeight, panelBaseHeight, panelCapValue, panelPercentValue);
}

void refreshWindow(std::optional<double> screenVisibleHeight) {
    refresh(screenVisibleHeight, SettingsStyle::baseWindowHeight, windowCapValue, windowPercentValue);
}

int panelPercent() { return panelPercentValue.load(); }
int windowPercent() { return windowPercentValue.load(); }
int panelCapPercent() { return panelCapValue.load(); }
int windowCapPercent() { return windowCapValue.load(); }
double panelFactor() { return panelPercent() / 100.0; }
double windowFactor() { return windowPercent() / 100.0; }

double scaled(double x, double factor) {
    if (factor == 1.0) return x;
    return std::round(x * factor * 2.0) / 2.0;
}

}  // namespace UIScale

namespace SettingsStyle {

double factor() { return UIScale::windowFactor(); }
double z(double x) { return UIScale::scaled(x, factor()); }
double rowHeight() { return z(28); }

}  // namespace SettingsStyle
}  // namespace ventiq
