#include "windows/controls/ScaleSliderMath.h"

#include <cmath>

#include "settings/UIScale.h"
#include "viewkit/FanSliderMath.h"

namespace ventiq::ScaleSliderMath {

int percent(double x, double trackStart, double trackEnd, bool rtl) {
    const double f = FanSliderMath::fraction(x, trackStart, trackEnd, rtl);
    return UIScale::normalized(static_cast<int>(std::lround(f * (maxPercent - minPercent) + minPercent)));
}

double x(int percent, double trackStart, double trackEnd, bool rtl) {
    return FanSliderMath::x(percent, trackStart, trackEnd, minPercent, maxPercent, rtl);
}

}  // namespace ventiq::ScaleSliderMath
