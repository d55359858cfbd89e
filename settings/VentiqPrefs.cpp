#include "settings/VentiqPrefs.h"

#include <algorithm>

#include "settings/PrefKeys.h"

namespace ventiq {
namespace {

// An absent or mistyped value reads as 0, which no allowed set contains.
template <size_t N>
int oneOf(const std::array<int, N>& allowed, int value, int fallback) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end() ? value : fallback;
}

constexpr std::array<int, 3> menuBarStyles{0, 1, 2};

}  // namespace

VentiqPrefs VentiqPrefs::shared() { return VentiqPrefs(PreferenceStore::standard()); }

bool VentiqPrefs::useFahrenheit() const { return d_->flag(PrefKeys::useFahrenheit).value_or(false); }
void VentiqPrefs::setUseFahrenheit(bool value) { d_->setFlag(PrefKeys::useFahrenheit, value); }

int VentiqPrefs::refreshSeconds() const {
    return oneOf(refreshChoices, d_->integer(PrefKeys::refreshSeconds).value_or(0), 2);
}
void VentiqPrefs::setRefreshSeconds(int value) {
    d_->setInteger(PrefKeys::refreshSeconds, oneOf(refreshChoices, value, 2));
}

bool VentiqPrefs::keepFansOnQuit() const { return d_->flag(PrefKeys::keepFansOnQuit).value_or(false); }
void VentiqPrefs::setKeepFansOnQuit(bool value) { d_->setFlag(PrefKeys::keepFansOnQuit, value); }

int VentiqPrefs::menuBarStyle() const {
    return oneOf(menuBarStyles, d_->integer(PrefKeys::menuBarStyle).value_or(0), 0);
}
void VentiqPrefs::setMenuBarStyle(int value) { d_->setInteger(PrefKeys::menuBarStyle, oneOf(menuBarStyles, value, 0)); }

bool VentiqPrefs::menuBarMono() const { return d_->flag(PrefKeys::menuBarMono).value_or(true); }
void VentiqPrefs::setMenuBarMono(bool value) { d_->setFlag(PrefKeys::menuBarMono, value); }

bool VentiqPrefs::menuBarShowTemp() const { return d_->flag(PrefKeys::menuBarShowTemp).value_or(false); }
void VentiqPrefs::setMenuBarShowTemp(bool value) { d_->setFlag(PrefKeys::menuBarShowTemp, value); }

SensorSource VentiqPrefs::menuBarTempSource() const {
    // An absent value reads as 0, which is cpuMax.
    const int raw = d_->integer(PrefKeys::menuBarTempSource).value_or(0);
    return SensorSource::fromRawValue(raw).value_or(SensorSource::cpuMax);
}
void VentiqPrefs::setMenuBarTempSource(SensorSource value) {
    d_->setInteger(PrefKeys::menuBarTempSource, value.rawValue());
}

bool VentiqPrefs::fullSpeedTimeoutOn() const { return d_->flag(PrefKeys::fullSpeedTimeoutOn).value_or(false); }
void VentiqPrefs::setFullSpeedTimeoutOn(bool value) { d_->setFlag(PrefKeys::fullSpeedTimeoutOn, value); }

int VentiqPrefs::fullSpeedTimeoutMinutes() const {
    return oneOf(timeoutChoices, d_->integer(PrefKeys::fullSpeedTimeoutMinutes).value_or(0), 10);
}
void VentiqPrefs::setFullSpeedTimeoutMinutes(int value) {
    d_->setInteger(PrefKeys::fullSpeedTimeoutMinutes, oneOf(timeoutChoices, value, 10));
}

bool VentiqPrefs::showNotifications() const { return d_->flag(PrefKeys::showNotifications).value_or(true); }
void VentiqPrefs::setShowNotifications(bool value) { d_->setFlag(PrefKeys::showNotifications, value); }

}  // namespace ventiq
