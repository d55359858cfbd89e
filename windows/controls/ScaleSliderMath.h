#pragma once

namespace ventiq::ScaleSliderMath {

inline constexpr int minPercent = 80;
inline constexpr int maxPercent = 150;

// The text-size percentage at a point of the track: the leftmost point is 80,
// the rightmost 150 (the other way round in right-to-left), always a value
// of UIScale::normalized.
int percent(double x, double trackStart, double trackEnd, bool rtl);
// Where a percentage lies on the track.
double x(int percent, double trackStart, double trackEnd, bool rtl);

}  // namespace ventiq::ScaleSliderMath
