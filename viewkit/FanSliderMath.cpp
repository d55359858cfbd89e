#include "viewkit/FanSliderMath.h"

#include <algorithm>
#include <cmath>

namespace ventiq::FanSliderMath {

double fraction(double x, double trackStart, double trackEnd, bool rtl) {
    const double f = std::clamp((x - trackStart) / std::max(trackEnd - trackStart, 1.0), 0.0, 1.0);
    return rtl ? 1.0 - f : f;
}

double value(double x, double trackStart, double trackEnd, double minV, double maxV, bool rtl) {
    return minV + (maxV - minV) * fraction(x, trackStart, trackEnd, rtl);
}

double x(double value, double trackStart, double trackEnd, double minV, double maxV, bool rtl) {
    // The tiny floor keeps equal ends from dividing by zero.
    const double g = std::clamp((value - minV) / std::max(maxV - minV, 0.000000001), 0.0, 1.0);
    return trackStart + (trackEnd - trackStart) * (rtl ? 1.0 - g : g);
}

double snap(double value, double minV, double maxV) {
    const double v = std::clamp(value, minV, std::max(minV, maxV));
    if (v - minV < 5) return minV;
    if (maxV - v < 5) return maxV;
    return std::round(v / 10.0) * 10.0;
}

}  // namespace ventiq::FanSliderMath
