#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "smc/FourCC.h"
#include "testing/FakeSMC.h"

namespace ventiq {
namespace {

using testing::FakeSMC;

TEST(SMCReadingFanCount, FromFNumByTypeAndLength) {
    struct Case {
        const char* name;
        std::string type;
        std::vector<uint8_t> bytes;
        bool present;
        int expected;
    };
    const Case cases[] = {
        {"no FNum: fanless machine", "ui8 ", {}, false, 0},
        {"ui8 two fans", "ui8 ", {2}, true, 2},
        {"hex_ one byte", "hex_", {2}, true, 2},
        {"hex_ two bytes is not a count", "hex_", {0, 2}, true, 0},
        {"float is not a count", "flt ", {0, 0, 0, 0x40}, true, 0},
    };
    for (const auto& c : cases) {
        FakeSMC smc;
        if (c.present) smc.setRaw("FNum", c.type, c.bytes);
        EXPECT_EQ(smc.fanCount(), c.expected) << c.name;
    }
}

TEST(SMCReadingFloat, NonFiniteIsAbsentButRawValueStays) {
    FakeSMC smc;
    smc.setFloat("Tnan", std::numeric_limits<float>::quiet_NaN());
    smc.setFloat("Tinf", std::numeric_limits<float>::infinity());
    smc.setFloat("Tok", 41.5f);
    EXPECT_FALSE(smc.readFloat("Tnan"));
    EXPECT_FALSE(smc.readFloat("Tinf"));
    EXPECT_TRUE(smc.readValue("Tnan").has_value());
    EXPECT_EQ(smc.readFloat("Tok"), 41.5);
    EXPECT_FALSE(smc.readFloat("Tmissing"));
}

TEST(SMCReadingFan, ReadingRules) {
    struct Case {
        const char* name;
        std::function<void(FakeSMC&)> setup;
        std::optional<FanReading> expected;
    };
    const Case cases[] = {
        {"complete fan with lower-case mode key",
         [](FakeSMC& s) {
             s.addFan(0, 1350, 5349, "md", 2000);
             s.setFloat("F0Tg", 2500);
             s.setU8("F0md", 1);
         },
         FanReading{0, 2000, 2500, 1350, 5349, true}},
        {"upper-case mode key is used when md is missing",
         [](FakeSMC& s) { s.addFan(0, 1350, 5349, "Md", 1800); },
         FanReading{0, 1800, 1800, 1350, 5349, false}},
        {"no mode key: forced absent", [](FakeSMC& s) { s.addFan(0, 1350, 5349, "", 1800); },
         FanReading{0, 1800, 1800, 1350, 5349, std::nullopt}},
        {"mode key with unreadable byte: forced absent",
         [](FakeSMC& s) {
             s.addFan(0, 1350, 5349, "", 1800);
             s.setRaw("F0md", "flt ", {0, 0, 0, 0});
         },
         FanReading{0, 1800, 1800, 1350, 5349, std::nullopt}},
        {"missing Tg: target is the actual speed",
         [](FakeSMC& s) {
             s.addFan(0, 1350, 5349, "md", 2200);
             s.remove("F0Tg");
         },
         FanReading{0, 2200, 2200, 1350, 5349, false}},
        {"Mn equal to Mx gives no reading", [](FakeSMC& s) { s.addFan(0, 2000, 2000); }, std::nullopt},
        {"Mn above Mx gives no reading", [](FakeSMC& s) { s.addFan(0, 3000, 2000); }, std::nullopt},
        {"missing Ac gives no reading",
         [](FakeSMC& s) {
             s.addFan(0, 1350, 5349);
             s.remove("F0Ac");
         },
         std::nullopt},
        {"unreadable Mx gives no reading",
         [](FakeSMC& s) {
             s.addFan(0, 1350, 5349);
             s.setReadFailure("F0Mx", true);
         },
         std::nullopt},
    };
    for (const auto& c : cases) {
        FakeSMC smc;
        c.setup(smc);
        EXPECT_EQ(smc.fanReading(0), c.expected) << c.name;
    }
}

TEST(SMCReadingFan, ModeKeyPrefersLowerCase) {
    FakeSMC smc;
    smc.setU8("F0md", 0);
    smc.setU8("F0Md", 1);
    smc.setU8("F1Md", 0);
    EXPECT_EQ(smc.fanModeKey(0), "F0md");
    EXPECT_EQ(smc.fanModeKey(1), "F1Md");
    EXPECT_EQ(smc.fanModeKey(2), std::nullopt);
}

}  // namespace
}  // namespace ventiq
