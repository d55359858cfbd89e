#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/PlatformServicesClient.h"
#include "sensing/CoreCounts.h"
#include "sensing/SensorPlan.h"
#include "sensing/SensorProfiles.h"
#include "sensing/SystemInfo.h"

namespace ventiq {
namespace {

using Items = std::vector<SensorPlan::Item>;

SensorPlan::Exists allExcept(std::set<std::string> missing) {
    return [missing = std::move(missing)](const std::string& key) { return !missing.contains(key); };
}

SensorPlan::Exists only(std::set<std::string> present) {
    return [present = std::move(present)](const std::string& key) { return present.contains(key); };
}

std::vector<std::string> keysOf(const Items& items) {
    std::vector<std::string> keys;
    for (const auto& i : items) keys.push_back(i.key);
    return keys;
}

std::vector<std::string> namesOf(const Items& items) {
    std::vector<std::string> names;
    for (const auto& i : items) names.push_back(i.name);
    return names;
}

TEST(SensorProfiles, ModelLookupIsExactAndCaseSensitive) {
    const struct {
        const char* model;
        const char* table;  // nullptr: no table
    } cases[] = {
        {"Mac17,6", "m5-pro-max"}, {"Mac17,7", "m5-pro-max"}, {"Mac17,8", "m5-pro-max"}, {"Mac17,9", "m5-pro-max"},
        {"Mac17,2", "m5-base"},    {"Mac17,3", "m5-base"},    {"Mac17,4", "m5-base"},    {"Mac17,5", "macbook-neo"},
        {"", nullptr},             {"Mac15,3", nullptr},      {"Mac16,1", nullptr},      {"Mac14,2", nullptr},
        {"Mac17,1", nullptr},      {"Mac17,10", nullptr},     {"MacBookPro22,5", nullptr}, {"mac17,6", nullptr},
        {"Mac17,6 ", nullptr},
    };
    for (const auto& c : cases) {
        const auto table = SensorProfiles::profile(c.model);
        if (c.table) {
            ASSERT_TRUE(table) << '"' << c.model << '"';
            EXPECT_EQ(table->id, c.table) << c.model;
        } else {
            EXPECT_FALSE(table) << '"' << c.model << '"';
        }
    }
}

TEST(SensorProfiles, TablesKeepTheirRules) {
    for (const SensorProfile* table : {&SensorProfiles::m5ProMax(), &SensorProfiles::m5Base(),
                                       &SensorProfiles::macBookNeo(), &SensorProfiles::generic()}) {
        std::set<std::string> seen;
        std::vector<SensorProfile::Key> all = table->singles;
        for (const auto& g : table->cores) all.insert(all.end(), g.keys.begin(), g.keys.end());
        all.insert(all.end(), table->gpu.begin(), table->gpu.end());
        for (const auto& k : all) {
            EXPECT_EQ(k.key.size(), 4u) << table->id << ' ' << k.key;
            EXPECT_TRUE(seen.insert(k.key).second) << table->id << " repeats " << k.key;
            EXPECT_FALSE(k.names.empty());
        }
    }

    const auto& hid = SensorProfiles::hidRows();
    ASSERT_EQ(hid.size(), 12u);
    std::set<std::string> ids, names;
    for (const auto& row : hid) {
        ids.insert(row.id);
        names.insert(row.name);
        for (const auto& p : row.products) EXPECT_NE(p, "PMU tdie3");
    }
    EXPECT_EQ(ids.size(), 12u);
    EXPECT_EQ(names.size(), 12u);
    EXPECT_EQ(hid.front().id, "gpuprox");
    EXPECT_EQ(hid.back().id, "charger");
    EXPECT_EQ(std::string(SensorProfiles::nandProduct), "NAND CH0 temp");

    // Tp00 is a core on the standard M5 only; on Pro/Max it is a power probe.
    const auto coreKeys = [](const SensorProfile& p) {
        std::set<std::string> keys;
        for (const auto& g : p.cores)
            for (const auto& k : g.keys) keys.insert(k.key);
        return keys;
    };
    EXPECT_TRUE(coreKeys(SensorProfiles::m5Base()).contains("Tp00"));
    EXPECT_FALSE(coreKeys(SensorProfiles::m5ProMax()).contains("Tp00"));
}

TEST(SensorPlan, M5MaxTrimsSuperCoresToTheReportedCount) {
    const auto plan = SensorPlan::make(SensorProfiles::m5ProMax(), {{{"Performance", 12}, {"Super", 6}}}, allExcept({}));

    ASSERT_EQ(plan.cpu.size(), 18u);
    EXPECT_EQ(plan.cpuKeys(),
              (std::vector<std::string>{"Tm04", "Tm0G", "Tm0R", "Tm0a", "Tm0j", "Tm1Q", "Tm1c", "Tm1o", "Tm21", "Tm2D",
                                        "Tm2P", "Tm2n", "Tp04", "Tp0G", "Tp0R", "Tp0a", "Tp0j", "Tp0u"}));
    EXPECT_EQ(plan.cpu[0].name, "CPU Performance Core 1");
    EXPECT_EQ(plan.cpu[11].name, "CPU Performance Core 12");
    EXPECT_EQ(plan.cpu[12].name, "CPU Super Core 1");
    EXPECT_EQ(plan.cpu[17].name, "CPU Super Core 6");
    for (const auto& item : plan.cpu) EXPECT_EQ(item.icon, SensorIcon::cpu);

    EXPECT_EQ(plan.gpu, (Items{{"Tg08", "GPU Cluster 1", SensorIcon::gpu},
                               {"Tg12", "GPU Cluster 2", SensorIcon::gpu},
                               {"Tg1x", "GPU Cluster 3", SensorIcon::gpu},
                               {"Tg29", "GPU Cluster 4", SensorIcon::gpu}}));
    EXPECT_EQ(namesOf(plan.singles),
              (std::vector<std::string>{"Ambient", "Battery", "Heatsink Proximity", "Power Supply Proximity",
                                        "Airport Proximity", "Trackpad", "Trackpad Actuator"}));
    EXPECT_EQ(plan.singles[3].icon, SensorIcon::power);
    EXPECT_EQ(plan.singles[4].icon, SensorIcon::airport);
}

TEST(SensorPlan, CoreCountTrimRunsAfterTheExistenceFilter) {
    const struct {
        const char* name;
        CoreCounts counts;
        std::set<std::string> missing;
        std::vector<std::string> superKeys;
        std::vector<std::string> superNames;
        size_t performanceRows;
    } cases[] = {
        {"missing head key gives its slot to the next key",
         {{{"Performance", 12}, {"Super", 6}}},
         {"Tp04"},
         {"Tp0G", "Tp0R", "Tp0a", "Tp0j", "Tp0u", "Tp1I"},
         {"CPU Super Core 2", "CPU Super Core 3", "CPU Super Core 4", "CPU Super Core 5", "CPU Super Core 6",
          "CPU Super Core 7"},
         12},
        {"unknown counts keep the whole table",
         CoreCounts::unknown(),
         {},
         {"Tp04", "Tp0G", "Tp0R", "Tp0a", "Tp0j", "Tp0u", "Tp1I", "Tp1g"},
         {"CPU Super Core 1", "CPU Super Core 2", "CPU Super Core 3", "CPU Super Core 4", "CPU Super Core 5",
          "CPU Super Core 6", "CPU Super Core 7", "CPU Super Core 8"},
         12},
        {"smaller counts keep the first rows of each level",
         {{{"Performance", 10}, {"Super", 5}}},
         {},
         {"Tp04", "Tp0G", "Tp0R", "Tp0a", "Tp0j"},
         {"CPU Super Core 1", "CPU Super Core 2", "CPU Super Core 3", "CPU Super Core 4", "CPU Super Core 5"},
         10},
        {"a level without a count is kept whole",
         {{{"Efficiency", 2}}},
         {"Tm04"},
         {"Tp04", "Tp0G", "Tp0R", "Tp0a", "Tp0j", "Tp0u", "Tp1I", "Tp1g"},
         {"CPU Super Core 1", "CPU Super Core 2", "CPU Super Core 3", "CPU Super Core 4", "CPU Super Core 5",
          "CPU Super Core 6", "CPU Super Core 7", "CPU Super Core 8"},
         11},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto plan = SensorPlan::make(SensorProfiles::m5ProMax(), c.counts, allExcept(c.missing));
        ASSERT_EQ(plan.cpu.size(), c.performanceRows + c.superKeys.size());
        const Items super(plan.cpu.begin() + static_cast<long>(c.performanceRows), plan.cpu.end());
        EXPECT_EQ(keysOf(super), c.superKeys);
        EXPECT_EQ(namesOf(super), c.superNames);
    }
}

TEST(SensorPlan, StandardM5TwoNameKeysFillTwoSlots) {
    const struct {
        const char* name;
        int efficiency;
        std::vector<std::string> efficiencyNames;
        size_t cpuKeys;
    } cases[] = {
        {"six efficiency cores from three keys", 6,
         {"CPU Efficiency Core 1", "CPU Efficiency Core 4", "CPU Efficiency Core 2", "CPU Efficiency Core 5",
          "CPU Efficiency Core 3", "CPU Efficiency Core 6"},
         7},
        {"four efficiency cores drop Te0C", 4,
         {"CPU Efficiency Core 1", "CPU Efficiency Core 4", "CPU Efficiency Core 2", "CPU Efficiency Core 5"},
         6},
        {"an odd count cuts between the two names of a key", 3,
         {"CPU Efficiency Core 1", "CPU Efficiency Core 4", "CPU Efficiency Core 2"},
         6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto plan =
            SensorPlan::make(SensorProfiles::m5Base(), {{{"Performance", 4}, {"Efficiency", c.efficiency}}}, allExcept({}));
        ASSERT_EQ(plan.cpu.size(), 4 + c.efficiencyNames.size());
        EXPECT_EQ(namesOf(Items(plan.cpu.begin() + 4, plan.cpu.end())), c.efficiencyNames);
        EXPECT_EQ(plan.cpuKeys().size(), c.cpuKeys);
        EXPECT_EQ(plan.cpu[0], (SensorPlan::Item{"Tp00", "CPU Performance Core 1", SensorIcon::cpu}));
        EXPECT_EQ(plan.cpu[4].key, "Te04");
        EXPECT_EQ(plan.cpu[5].key, "Te04");
    }
}

TEST(SensorPlan, Mac17_5HasItsOwnAirportKeyAndCores) {
    const auto plan = SensorPlan::make(SensorProfiles::macBookNeo(), CoreCounts::unknown(), allExcept({}));
    EXPECT_EQ(keysOf(plan.singles),
              (std::vector<std::string>{"TW0p", "TA0P", "TB0T", "Th1H", "TPMP", "TW0P", "Ts0P", "Ts1P"}));
    EXPECT_EQ(plan.cpu, (Items{{"Tp01", "CPU Performance Core 1", SensorIcon::cpu},
                               {"Tp09", "CPU Performance Core 2", SensorIcon::cpu},
                               {"Te05", "CPU Efficiency Core 1", SensorIcon::cpu},
                               {"Te06", "CPU Efficiency Core 2", SensorIcon::cpu},
                               {"Tex0", "CPU Efficiency Core 3", SensorIcon::cpu},
                               {"Tex1", "CPU Efficiency Core 4", SensorIcon::cpu}}));
    EXPECT_EQ(plan.gpu, (Items{{"Tg05", "GPU Cluster 1", SensorIcon::gpu}, {"Tg0D", "GPU Cluster 2", SensorIcon::gpu}}));
}

TEST(SensorPlan, SinglesFollowWhatExists) {
    const auto withoutAmbient =
        SensorPlan::make(SensorProfiles::m5ProMax(), CoreCounts::unknown(), allExcept({"TA0P", "Th1H"}));
    for (const auto& item : withoutAmbient.singles) {
        EXPECT_NE(item.name, "Ambient");
        EXPECT_NE(item.name, "Heatsink Proximity");
    }
    EXPECT_EQ(withoutAmbient.singles.size(), 5u);

    const auto neo = SensorPlan::make(SensorProfiles::macBookNeo(), CoreCounts::unknown(), only({"TW0p"}));
    EXPECT_EQ(neo.singles, (Items{{"TW0p", "Airport Proximity", SensorIcon::airport}}));
    EXPECT_TRUE(neo.cpu.empty());

    const auto nothing = SensorPlan::make(SensorProfiles::m5ProMax(), CoreCounts::unknown(), only({}));
    EXPECT_TRUE(nothing.isEmpty());
    EXPECT_TRUE(SensorPlan::makeGeneric({}, only({})).isEmpty());
}

TEST(SensorPlan, GenericNamesCoresByPositionWithoutGPU) {
    const auto plan = SensorPlan::makeGeneric({"Tp0b", "Tp01", "Te05"}, only({"TB0T", "Ts0P", "Tp0b", "Tg08"}));
    EXPECT_EQ(plan.cpu, (Items{{"Tp0b", "CPU Core 1", SensorIcon::cpu},
                               {"Tp01", "CPU Core 2", SensorIcon::cpu},
                               {"Te05", "CPU Core 3", SensorIcon::cpu}}));
    EXPECT_EQ(plan.singles, (Items{{"TB0T", "Battery", SensorIcon::none}, {"Ts0P", "Trackpad", SensorIcon::none}}));
    EXPECT_TRUE(plan.gpu.empty());
}

TEST(CoreCounts, ReadTakesNamedLevelsWithPositiveCounts) {
    using V = SystemInfo::Value;
    const struct {
        const char* name;
        std::map<std::string, V> sysctl;
        std::map<std::string, int> expected;
    } cases[] = {
        {"M5 Max",
         {{"hw.nperflevels", V(2)},
          {"hw.perflevel0.name", V("Performance")},
          {"hw.perflevel0.physicalcpu", V(12)},
          {"hw.perflevel1.name", V("Super")},
          {"hw.perflevel1.physicalcpu", V(6)}},
         {{"Performance", 12}, {"Super", 6}}},
        {"no level count", {{"hw.perflevel0.name", V("Performance")}, {"hw.perflevel0.physicalcpu", V(4)}}, {}},
        {"zero levels", {{"hw.nperflevels", V(0)}}, {}},
        {"level without name or with no cores is skipped",
         {{"hw.nperflevels", V(3)},
          {"hw.perflevel0.physicalcpu", V(4)},
          {"hw.perflevel1.name", V("Efficiency")},
          {"hw.perflevel1.physicalcpu", V(0)},
          {"hw.perflevel2.name", V("Performance")},
          {"hw.perflevel2.physicalcpu", V(4)}},
         {{"Performance", 4}}},
        {"a later level of the same name wins",
         {{"hw.nperflevels", V(2)},
          {"hw.perflevel0.name", V("Performance")},
          {"hw.perflevel0.physicalcpu", V(4)},
          {"hw.perflevel1.name", V("Performance")},
          {"hw.perflevel1.physicalcpu", V(6)}},
         {{"Performance", 6}}},
        {"at most eight levels are examined",
         {{"hw.nperflevels", V(20)},
          {"hw.perflevel7.name", V("Seventh")},
          {"hw.perflevel7.physicalcpu", V(2)},
          {"hw.perflevel8.name", V("Eighth")},
          {"hw.perflevel8.physicalcpu", V(2)}},
         {{"Seventh", 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CoreCounts::read(SystemInfo(c.sysctl)).byLevel, c.expected);
    }
}

TEST(SystemInfo, AnswersOnlyTheKindOfValueStored) {
    const SystemInfo info({{"hw.model", SystemInfo::Value("Mac17,6")}, {"hw.nperflevels", SystemInfo::Value(2)}});
    EXPECT_EQ(info.model(), "Mac17,6");
    EXPECT_EQ(info.int_("hw.nperflevels"), 2);
    EXPECT_FALSE(info.int_("hw.model"));
    EXPECT_FALSE(info.string("hw.nperflevels"));
    EXPECT_EQ(SystemInfo().model(), "");

    const auto unreachable = SystemInfo::fromPlatform(PlatformServicesClient("/nonexistent/ventiq-platform.sock"));
    EXPECT_EQ(unreachable.model(), "");
    EXPECT_EQ(CoreCounts::read(unreachable), CoreCounts::unknown());
}

}  // namespace
}  // namespace ventiq
