#include <gtest/gtest.h>

#include "platform/PlatformServicesClient.h"
#include "sensing/CoreCounts.h"
#include "sensing/SystemInfo.h"
#include "sensing/tests/ScriptedPlatform.h"

namespace ventiq {
namespace {

TEST(SystemInfo, PlatformAnswersReadAsSysctlWould) {
    testing::ScriptedPlatform platform;
    const struct {
        const char* name;
        const char* reply;
        std::string model;
        std::map<std::string, int> counts;
    } cases[] = {
        {"M5 Max",
         R"({"model":"Mac17,6","perflevels":[{"name":"Performance","physicalcpu":12},{"name":"Super","physicalcpu":6}]})",
         "Mac17,6",
         {{"Performance", 12}, {"Super", 6}}},
        {"a text ends at its first zero byte",
         R"({"model":"Mac17,6\u0000junk","perflevels":[{"name":"Super\u0000","physicalcpu":6}]})",
         "Mac17,6",
         {{"Super", 6}}},
        {"a count that does not fit in 32 bits is no count",
         R"({"model":"Mac17,2","perflevels":[{"name":"Performance","physicalcpu":4294967302},)"
         R"({"name":"Efficiency","physicalcpu":-4294967290},{"name":"Super","physicalcpu":6}]})",
         "Mac17,2",
         {{"Super", 6}}},
        {"values of the wrong kind are absent",
         R"({"model":17,"perflevels":[{"name":"Performance","physicalcpu":"12"},{"name":"Efficiency","physicalcpu":4.5}]})",
         "",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform.reply(c.reply);
        const auto info = SystemInfo::fromPlatform(PlatformServicesClient(platform.path()));
        EXPECT_EQ(info.model(), c.model);
        EXPECT_EQ(CoreCounts::read(info).byLevel, c.counts);
    }
}

}  // namespace
}  // namespace ventiq
