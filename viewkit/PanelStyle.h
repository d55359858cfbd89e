#pragma once
#include <string>

#include "viewkit/Rgba.h"

namespace ventiq {

// The dropdown panel's lengths and colours. Lengths are given at 100 % and
// used scaled by the panel factor, rounded to the nearest half point; the
// divider and the card's border stay 1 point at every scale.
namespace PanelStyle {

namespace base {
inline constexpr double cardWidth = 360;
inline constexpr double sideMargin = 8;
inline constexpr double innerPad = 8;
inline constexpr double rowWidth = cardWidth - 2 * sideMargin;
inline constexpr double contentWidth = rowWidth - 2 * innerPad;
inline constexpr double topPad = 12;
inline constexpr double bottomPad = 12;
inline constexpr double headerHeight = 72;
inline constexpr double rowHeight = 44;
inline constexpr double fanRowHeight = 68;
inline constexpr double fanTitleCenterY = 20;
inline constexpr double fanSliderCenterY = 50;
inline constexpr double tempStripHeight = 60;
inline constexpr double bannerBoxHeight = 52;
inline constexpr double bannerHeight = 40;
inline constexpr double sloganHeight = 56;
inline constexpr double cornerRadius = 16;
}  // namespace base

inline constexpr int dividerCount = 10;
inline constexpr double dividerThickness = 1;
inline constexpr double borderWidth = 1;
// Rows of 44 points: the switch, three presets and two actions.
inline constexpr int plainRowCount = 6;

inline constexpr Rgba background{38, 38, 43};
inline constexpr Rgba border{58, 58, 65};
inline constexpr Rgba line{52, 52, 58};
inline constexpr Rgba text{242, 242, 244};
inline constexpr Rgba secondary{154, 154, 162};
inline constexpr Rgba slogan{125, 125, 134};
inline constexpr Rgba hover{255, 255, 255, 0.06};

// The panel factor of the interface scale at this moment.
double factor();
// A length given at 100 %, at the current factor.
double z(double x);

double cardWidth();
double sideMargin();
double innerPad();
double rowWidth();
double contentWidth();
double topPad();
double bottomPad();
double headerHeight();
double rowHeight();
double fanRowHeight();
double fanTitleCenterY();
double fanSliderCenterY();
double tempStripHeight();
double bannerBoxHeight();
double bannerHeight();
double sloganHeight();

// The panel's whole height with the given number of banner blocks shown.
double height(int banners, double factor);
double expectedHeight(int banners);
// The tallest form at 100 % (one banner), the base of the panel's screen fit.
double worstBaseHeight();

// "V" and the short version; "V?" when there is none.
std::string versionText(const std::string& shortVersion);
// With the version this program was built as.
std::string versionText();

}  // namespace PanelStyle
}  // namespace ventiq
