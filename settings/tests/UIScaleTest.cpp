#include <gtest/gtest.h>

#include "ProcessWideSettings.h"
#include "platform/ManualLoop.h"
#include "settings/SettingsStyle.h"

namespace ventiq {
namespace {

TEST(UIScale, ConstantsOfTheChoice) {
    EXPECT_EQ(UIScale::percentRange.lowerBound, 80);
    EXPECT_EQ(UIScale::percentRange.upperBound, 150);
    EXPECT_EQ(UIScale::percentStep, 5);
    EXPECT_EQ(UIScale::defaultPercent, 105);
    EXPECT_STREQ(UIScale::changedNotification, "VentiqFontScaleChanged");
    EXPECT_STREQ(UIScale::defaultsKey, "VentiqFontScalePercent");
}

TEST(UIScale, NormalizedClampsAndRoundsToTheStep) {
    const std::vector<std::pair<int, int>> cases = {
        {37, 80}, {-20, 80}, {80, 80}, {97, 95}, {98, 100}, {103, 105}, {127, 125}, {150, 150}, {999, 150},
    };
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(UIScale::normalized(in), out);
    }
}

TEST(UIScale, FitPercentIsAStepBetween100And150) {
    struct Case {
        const char* name;
        double available;
        double base;
        int expected;
    };
    const std::vector<Case> cases = {
        {"roomFor118", 900, 758, 115},
        {"veryTall", 5000, 674, 150},
        {"smallerThanBase", 500, 674, 100},
        {"just104", 104.9, 100, 100},
        {"exactly105", 105, 100, 105},
        {"exactly150", 150, 100, 150},
        {"zeroBase", 900, 0, 150},
        {"negativeBase", 900, -5, 150},
        {"noRoom", 0, 674, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UIScale::fitPercent(c.available, c.base), c.expected);
    }
}

TEST(UIScale, EffectivePercentOnlyEverLowersAChoiceAbove100) {
    struct Case {
        int user;
        int fit;
        int expected;
    };
    const std::vector<Case> cases = {
        {150, 115, 115}, {150, 100, 100}, {90, 100, 90}, {125, 150, 125}, {80, 150, 80}, {105, 100, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.user << "/" << c.fit);
        EXPECT_EQ(UIScale::effectivePercent(c.user, c.fit), c.expected);
    }
}

TEST(UIScale, ScaledGoesToTheNearestHalfPoint) {
    struct Case {
        double x;
        double factor;
        double expected;
    };
    const std::vector<Case> cases = {
        {14, 1.25, 17.5}, {11, 1.15, 12.5}, {44, 1.5, 66}, {13.3, 1.0, 13.3}, {10, 0.8, 8}, {-3, 1.25, -4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "x" << c.factor);
        EXPECT_EQ(UIScale::scaled(c.x, c.factor), c.expected);
    }
}

TEST(UIScale, AvailableHeightOfTheScreen) {
    EXPECT_EQ(UIScale::availableHeight(std::nullopt), 884);
    EXPECT_EQ(UIScale::availableHeight(900), 884);
    EXPECT_EQ(UIScale::availableHeight(10), 0);
}

class UIScaleStored : public ProcessWideSettings {
protected:
    ManualLoop loop;
    NotificationCenter center{loop};
};

TEST_F(UIScaleStored, UserPercentReadsTheNormalisedStoredChoice) {
    struct Case {
        const char* name;
        std::optional<PreferenceStore::Value> stored;
        int expected;
    };
    const std::vector<Case> cases = {
        {"nothing", std::nullopt, 105},
        {"zero", PreferenceStore::Value(int64_t{0}), 105},
        {"earlierDefault", PreferenceStore::Value(int64_t{100}), 100},
        {"tooSmall", PreferenceStore::Value(int64_t{37}), 80},
        {"negative", PreferenceStore::Value(int64_t{-20}), 80},
        {"offStep", PreferenceStore::Value(int64_t{127}), 125},
        {"notAnInteger", PreferenceStore::Value(std::string("120")), 105},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.stored)
            store.set(UIScale::defaultsKey, *c.stored);
        else
            store.remove(UIScale::defaultsKey);
        EXPECT_EQ(UIScale::userPercent(), c.expected);
    }
}

TEST_F(UIScaleStored, EachSetStoresTheStepAndNotifiesOnceLater) {
    UIScale::setNotificationCenter(&center);
    int notified = 0;
    auto token = center.addObserver(UIScale::changedNotification, [&] { ++notified; });

    UIScale::setUserPercent(127);
    EXPECT_EQ(store.integer(UIScale::defaultsKey), 125);
    EXPECT_EQ(UIScale::userPercent(), 125);
    EXPECT_EQ(notified, 0);
    loop.runPending();
    EXPECT_EQ(notified, 1);

    UIScale::setUserPercent(999);
    UIScale::setUserPercent(60);
    loop.runPending();
    EXPECT_EQ(notified, 3);
    EXPECT_EQ(store.integer(UIScale::defaultsKey), 80);

    store.remove(UIScale::defaultsKey);
    EXPECT_EQ(UIScale::userPercent(), 105);
}

TEST_F(UIScaleStored, RefreshFitsEachSurfaceToItsScreen) {
    store.setInteger(UIScale::defaultsKey, 150);
    // 916 visible leaves 900: the panel (674) fits 133 %, the window (660) 136 %.
    UIScale::refreshPanel(916);
    UIScale::refreshWindow(916);
    EXPECT_EQ(UIScale::panelCapPercent(), 130);
    EXPECT_EQ(UIScale::panelPercent(), 130);
    EXPECT_EQ(UIScale::windowCapPercent(), 135);
    EXPECT_EQ(UIScale::windowPercent(), 135);
    EXPECT_DOUBLE_EQ(UIScale::panelFactor(), 1.3);
    EXPECT_DOUBLE_EQ(SettingsStyle::factor(), 1.35);

    // Without a screen the fixed 884 applies: 884 / 674 → 131 → 130.
    UIScale::refreshPanel(std::nullopt);
    EXPECT_EQ(UIScale::panelCapPercent(), 130);

    store.setInteger(UIScale::defaultsKey, 90);
    UIScale::refreshPanel(300);
    EXPECT_EQ(UIScale::panelCapPercent(), 100);
    EXPECT_EQ(UIScale::panelPercent(), 90);
}

TEST_F(UIScaleStored, SettingsRowHeightFollowsTheWindowFactor) {
    const std::vector<std::pair<int, double>> cases = {{100, 28}, {125, 35}, {115, 32}, {80, 22.5}};
    for (const auto& [percent, row] : cases) {
        SCOPED_TRACE(percent);
        store.setInteger(UIScale::defaultsKey, percent);
        UIScale::refreshWindow(std::nullopt);
        EXPECT_EQ(UIScale::windowPercent(), percent);
        EXPECT_EQ(SettingsStyle::rowHeight(), row);
        EXPECT_EQ(wz(28), row);
    }
}

}  // namespace
}  // namespace ventiq
