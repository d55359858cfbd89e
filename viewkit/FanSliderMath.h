#pragma once

namespace ventiq {

// Position and value arithmetic of the fan slider, shared by the view and
// its tests. Positions are in points along the track.
namespace FanSliderMath {

// Where x lies on the track, 0 at the start and 1 at the end (mirrored for
// right-to-left). A track narrower than one point counts as one point wide.
double fraction(double x, double trackStart, double trackEnd, bool rtl);
double value(double x, double trackStart, double trackEnd, double minV, double maxV, bool rtl);
double x(double value, double trackStart, double trackEnd, double minV, double maxV, bool rtl);
// Clamped into minV…maxV; within 5 of an end it is that end, else it is
// rounded to the nearest 10.
double snap(double value, double minV, double maxV);

}  // namespace FanSliderMath
}  // namespace ventiq
