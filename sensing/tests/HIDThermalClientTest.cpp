#include <gtest/gtest.h>

#include "sensing/HIDThermalClient.h"
#include "sensing/tests/ScriptedPlatform.h"

namespace ventiq {
namespace {

TEST(HIDThermalClient, ServicesAreFixedWhenBuiltAndReadEveryCall) {
    testing::ScriptedPlatform platform;
    platform.reply(R"({"services":[{"product":"gas gauge battery","temp":36},{"product":"PMU tdie1","temp":57},)"
                   R"({"product":"gas gauge battery","temp":37.5}]})");
    HIDThermalClient hid(platform.path());
    ASSERT_EQ(hid.serviceCount(), 3);
    EXPECT_EQ(hid.readAllHID(),
              (std::vector<HIDReading>{{"gas gauge battery", 36}, {"PMU tdie1", 57}, {"gas gauge battery", 37.5}}));

    const struct {
        const char* name;
        const char* reply;
        std::vector<HIDReading> expected;
    } cases[] = {
        {"new readings, untrusted ones absent",
         R"({"services":[{"product":"gas gauge battery","temp":-9201},{"product":"PMU tdie1","temp":null},)"
         R"({"product":"gas gauge battery","temp":125}]})",
         {{"gas gauge battery", std::nullopt}, {"PMU tdie1", std::nullopt}, {"gas gauge battery", std::nullopt}}},
        {"a service that appeared later is not reported",
         R"({"services":[{"product":"gas gauge battery","temp":36},{"product":"NAND CH0 temp","temp":41},)"
         R"({"product":"PMU tdie1","temp":58},{"product":"gas gauge battery","temp":38}]})",
         {{"gas gauge battery", 36}, {"PMU tdie1", 58}, {"gas gauge battery", 38}}},
        {"a vanished service is skipped without shifting the others",
         R"({"services":[{"product":"gas gauge battery","temp":36},{"product":"gas gauge battery","temp":38}]})",
         {{"gas gauge battery", 36}, {"gas gauge battery", 38}}},
        {"a malformed reply reads as nothing", R"({"services":"none"})", {}},
        {"an error reply reads as nothing", R"({"error":"busy"})", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform.reply(c.reply);
        EXPECT_EQ(hid.readAllHID(), c.expected);
        EXPECT_EQ(hid.serviceCount(), 3);
    }
}

TEST(HIDThermalClient, WithoutTheSocketThereAreNoServices) {
    HIDThermalClient hid("/nonexistent/ventiq-platform.sock");
    EXPECT_EQ(hid.serviceCount(), 0);
    EXPECT_TRUE(hid.readAllHID().empty());
}

}  // namespace
}  // namespace ventiq
