#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ControlState.h"
#include "engine/FanInfo.h"
#include "engine/FanPreset.h"

namespace ventiq {
namespace {

struct GuardCase {
    const char* name;
    std::vector<int> readings;
    std::vector<std::string> shown;
};

TEST(FanActualGuard, ShowsAStopOnlyFromTheThirdZeroInARow) {
    const GuardCase cases[] = {
        {"stop confirmed, then broken by a reading", {2500, 0, 0, 0, 0, 2600, 0},
         {"2500", "\u2014", "\u2014", "0", "0", "2600", "\u2014"}},
        {"every streak broken before its third zero", {0, 0, 1200, 0, 0},
         {"\u2014", "\u2014", "1200", "\u2014", "\u2014"}},
        {"negative readings count as zero", {-5, 0, -1}, {"\u2014", "\u2014", "0"}},
    };
    for (const auto& c : cases) {
        FanActualGuard guard;
        std::vector<std::string> shown;
        for (int reading : c.readings) {
            FanInfo info;
            info.actual = reading < 0 ? 0 : reading;
            info.actualReady = guard.feed(reading);
            shown.push_back(info.actualText());
        }
        EXPECT_EQ(shown, c.shown) << c.name;
    }
}

TEST(FanInfo, DefaultsToReadyWithForcedAbsentAndPrintsWithoutGrouping) {
    FanInfo info;
    info.actual = 12345;
    EXPECT_TRUE(info.actualReady);
    EXPECT_FALSE(info.forced.has_value());
    EXPECT_EQ(info.actualText(), "12345");
}

TEST(ControlState, FailedComparesItsMessageOtherCasesOnlyTheirKind) {
    EXPECT_EQ(ControlState::failed("a"), ControlState::failed("a"));
    EXPECT_NE(ControlState::failed("a"), ControlState::failed("b"));
    EXPECT_NE(ControlState::failed("a"), ControlState::system());
    EXPECT_NE(ControlState::failed(""), ControlState::system());
    EXPECT_EQ(ControlState(), ControlState::system());
    EXPECT_NE(ControlState::applying(), ControlState::active());
}

TEST(RawValues, OutsideTheCasesYieldNothing) {
    EXPECT_FALSE(FanPreset::fromRawValue(3));
    EXPECT_FALSE(FanPreset::fromRawValue(-1));
    EXPECT_FALSE(FanMode::fromRawValue(-1));
    EXPECT_FALSE(FanMode::fromRawValue(3));
    EXPECT_EQ(FanPreset::fromRawValue(2), FanPreset::fullSpeed);
    EXPECT_EQ(FanMode::fromRawValue(0), FanMode::auto_);
    EXPECT_EQ(FanPreset(FanPreset::mySettings).rawValue(), 1);
}

}  // namespace
}  // namespace ventiq
