#pragma once
#include <array>

#include "platform/PreferenceStore.h"
#include "sensing/SensorSource.h"

namespace ventiq {

// The application-wide options, read from and written to the store on every
// access. Nothing is cached, so two instances over one store always agree.
// Writing does not notify anyone; the writer announces the change.
class VentiqPrefs {
public:
    explicit VentiqPrefs(PreferenceStore& d) : d_(&d) {}

    // Over the application's standard store, as installed at the time of the call.
    static VentiqPrefs shared();

    static constexpr std::array<int, 4> refreshChoices{1, 2, 5, 10};
    static constexpr std::array<int, 5> timeoutChoices{5, 10, 15, 30, 60};

    PreferenceStore& d() const { return *d_; }

    bool useFahrenheit() const;
    void setUseFahrenheit(bool value);

    // Seconds between engine ticks; anything outside refreshChoices is 2.
    int refreshSeconds() const;
    void setRefreshSeconds(int value);

    bool keepFansOnQuit() const;
    void setKeepFansOnQuit(bool value);

    // 0 icon with two lines of speeds, 1 icon with one line, 2 icon only.
    int menuBarStyle() const;
    void setMenuBarStyle(int value);

    // Monochrome unless a flag false is stored.
    bool menuBarMono() const;
    void setMenuBarMono(bool value);

    bool menuBarShowTemp() const;
    void setMenuBarShowTemp(bool value);

    // A stored raw value outside the sensor sources reads as cpuMax.
    SensorSource menuBarTempSource() const;
    void setMenuBarTempSource(SensorSource value);

    bool fullSpeedTimeoutOn() const;
    void setFullSpeedTimeoutOn(bool value);

    // Minutes; anything outside timeoutChoices is 10.
    int fullSpeedTimeoutMinutes() const;
    void setFullSpeedTimeoutMinutes(int value);

    // Desktop notifications about overheating and failed fan control; on
    // unless a flag false is stored.
    bool showNotifications() const;
    void setShowNotifications(bool value);

private:
    PreferenceStore* d_;
};

}  // namespace ventiq
