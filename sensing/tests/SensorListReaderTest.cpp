#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <ostream>
#include <set>

#include "sensing/SensorListReader.h"
#include "testing/FakeHID.h"
#include "testing/FakeSMC.h"

namespace ventiq {

void PrintTo(const SensorRow& row, std::ostream* out) {
    *out << '{' << row.id << ", " << row.name << ", icon " << static_cast<int>(row.icon) << ", ";
    if (row.celsius) *out << *row.celsius;
    else *out << "absent";
    *out << (row.isAverage ? ", average}" : "}");
}

namespace {

using Optional = std::optional<double>;

const char* const performanceKeys[] = {"Tm04", "Tm0G", "Tm0R", "Tm0a", "Tm0j", "Tm1Q",
                                       "Tm1c", "Tm1o", "Tm21", "Tm2D", "Tm2P", "Tm2n"};
const char* const superKeys[] = {"Tp04", "Tp0G", "Tp0R", "Tp0a", "Tp0j", "Tp0u", "Tp1I", "Tp1g"};
const char* const gpuKeys[] = {"Tg08", "Tg12", "Tg1x", "Tg29"};
const char* const singleKeys[] = {"TA0P", "TB0T", "Th1H", "TPMP", "TW0P", "Ts0P", "Ts1P"};

// Every table key of the M5 Max: Performance cores 60...71, Super cores 80...87
// (the last two are trimmed away), GPU clusters 50, 52, 54, 56, singles 30...36.
std::shared_ptr<testing::FakeSMC> m5MaxSMC() {
    auto smc = std::make_shared<testing::FakeSMC>();
    for (int i = 0; i < 12; ++i) smc->setFloat(performanceKeys[i], static_cast<float>(60 + i));
    for (int i = 0; i < 8; ++i) smc->setFloat(superKeys[i], static_cast<float>(80 + i));
    for (int i = 0; i < 4; ++i) smc->setFloat(gpuKeys[i], static_cast<float>(50 + 2 * i));
    for (int i = 0; i < 7; ++i) smc->setFloat(singleKeys[i], static_cast<float>(30 + i));
    smc->setFloat("Tp00", 45);
    return smc;
}

const CoreCounts m5MaxCounts{{{"Performance", 12}, {"Super", 6}}};

SensorListReader makeReader(std::shared_ptr<testing::FakeSMC> smc, std::shared_ptr<testing::FakeHID> hid,
                            std::string model = "Mac17,6", CoreCounts counts = m5MaxCounts,
                            std::vector<std::string> drives = {}) {
    return SensorListReader(std::move(smc), std::move(hid), std::move(model), std::move(counts),
                            [drives] { return drives; });
}

const SensorRow* find(const std::vector<SensorRow>& rows, const std::string& id) {
    const auto it = std::find_if(rows.begin(), rows.end(), [&](const SensorRow& r) { return r.id == id; });
    return it == rows.end() ? nullptr : &*it;
}

std::vector<std::string> idsOf(const std::vector<SensorRow>& rows) {
    std::vector<std::string> ids;
    for (const auto& r : rows) ids.push_back(r.id);
    return ids;
}

TEST(SensorListReader, M5MaxGivesThirtyOneSortedRows) {
    auto reader = makeReader(m5MaxSMC(), nullptr);
    const auto snapshot = reader.read();

    std::vector<std::string> names;
    for (const auto& r : snapshot.rows) names.push_back(r.name);
    std::vector<std::string> expected{"Airport Proximity", "Ambient", "Battery", "CPU Core Average"};
    for (int i = 1; i <= 12; ++i) expected.push_back("CPU Performance Core " + std::to_string(i));
    for (int i = 1; i <= 6; ++i) expected.push_back("CPU Super Core " + std::to_string(i));
    expected.insert(expected.end(), {"GPU Cluster 1", "GPU Cluster 2", "GPU Cluster 3", "GPU Cluster 4",
                                     "GPU Cluster Average", "Heatsink Proximity", "Power Supply Proximity",
                                     "Trackpad", "Trackpad Actuator"});
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(snapshot.disks.empty());
    EXPECT_EQ(reader.origin(), CPUSensorRules::KeyOrigin::profile("m5-pro-max"));

    // 60...71 and 80...85; the trimmed Tp1I and Tp1g do not count.
    double sum = 0;
    for (int i = 0; i < 12; ++i) sum += 60 + i;
    for (int i = 0; i < 6; ++i) sum += 80 + i;
    EXPECT_EQ(*find(snapshot.rows, "avg:cpu"), (SensorRow{"avg:cpu", "CPU Core Average", SensorIcon::cpu, sum / 18, true}));
    EXPECT_EQ(*find(snapshot.rows, "avg:gpu"), (SensorRow{"avg:gpu", "GPU Cluster Average", SensorIcon::gpu, 53, true}));
    EXPECT_EQ(*find(snapshot.rows, "smc:Tm2n:CPU Performance Core 12"),
              (SensorRow{"smc:Tm2n:CPU Performance Core 12", "CPU Performance Core 12", SensorIcon::cpu, 71, false}));
    EXPECT_EQ(*find(snapshot.rows, "smc:TW0P:Airport Proximity"),
              (SensorRow{"smc:TW0P:Airport Proximity", "Airport Proximity", SensorIcon::airport, 34, false}));
    EXPECT_FALSE(find(snapshot.rows, "smc:Tp1I:CPU Super Core 7"));
    EXPECT_FALSE(find(snapshot.rows, "smc:Tp00:CPU Performance Core 1"));
}

TEST(SensorListReader, IdentifiersStayWhileReadingsChangeOrFail) {
    auto smc = m5MaxSMC();
    auto reader = makeReader(smc, nullptr);
    const auto first = reader.read();
    const auto ids = idsOf(first.rows);
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
    EXPECT_EQ(reader.read(), first);

    smc->setFloat("Tm04", 0);
    smc->setFloat("Tp0u", -9201);
    smc->remove("Tg29");
    smc->setFloat("Tg08", 58);
    const auto changed = reader.read();
    EXPECT_EQ(idsOf(changed.rows), ids);
    EXPECT_FALSE(find(changed.rows, "smc:Tm04:CPU Performance Core 1")->celsius);
    EXPECT_FALSE(find(changed.rows, "smc:Tg29:GPU Cluster 4")->celsius);
    EXPECT_EQ(find(changed.rows, "avg:gpu")->celsius, (58.0 + 52 + 54) / 3);

    double sum = 0;
    for (int i = 1; i < 12; ++i) sum += 60 + i;
    for (int i = 0; i < 5; ++i) sum += 80 + i;
    EXPECT_EQ(find(changed.rows, "avg:cpu")->celsius, sum / 16);

    const std::set<std::string> touched{"smc:Tm04:CPU Performance Core 1", "smc:Tp0u:CPU Super Core 6",
                                        "smc:Tg08:GPU Cluster 1", "smc:Tg29:GPU Cluster 4", "avg:cpu", "avg:gpu"};
    for (size_t i = 0; i < changed.rows.size(); ++i) {
        if (touched.contains(changed.rows[i].id)) continue;
        EXPECT_EQ(changed.rows[i], first.rows[i]) << changed.rows[i].id;
    }
}

TEST(SensorListReader, ReadsEachKeyOncePerRead) {
    auto smc = std::make_shared<testing::FakeSMC>();
    for (const char* key : {"Tp00", "Tp0C", "Tp0O", "Tp0X", "Te04", "Te08", "Te0C", "Tg04", "Tg12", "TB0T"})
        smc->setFloat(key, 50);
    auto reader = makeReader(smc, nullptr, "Mac17,2", {{{"Performance", 4}, {"Efficiency", 6}}});
    reader.read();
    const int before = smc->readCount();
    const auto snapshot = reader.read();
    EXPECT_EQ(smc->readCount() - before, 10);
    // 1 single + 4 + 6 core rows + average + 2 clusters + average.
    EXPECT_EQ(snapshot.rows.size(), 15u);
    EXPECT_EQ(find(snapshot.rows, "smc:Te04:CPU Efficiency Core 4")->celsius, 50);
}

TEST(SensorListReader, HIDRowsFollowTheirSpecs) {
    auto hid = std::make_shared<testing::FakeHID>(std::vector<HIDReading>{
        {"gas gauge battery", 36},
        {"gas gauge battery", 37.5},
        {"gas gauge battery", -9201},
        {"PMU tdie1", 56},
        {"PMU tdie2", 58},
        {"PMU tdie4", 60},
        {"PMU tdie5", std::nullopt},
        {"PMU tdie6", -9201},
        {"PMU tdie3", 99},
        {"PMU tcal", 40},
        {"SOC MTR Temp Sensor0", std::nullopt},
        {"Unnamed Service", 45},
    });
    auto reader = makeReader(nullptr, hid);
    const auto rows = reader.read().rows;

    const struct {
        const char* id;
        SensorRow expected;
    } cases[] = {
        {"gauge keeps the hottest trusted reading", {"hid:gauge", "Battery Gas Gauge", SensorIcon::none, 37.5, false}},
        {"die average leaves out absent, untrusted and tdie3",
         {"hid:pmudie", "Power Manager Die Average", SensorIcon::power, 58, true}},
        {"a present service without a reading keeps its row",
         {"hid:soc0", "M1 SOC Sensor 1", SensorIcon::none, std::nullopt, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const auto* row = find(rows, c.expected.id);
        ASSERT_TRUE(row);
        EXPECT_EQ(*row, c.expected);
    }
    // Services that feed no HID row, and no SMC rows without an SMC.
    EXPECT_EQ(rows.size(), 3u);
}

TEST(SensorListReader, DrivesSection) {
    const struct {
        const char* name;
        std::vector<HIDReading> hid;
        std::vector<std::string> drives;
        std::vector<SensorRow> expected;
    } cases[] = {
        {"hottest NAND reading on the first drive",
         {{"NAND CH0 temp", 41}, {"NAND CH0 temp", 43}, {"NAND CH1 temp", 50}},
         {"APPLE SSD AP2048Z", "APPLE SSD AP0512Z"},
         {{"disk:0:APPLE SSD AP2048Z", "APPLE SSD AP2048Z", SensorIcon::disk, 43, false},
          {"disk:1:APPLE SSD AP0512Z", "APPLE SSD AP0512Z", SensorIcon::disk, std::nullopt, false}}},
        {"NAND without drive names", {{"NAND CH0 temp", 41}}, {}, {{"disk:0:SSD", "SSD", SensorIcon::disk, 41, false}}},
        {"drive names without NAND", {}, {"Disk"}, {{"disk:0:Disk", "Disk", SensorIcon::disk, std::nullopt, false}}},
        {"untrusted NAND only", {{"NAND CH0 temp", -9201}}, {}, {{"disk:0:SSD", "SSD", SensorIcon::disk, std::nullopt, false}}},
        {"neither", {{"NAND CH1 temp", 41}}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto reader = makeReader(nullptr, std::make_shared<testing::FakeHID>(c.hid), "Mac17,6", m5MaxCounts, c.drives);
        EXPECT_EQ(reader.read().disks, c.expected);
    }
}

TEST(SensorListReader, DriveNamesAreFetchedOnce) {
    int calls = 0;
    SensorListReader reader(nullptr, nullptr, "Mac17,6", m5MaxCounts, [&calls] {
        ++calls;
        return std::vector<std::string>{"Disk"};
    });
    for (int i = 0; i < 3; ++i) EXPECT_EQ(reader.read().disks.size(), 1u);
    EXPECT_EQ(calls, 1);
}

TEST(SensorListReader, GenericPlanWithoutTable) {
    auto smc = std::make_shared<testing::FakeSMC>();
    smc->setFloat("Tp01", 60);
    smc->setFloat("Tp0b", 62);
    smc->setFloat("Te05", 40);
    smc->setFloat("Tg08", 50);
    auto reader = makeReader(smc, nullptr, "Mac15,3", CoreCounts::unknown());
    const auto snapshot = reader.read();
    EXPECT_EQ(snapshot.rows, (std::vector<SensorRow>{
                                 {"smc:Tp01:CPU Core 1", "CPU Core 1", SensorIcon::cpu, 60, false},
                                 {"smc:Tp0b:CPU Core 2", "CPU Core 2", SensorIcon::cpu, 62, false},
                                 {"smc:Te05:CPU Core 3", "CPU Core 3", SensorIcon::cpu, 40, false},
                                 {"avg:cpu", "CPU Core Average", SensorIcon::cpu, 54, true},
                             }));
    EXPECT_TRUE(snapshot.disks.empty());
    EXPECT_EQ(reader.origin(), CPUSensorRules::KeyOrigin::generic());
}

TEST(SensorListReader, KeysAppearingLaterArePickedUpWithin31Reads) {
    auto smc = std::make_shared<testing::FakeSMC>();
    auto reader = makeReader(smc, nullptr);
    EXPECT_TRUE(reader.read().isEmpty());
    ASSERT_TRUE(reader.currentPlan());
    EXPECT_TRUE(reader.currentPlan()->isEmpty());
    const int probeCost = smc->readCount();

    for (const char* key : performanceKeys) smc->setFloat(key, 65);
    for (int read = 2; read <= 31; ++read) EXPECT_TRUE(reader.read().rows.empty()) << "read " << read;
    EXPECT_EQ(smc->readCount(), probeCost);

    const auto found = reader.read();
    EXPECT_EQ(found.rows.size(), 13u);
    EXPECT_EQ(reader.origin(), CPUSensorRules::KeyOrigin::profile("m5-pro-max"));

    // A stored plan is kept even when its keys vanish.
    for (const char* key : performanceKeys) smc->remove(key);
    for (int read = 0; read < 40; ++read) EXPECT_EQ(idsOf(reader.read().rows), idsOf(found.rows));
}

TEST(SensorListReader, NaturalOrder) {
    const struct {
        const char* a;
        const char* b;
        bool less;
    } cases[] = {
        {"CPU Performance Core 2", "CPU Performance Core 10", true},
        {"CPU Performance Core 10", "CPU Performance Core 2", false},
        {"cpu core average", "CPU Performance Core 1", true},
        {"CPU Core Average", "cpu performance core 1", true},
        {"Battery", "battery", false},
        {"battery", "Battery", false},
        {"GPU Cluster 4", "GPU Cluster Average", true},
        {"Core 007", "Core 8", true},
        {"Core 08", "Core 8", false},
        {"Core", "Core 1", true},
        {"Core 1", "Core", false},
        {"Ambient", "Airport Proximity", false},
        {"Core 99999999999999999999", "Core 100000000000000000000", true},
    };
    for (const auto& c : cases) EXPECT_EQ(SensorListReader::naturalLess(c.a, c.b), c.less) << c.a << " < " << c.b;
}

TEST(SensorListReader, AverageAndValid) {
    const struct {
        const char* name;
        std::vector<Optional> values;
        Optional mean;
    } cases[] = {
        {"trusted values", {50, 52, 54, 56}, 53},
        {"skips absent and untrusted", {50, std::nullopt, -9201, 0, 125, 60}, 55},
        {"nothing trusted", {std::nullopt, -9201, 130}, std::nullopt},
        {"empty", {}, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(SensorListReader::average(c.values), c.mean) << c.name;
    EXPECT_EQ(SensorListReader::valid(60), 60);
    EXPECT_FALSE(SensorListReader::valid(125));
    EXPECT_FALSE(SensorListReader::valid(std::nullopt));
}

}  // namespace
}  // namespace ventiq
