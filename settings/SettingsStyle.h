#pragma once

namespace ventiq {

// Lengths of the settings window, scaled by its current factor.
namespace SettingsStyle {

// The window's height at 100 %, used to fit it to the screen.
inline constexpr double baseWindowHeight = 654;

double factor();
double z(double x);
double rowHeight();

}  // namespace SettingsStyle

inline double wz(double x) { return SettingsStyle::z(x); }

}  // namespace ventiq
