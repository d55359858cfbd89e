#pragma once
#include <optional>

#include "platform/NotificationCenter.h"

namespace ventiq {

class PreferenceStore;

// The user's text-and-control size for the dropdown panel and the settings
// window, and the percentages those two surfaces actually use on the current
// screen. A surface is never scaled beyond what the screen's usable height
// holds, a small screen never pushes it below 100 %, and a choice below 100 %
// is never raised.
namespace UIScale {

struct ClosedRange {
    int lowerBound;
    int upperBound;
    constexpr bool contains(int v) const { return v >= lowerBound && v <= upperBound; }
};

inline constexpr const char* defaultsKey = "VentiqFontScalePercent";
inline constexpr ClosedRange percentRange{80, 150};
inline constexpr int percentStep = 5;
inline constexpr int defaultPercent = 105;
inline constexpr const char* changedNotification = Notifications::fontScaleChanged;
// The panel at its tallest at 100 %, with its one banner shown; the panel's
// own layout must add up to this.
inline constexpr double panelBaseHeight = 674;
// Usable height assumed when there is no screen at all.
inline constexpr double noScreenHeight = 884;

// Where the choice is kept (the standard store until replaced) and where the
// change is announced (the shared centre until replaced).
PreferenceStore& store();
void setStore(PreferenceStore* store);
void setNotificationCenter(NotificationCenter* center);

// The stored choice, normalised; nothing stored (or 0) is defaultPercent.
int userPercent();
// Stores the normalised choice, then posts changedNotification once; the
// observers run later, on the main loop.
void setUserPercent(int percent);

// Clamped into percentRange and rounded to the nearest step.
int normalized(int percent);
// The usable height of a screen, given its visible height; without a screen
// noScreenHeight.
double availableHeight(std::optional<double> screenVisibleHeight);
// The largest step in 100…150 at which a surface of the base height fits.
int fitPercent(double available, double base);
int effectivePercent(int user, int fit);

// Fit the panel or the settings window to the screen it is about to be shown
// on (its visible height, absent without a screen).
void refreshPanel(std::optional<double> screenVisibleHeight);
void refreshWindow(std::optional<double> screenVisibleHeight);

int panelPercent();
int windowPercent();
int panelCapPercent();
int windowCapPercent();
double panelFactor();
double windowFactor();

// x × factor to the nearest half point; a factor of exactly 1 leaves x as it is.
double scaled(double x, double factor);

}  // namespace UIScale
}  // namespace ventiq
