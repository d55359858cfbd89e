#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/InMemoryPreferenceStore.h"
#include "settings/UIScale.h"
#include "viewkit/FanSliderMath.h"
#include "viewkit/PanelStyle.h"

namespace ventiq {
namespace {

// The slider of the examples: 1350…5349 on a track from 0 to 200.
constexpr double lo = 1350, hi = 5349;

TEST(FanSliderMath, PositionsGiveValues) {
    struct Case {
        const char* name;
        double x;
        bool rtl;
        double expected;
    };
    const Case cases[] = {
        {"start", 0, false, lo},         {"end", 200, false, hi},          {"rtl start is the maximum", 0, true, hi},
        {"rtl end is the minimum", 200, true, lo}, {"before the track", -50, false, lo}, {"past the track", 260, false, hi},
        {"middle before snapping", 100, false, 3349.5},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(FanSliderMath::value(c.x, 0, 200, lo, hi, c.rtl), c.expected) << c.name;
    EXPECT_EQ(FanSliderMath::snap(FanSliderMath::value(100, 0, 200, lo, hi, false), lo, hi), 3350);
}

TEST(FanSliderMath, ValueAndPositionRoundTrip) {
    for (const bool rtl : {false, true}) {
        const double x = FanSliderMath::x(2500, 0, 200, lo, hi, rtl);
        EXPECT_NEAR(FanSliderMath::value(x, 0, 200, lo, hi, rtl), 2500, 1e-9) << "rtl " << rtl;
    }
    EXPECT_DOUBLE_EQ(FanSliderMath::x(lo, 0, 200, lo, hi, true), 200) << "the minimum sits at the right end in rtl";
}

TEST(FanSliderMath, SnapsToEndsAndTens) {
    struct Case {
        double in, out;
    };
    const Case cases[] = {{1354, 1350}, {5345, 5349}, {2344, 2340}, {2345, 2350}, {9000, 5349}, {100, 1350}};
    for (const Case& c : cases) EXPECT_EQ(FanSliderMath::snap(c.in, lo, hi), c.out) << c.in;
}

TEST(FanSliderMath, DegenerateTracksAndRangesStayFinite) {
    // A track narrower than a point counts as one point wide.
    EXPECT_DOUBLE_EQ(FanSliderMath::fraction(10.5, 10, 10.2, false), 0.5);
    EXPECT_DOUBLE_EQ(FanSliderMath::fraction(20, 10, 10, false), 1.0);
    const double x = FanSliderMath::x(2000, 0, 200, 2000, 2000, false);
    EXPECT_TRUE(std::isfinite(x));
    EXPECT_EQ(FanSliderMath::value(50, 0, 200, 2000, 2000, false), 2000);
    EXPECT_EQ(FanSliderMath::snap(1000, 2000, 2000), 2000);
}

// Fits the panel on a screen tall enough for any scale, at the given choice.
class PanelScale {
public:
    explicit PanelScale(int percent) {
        UIScale::setStore(&store_);
        store_.setInteger(UIScale::defaultsKey, percent);
        UIScale::refreshPanel(5000);
    }
    ~PanelScale() {
        store_.remove(UIScale::defaultsKey);
        UIScale::refreshPanel(5000);
        UIScale::setStore(nullptr);
    }

private:
    InMemoryPreferenceStore store_;
};

TEST(PanelStyle, SizesAtEachScale) {
    struct Case {
        int percent;
        double card, row, content, heightNoBanner;
    };
    const Case cases[] = {{100, 360, 344, 328, 622}, {125, 450, 430, 410, 775}, {150, 540, 516, 492, 928}};
    for (const Case& c : cases) {
        PanelScale scale(c.percent);
        EXPECT_EQ(PanelStyle::cardWidth(), c.card) << c.percent;
        EXPECT_EQ(PanelStyle::rowWidth(), c.row) << c.percent;
        EXPECT_EQ(PanelStyle::contentWidth(), c.content) << c.percent;
        EXPECT_EQ(PanelStyle::expectedHeight(0), c.heightNoBanner) << c.percent;
    }
}

TEST(PanelStyle, HeightsAtOneHundredPercent) {
    PanelScale scale(100);
    EXPECT_EQ(PanelStyle::rowHeight(), 44);
    EXPECT_EQ(PanelStyle::headerHeight(), 72);
    EXPECT_EQ(PanelStyle::sloganHeight(), 56);
    EXPECT_EQ(PanelStyle::dividerCount, 10);
    EXPECT_EQ(PanelStyle::expectedHeight(1), 674);
    EXPECT_EQ(PanelStyle::worstBaseHeight(), 674);
    // The screen fit of the interface scale assumes the same tallest panel.
    EXPECT_EQ(PanelStyle::worstBaseHeight(), UIScale::panelBaseHeight);
    // Dividers stay one point: at 150 % only the scaled blocks grow.
    EXPECT_EQ(PanelStyle::height(0, 1.5) - PanelStyle::dividerCount, (622 - PanelStyle::dividerCount) * 1.5);
}

TEST(PanelStyle, VersionTextStartsWithCapitalV) {
    EXPECT_EQ(PanelStyle::versionText("1.1.0"), "V1.1.0");
    EXPECT_EQ(PanelStyle::versionText(""), "V?");
    EXPECT_EQ(PanelStyle::versionText().front(), 'V');
    EXPECT_NE(PanelStyle::versionText(), "V?");
}

}  // namespace
}  // namespace ventiq
