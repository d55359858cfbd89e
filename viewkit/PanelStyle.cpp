#include "viewkit/PanelStyle.h"

#include "settings/UIScale.h"

namespace ventiq::PanelStyle {

double factor() { return UIScale::panelFactor(); }
double z(double x) { return UIScale::scaled(x, factor()); }

double cardWidth() { return z(base::cardWidth); }
double sideMargin() { return z(base::sideMargin); }
double innerPad() { return z(base::innerPad); }
double rowWidth() { return z(base::rowWidth); }
double contentWidth() { return z(base::contentWidth); }
double topPad() { return z(base::topPad); }
double bottomPad() { return z(base::bottomPad); }
double headerHeight() { return z(base::headerHeight); }
double rowHeight() { return z(base::rowHeight); }
double fanRowHeight() { return z(base::fanRowHeight); }
double fanTitleCenterY() { return z(base::fanTitleCenterY); }
double fanSliderCenterY() { return z(base::fanSliderCenterY); }
double tempStripHeight() { return z(base::tempStripHeight); }
double bannerBoxHeight() { return z(base::bannerBoxHeight); }
double bannerHeight() { return z(base::bannerHeight); }
double sloganHeight() { return z(base::sloganHeight); }

double height(int banners, double f) {
    const auto s = [f](double x) { return UIScale::scaled(x, f); };
    return s(base::topPad) + s(base::bottomPad) + s(base::headerHeight) + banners * s(base::bannerBoxHeight) +
           2 * s(base::fanRowHeight) + s(base::tempStripHeight) + plainRowCount * s(base::rowHeight) +
           dividerCount * dividerThickness + s(base::sloganHeight);
}

double expectedHeight(int banners) { return height(banners, factor()); }
double worstBaseHeight() { return height(1, 1.0); }

std::string versionText(const std::string& shortVersion) {
    return shortVersion.empty() ? "V?" : "V" + shortVersion;
}

std::string versionText() { return versionText(VENTIQ_SHORT_VERSION); }

}  // namespace ventiq::PanelStyle
