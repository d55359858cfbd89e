#include <gtest/gtest.h>

#include <optional>

#include "engine/TempLadder.h"

namespace ventiq {
namespace {

using TempLadder::Sustained;

const LadderTier on2{true, 65, 3300, 3500};
const LadderTier on3{true, 70, 4000, 4100};
const LadderTier off2{false, 65, 3300, 3500};
const LadderTier off3{false, 70, 4000, 4100};

struct TierCase {
    const char* name;
    int current;
    std::optional<double> temp;
    LadderTier tier2;
    LadderTier tier3;
    int expected;
};

TEST(TempLadderTier, StepsUpAtTheTemperatureAndDownThreeDegreesBelow) {
    const TierCase cases[] = {
        {"cool", 1, 64.9, on2, on3, 1},
        {"setting 2 at its temperature", 1, 65.0, on2, on3, 2},
        {"still setting 2", 2, 69.9, on2, on3, 2},
        {"setting 3 at its temperature", 2, 70.0, on2, on3, 3},
        {"straight from 1 to 3", 1, 72.0, on2, on3, 3},
        {"setting 3 holds down to 67", 3, 67.0, on2, on3, 3},
        {"below 67 drops to 2", 3, 66.9, on2, on3, 2},
        {"setting 2 holds down to 62", 2, 62.0, on2, on3, 2},
        {"below 62 drops to 1", 2, 61.9, on2, on3, 1},
        {"from 3 to 1 in one step", 3, 61.0, on2, on3, 1},
        {"setting 3 without setting 2", 1, 71.0, off2, on3, 3},
        {"setting 3 off caps at 2", 2, 80.0, on2, off3, 2},
        {"both off", 1, 95.0, off2, off3, 1},
        {"no temperature keeps 1", 1, std::nullopt, on2, on3, 1},
        {"no temperature keeps 3", 3, std::nullopt, on2, on3, 3},
        {"no temperature, setting 3 switched off", 3, std::nullopt, on2, off3, 2},
        {"no temperature, both switched off", 3, std::nullopt, off2, off3, 1},
        {"no temperature, out-of-range current", 7, std::nullopt, on2, on3, 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TempLadder::tier(c.current, c.temp, c.tier2, c.tier3), c.expected) << c.name;
    }
}

struct RpmCase {
    const char* name;
    int tier;
    bool isLeft;
    int base;
    LadderTier tier2;
    LadderTier tier3;
    int expected;
};

TEST(TempLadderRpm, NeverFallsBelowALowerSetting) {
    const RpmCase cases[] = {
        {"setting 1 is the base", 1, true, 3000, on2, on3, 3000},
        {"setting 2 left", 2, true, 3000, on2, on3, 3300},
        {"setting 3 right", 3, false, 3100, on2, on3, 4100},
        {"base above setting 2", 2, true, 5000, on2, on3, 5000},
        {"setting 3 below setting 2", 3, true, 3000, on2, LadderTier{true, 70, 3000, 3000}, 3300},
        {"setting 2 off, engine at 2", 2, true, 3000, off2, on3, 3000},
        {"setting 2 off, engine at 3", 3, false, 3100, off2, on3, 4100},
        {"not limited to a fan's range", 3, true, 3000, on2, LadderTier{true, 70, 9000, 9000}, 9000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TempLadder::rpm(c.tier, c.isLeft, c.base, c.tier2, c.tier3), c.expected) << c.name;
    }
}

struct NormalizeCase {
    const char* name;
    LadderTier tier2;
    LadderTier tier3;
    bool editedTier2;
    LadderTier expected2;
    LadderTier expected3;
};

TEST(TempLadderNormalized, TheSettingNotEditedGivesWay) {
    const NormalizeCase cases[] = {
        {"setting 2 raised past 3", {true, 71, 3300, 3500}, on3, true, {true, 71, 3300, 3500}, {true, 72, 4000, 4100}},
        {"setting 3 lowered past 2", on2, {true, 64, 4000, 4100}, false, {true, 63, 3300, 3500},
         {true, 64, 4000, 4100}},
        {"setting 2 at 90", {false, 90, 3300, 3500}, on3, true, {false, 89, 3300, 3500}, {true, 90, 4000, 4100}},
        {"setting 3 at 40", on2, {false, 40, 4000, 4100}, false, {true, 40, 3300, 3500}, {false, 41, 4000, 4100}},
        {"setting 2 left speed pushes 3 up", {true, 65, 4500, 3500}, on3, true, {true, 65, 4500, 3500},
         {true, 70, 4500, 4100}},
        {"setting 3 speed pulls 2 down", on2, {true, 70, 4000, 3000}, false, {true, 65, 3300, 3000},
         {true, 70, 4000, 3000}},
        {"equal speeds allowed", {true, 65, 4000, 4100}, on3, true, {true, 65, 4000, 4100}, on3},
        {"in order stays as it is", off2, off3, true, off2, off3},
    };
    for (const auto& c : cases) {
        const auto [t2, t3] = TempLadder::normalized(c.tier2, c.tier3, c.editedTier2);
        EXPECT_EQ(t2, c.expected2) << c.name;
        EXPECT_EQ(t3, c.expected3) << c.name;
    }
}

TEST(TempLadderSustained, HoldsAfterTheWholeDelayAboveSettingThree) {
    const TimePoint t0{std::chrono::hours(1000)};
    struct Case {
        const char* name;
        int minutes;
        double heldFor;
        bool hold;
    };
    const Case cases[] = {
        {"90 s of 3 min", 3, 90, false},       {"179.9 s of 3 min", 3, 179.9, false},
        {"180 s of 3 min", 3, 180, true},      {"1799 s of 30 min", 30, 1799, false},
        {"1800 s of 30 min", 30, 1800, true},  {"0 min counts as 1: 59 s", 0, 59, false},
        {"0 min counts as 1: 60 s", 0, 60, true}, {"99 min counts as 30", 99, 1800, true},
    };
    for (const auto& c : cases) {
        auto state = TempLadder::sustained({}, t0, 72.0, on3, true, c.minutes);
        EXPECT_EQ(state, Sustained(t0, false)) << c.name;
        state = TempLadder::sustained(state, t0 + seconds(c.heldFor), 72.0, on3, true, c.minutes);
        EXPECT_EQ(state.hold, c.hold) << c.name;
        EXPECT_EQ(state.since, t0) << c.name;
    }
}

TEST(TempLadderSustained, ResetsAtOrBelowSettingThreeAndKeepsStateWithoutAReading) {
    const TimePoint t0{std::chrono::hours(1000)};
    const Sustained timing(t0, false);
    const Sustained holding(t0, true);
    struct Case {
        const char* name;
        Sustained state;
        std::optional<double> temp;
        LadderTier tier3;
        bool enabled;
        Sustained expected;
    };
    const Case cases[] = {
        {"hold continues above", holding, 71.0, on3, true, holding},
        {"hold ends at the temperature", holding, 70.0, on3, true, Sustained()},
        {"timing ends at the temperature", timing, 70.0, on3, true, Sustained()},
        {"missing reading keeps timing", timing, std::nullopt, on3, true, timing},
        {"missing reading keeps hold", holding, std::nullopt, on3, true, holding},
        {"missing reading does not start", Sustained(), std::nullopt, on3, true, Sustained()},
        {"feature off", holding, 80.0, on3, false, Sustained()},
        {"setting 3 off", holding, 80.0, off3, true, Sustained()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TempLadder::sustained(c.state, t0 + seconds(500), c.temp, c.tier3, c.enabled, 3), c.expected)
            << c.name;
    }
}

}  // namespace
}  // namespace ventiq
