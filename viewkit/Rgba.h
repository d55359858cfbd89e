#pragma once

namespace ventiq {

// An sRGB colour, components 0 to 255, alpha 0 to 1. Kept free of any
// toolkit so that colour tables can be shared with code that draws nothing.
struct Rgba {
    int r = 0;
    int g = 0;
    int b = 0;
    double a = 1.0;

    constexpr Rgba withAlpha(double alpha) const { return Rgba{r, g, b, alpha}; }
    constexpr bool operator==(const Rgba&) const = default;
};

}  // namespace ventiq
