#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "engine/FanDecision.h"

namespace ventiq {
namespace {

using FanDecision::Heat;
using FanDecision::Outcome;
using Values = ControlSettings::Values;

FanInfo makeFan(int index, int minRPM, int maxRPM) {
    FanInfo f;
    f.index = index;
    f.actual = 2000;
    f.minRPM = minRPM;
    f.maxRPM = maxRPM;
    return f;
}

// Left 1350...5349, right 1350...5777. The decision never looks at the
// readback, so neither fan reads as forced.
std::vector<FanInfo> twoFans() { return {makeFan(0, 1350, 5349), makeFan(1, 1350, 5777)}; }

// Custom, left 3000 and right 3100 fixed, settings 2 (65 °C, 3300 / 3500)
// and 3 (70 °C, 4000 / 4100) on.
Values custom() {
    Values v;
    v.preset = FanPreset::mySettings;
    v.myLeftRPM = 3000;
    v.myRightRPM = 3100;
    v.ladder2 = {true, 65, 3300, 3500};
    v.ladder3 = {true, 70, 4000, 4100};
    return v;
}

TempSnapshot cpu(std::optional<double> t) {
    TempSnapshot s;
    s.cpuMax = t;
    s.cpuAvg = t;
    return s;
}

struct DecideCase {
    const char* name;
    std::function<void(Values&)> change;
    TempSnapshot temps;
    Heat heat;
    std::optional<int> left;
    std::optional<int> right;
};

TEST(FanDecision, EachFanGetsASpeedOrIsLeftToTheSystem) {
    const DecideCase cases[] = {
        {"auto leaves every fan to the system, hot or not", [](Values& v) { v.preset = FanPreset::auto_; },
         cpu(95), {3, true, true}, std::nullopt, std::nullopt},
        {"full speed holds each fan at its own maximum", [](Values& v) { v.preset = FanPreset::fullSpeed; }, cpu(40),
         {}, 5349, 5777},
        {"full speed ignores the ladder", [](Values& v) { v.preset = FanPreset::fullSpeed; }, cpu(72), {3}, 5349, 5777},
        {"Custom at setting 1 holds the stored speeds", [](Values&) {}, cpu(55), {1}, 3000, 3100},
        {"setting 2", [](Values&) {}, cpu(66), {2}, 3300, 3500},
        {"setting 3", [](Values&) {}, cpu(72), {3}, 4000, 4100},
        {"a side with its ladder off keeps its stored speed", [](Values& v) { v.rightLadderEnabled = false; },
         cpu(72), {3}, 4000, 3100},
        {"setting 3 never falls below setting 2", [](Values& v) { v.ladder3.left = 3000; }, cpu(72), {3}, 3300,
         4100},
        {"stored speeds are clamped into each fan's range",
         [](Values& v) {
             v.myLeftRPM = 9000;
             v.myRightRPM = 100;
         },
         cpu(55), {1}, 5349, 1350},
        {"a ladder speed above the maximum is clamped", [](Values& v) { v.ladder3.left = 9000; }, cpu(72), {3}, 5349,
         4100},
        {"protection drives every mode to maximum",
         [](Values& v) {
             v.leftMode = FanMode::auto_;
             v.rightMode = FanMode::sensor;
         },
         cpu(93), {3, true}, 5349, 5777},
        {"sustained heat raises fixed fans only",
         [](Values& v) {
             v.leftMode = FanMode::sensor;
             v.rightMode = FanMode::constant;
         },
         cpu(80), {3, false, true}, 1350 + 3428, 5777},
        {"an auto side stays with the system", [](Values& v) { v.rightMode = FanMode::auto_; }, cpu(55), {1}, 3000,
         std::nullopt},
        {"sensor mode follows the curve at the start", [](Values& v) { v.leftMode = v.rightMode = FanMode::sensor; },
         cpu(50), {1}, 1350, 1350},
        {"sensor mode half way rounds 1999.5 up", [](Values& v) { v.leftMode = v.rightMode = FanMode::sensor; },
         cpu(67.5), {1}, 3350, 3564},
        {"sensor mode past the end", [](Values& v) { v.leftMode = v.rightMode = FanMode::sensor; }, cpu(90), {1},
         5349, 5777},
        {"sensor mode without a temperature goes to the system",
         [](Values& v) { v.leftMode = v.rightMode = FanMode::sensor; }, cpu(std::nullopt), {1}, std::nullopt,
         std::nullopt},
        {"sensor mode reads only its own source",
         [](Values& v) {
             v.leftMode = FanMode::sensor;
             v.sensorSource = SensorSource::ssd;
         },
         cpu(90), {1}, std::nullopt, 3100},
        {"a span under one degree counts as one",
         [](Values& v) {
             v.leftMode = FanMode::sensor;
             v.sensorStartTemp = 60;
             v.sensorMaxTemp = 60.5;
         },
         cpu(60.25), {1}, 1350 + 1000, 3100},
    };
    const std::vector<FanInfo> fans = twoFans();
    for (const auto& c : cases) {
        Values settings = custom();
        c.change(settings);
        const auto outcomes = FanDecision::decide({fans, c.temps, settings, c.heat});
        EXPECT_EQ(outcomes, (std::vector<Outcome>{{0, c.left}, {1, c.right}})) << c.name;
    }
}

TEST(FanDecision, EveryIndexPastTheFirstIsARightFan) {
    std::vector<FanInfo> fans = twoFans();
    fans.push_back(makeFan(2, 1000, 3000));
    Values settings = custom();
    settings.leftMode = FanMode::auto_;
    const TempSnapshot temps = cpu(55);
    const auto outcomes = FanDecision::decide({fans, temps, settings, {}});
    // the third fan takes the right side's speed, clamped into its own range
    EXPECT_EQ(outcomes, (std::vector<Outcome>{{0, std::nullopt}, {1, 3100}, {2, 3000}}));
}

TEST(FanDecision, ShownSpeedsAndModes) {
    struct Case {
        const char* name;
        FanPreset preset;
        Heat heat;
        bool withFans;
        int left;
        int right;
        // The left side is in sensor mode under Custom.
        FanMode leftMode;
    };
    const Case cases[] = {
        {"Custom at setting 2", FanPreset::mySettings, {2}, true, 3300, 3500, FanMode::sensor},
        {"Custom under protection shows the maxima", FanPreset::mySettings, {1, true}, true, 5349, 5777,
         FanMode::sensor},
        {"no fans: the ladder speed unclamped, no maximum to go to", FanPreset::mySettings, {3, true}, false, 4000,
         4100, FanMode::sensor},
        {"outside Custom the stored speeds show as they are", FanPreset::fullSpeed, {3, true}, true, 3000, 3100,
         FanMode::constant},
        {"auto shows both sides automatic", FanPreset::auto_, {}, true, 3000, 3100, FanMode::auto_},
    };
    for (const auto& c : cases) {
        Values settings = custom();
        settings.preset = c.preset;
        settings.leftMode = FanMode::sensor;
        const std::vector<FanInfo> fans = c.withFans ? twoFans() : std::vector<FanInfo>{};
        const TempSnapshot temps = cpu(70);
        const FanDecision::Inputs in{fans, temps, settings, c.heat};
        EXPECT_EQ(FanDecision::effectiveRPM(settings.myLeftRPM, true, in), c.left) << c.name;
        EXPECT_EQ(FanDecision::effectiveRPM(settings.myRightRPM, false, in), c.right) << c.name;
        EXPECT_EQ(FanDecision::displayMode(true, settings), c.leftMode) << c.name;
    }
}

}  // namespace
}  // namespace ventiq
