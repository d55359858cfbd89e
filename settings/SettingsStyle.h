#pragma once

namespace ventiq {

// Lengths of the settings window, scaled by its current factor.
namespace SettingsStyle {

// The window's height at 100 %, used to fit it to the screen: its tallest
// page, General with the notification row, is 657 high with the tab bar in
// the longest language, and the rest leaves room for other fonts.
inline constexpr double baseWindowHeight = 660;

double factor();
double z(double x);
double rowHeight();

}  // namespace SettingsStyle

inline double wz(double x) { return SettingsStyle::z(x); }

}  // namespace ventiq
