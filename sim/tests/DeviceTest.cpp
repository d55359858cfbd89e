// The simulator's SMC device and platform services, probed with raw records
// and with the product's own SMC connection and sensor readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>

#include "platform/PlatformServicesClient.h"
#include "sensing/CPUSensorRules.h"
#include "sensing/CoreCounts.h"
#include "sensing/HIDThermalClient.h"
#include "sensing/SensorListReader.h"
#include "sensing/SystemInfo.h"
#include "sim/tests/SimTestSupport.h"
#include "smc/FourCC.h"
#include "smc/SMCConnection.h"
#include "smc/SMCError.h"

namespace ventiq {
namespace {

using testing::SimProcess;
using namespace simtest;

float floatOf(const SMCKeyDataT& out) {
    float v;
    std::memcpy(&v, out.bytes, 4);
    return v;
}

struct Probe {
    std::string name;
    std::string key;
    uint8_t command = 0;
    uint32_t size = 0;
    uint32_t index = 0;
    uint8_t result = 0;
    std::string type;  // expected type when not empty
    double value = 0;  // expected value when type is set and the command reads
    std::string outKey;  // expected key in the reply when not empty

    Probe returning(std::string t, double v = 0) const {
        Probe p = *this;
        p.type = std::move(t);
        p.value = v;
        return p;
    }
    Probe atIndex(uint32_t i) const {
        Probe p = *this;
        p.index = i;
        return p;
    }
    Probe naming(std::string k) const {
        Probe p = *this;
        p.outKey = std::move(k);
        return p;
    }
};

Probe probe(std::string name, std::string key, uint8_t command, uint32_t size = 0, uint8_t result = 0) {
    Probe p;
    p.name = std::move(name);
    p.key = std::move(key);
    p.command = command;
    p.size = size;
    p.result = result;
    return p;
}

void PrintTo(const Probe& p, std::ostream* os) { *os << p.name; }

class RawProbe : public ::testing::TestWithParam<Probe> {};

TEST_P(RawProbe, AnswersWithTheDriversRecord) {
    const Probe& p = GetParam();
    SimProcess sim(machine("m5max"));
    RawSocket socket(sim.smcPath());
    SMCKeyDataT in;
    in.key = fourCC(p.key);
    in.data8 = p.command;
    in.keyInfo.dataSize = p.size;
    in.data32 = p.index;
    const auto out = socket.call(in);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->result, p.result);
    if (!p.type.empty()) {
        EXPECT_EQ(fourCCString(out->keyInfo.dataType), p.type);
        if (p.command == SMCCommand::readKey) {
            const double got = p.type == "flt " ? floatOf(*out) : out->bytes[0];
            EXPECT_EQ(got, p.value);
        }
    }
    if (!p.outKey.empty()) {
        EXPECT_EQ(fourCCString(out->key), p.outKey);
    }
    // The connection stays usable after every kind of answer.
    SMCKeyDataT again;
    again.key = fourCC("FNum");
    again.data8 = SMCCommand::keyInfo;
    const auto second = socket.call(again);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->result, SMCResult::success);
}

INSTANTIATE_TEST_SUITE_P(
    M5Max, RawProbe,
    ::testing::Values(probe("FNumInfo", "FNum", SMCCommand::keyInfo).returning("ui8 "),
                      probe("FNumRead", "FNum", SMCCommand::readKey, 1).returning("ui8 ", 2),
                      probe("F0MxRead", "F0Mx", SMCCommand::readKey, 4).returning("flt ", 5349),
                      probe("F1MxRead", "F1Mx", SMCCommand::readKey, 4).returning("flt ", 5777),
                      probe("F1MnRead", "F1Mn", SMCCommand::readKey, 4).returning("flt ", 1350),
                      probe("ModeKeyInfo", "F0md", SMCCommand::keyInfo).returning("ui8 "),
                      probe("UnknownKeyInfo", "ZZZZ", SMCCommand::keyInfo, 0, 0x84),
                      probe("UnknownKeyRead", "ZZZZ", SMCCommand::readKey, 4, 0x84),
                      probe("BadCommand", "FNum", 3, 1, 0x82),
                      probe("ReadSizeMismatch", "F0Mx", SMCCommand::readKey, 2, 0x87),
                      probe("WriteNotWritable", "F0Mx", SMCCommand::writeKey, 4, 0x86),
                      probe("WriteSizeMismatch", "F0Tg", SMCCommand::writeKey, 2, 0x87),
                      probe("IndexOutOfRange", "", SMCCommand::keyAtIndex, 0, 0xB8).atIndex(100000),
                      probe("KeyAtIndexZero", "", SMCCommand::keyAtIndex).atIndex(0).naming("#KEY")),
    [](const auto& info) { return info.param.name; });

// Every key of the M5 Pro/Max sensor table, plus two non-core probes of the
// same shape that the table leaves out on purpose.
const std::vector<std::string> m5MaxTable = {
    "TA0P", "TB0T", "Th1H", "TPMP", "TW0P", "Ts0P", "Ts1P",                                  // singles
    "Tm04", "Tm0G", "Tm0R", "Tm0a", "Tm0j", "Tm1Q", "Tm1c", "Tm1o", "Tm21", "Tm2D", "Tm2P", "Tm2n",  // performance
    "Tp04", "Tp0G", "Tp0R", "Tp0a", "Tp0j", "Tp0u", "Tp1I", "Tp1g",                          // super
    "Tg08", "Tg12", "Tg1x", "Tg29",                                                          // gpu
    "Tp00", "Tf06"};

const std::vector<std::string> hidProducts = {
    "GPU MTR Temp Sensor1", "GPU MTR Temp Sensor4", "gas gauge battery", "SOC MTR Temp Sensor0",
    "SOC MTR Temp Sensor1", "SOC MTR Temp Sensor2", "eACC MTR Temp Sensor0", "eACC MTR Temp Sensor3",
    "pACC MTR Temp Sensor2", "pACC MTR Temp Sensor3", "pACC MTR Temp Sensor4", "pACC MTR Temp Sensor5",
    "pACC MTR Temp Sensor7", "pACC MTR Temp Sensor8", "pACC MTR Temp Sensor9", "ANE MTR Temp Sensor1",
    "ISP MTR Temp Sensor5", "PMGR SOC Die Temp Sensor0", "PMGR SOC Die Temp Sensor1", "PMGR SOC Die Temp Sensor2",
    "PMU tdie1", "PMU tdie2", "PMU tdie4", "PMU tdie5", "PMU tdie6", "PMU tdie7", "PMU tdie8", "Charger TQ0d",
    "NAND CH0 temp"};

TEST(M5MaxMachine, HasTheFullSensorTableHIDServicesDrivesAndCoreCounts) {
    SimProcess sim(machine("m5max"));
    SMCConnection smc(sim.smcPath());
    for (const auto& key : m5MaxTable) {
        const auto t = smc.readFloat(key);
        ASSERT_TRUE(t) << key;
        EXPECT_GT(*t, 20) << key;
        EXPECT_LT(*t, 70) << key;  // an idling machine
    }

    const auto hid = sim.request({{"op", "hid"}});
    ASSERT_TRUE(hid);
    std::set<std::string> products;
    for (const auto& s : (*hid)["services"]) products.insert(s["product"].get<std::string>());
    for (const auto& p : hidProducts) EXPECT_TRUE(products.count(p)) << p;

    const auto drives = sim.request({{"op", "drives"}});
    ASSERT_TRUE(drives);
    EXPECT_EQ((*drives)["drives"], nlohmann::json::array({"APPLE SSD AP2048Z"}));

    const auto info = sim.request({{"op", "sysinfo"}});
    ASSERT_TRUE(info);
    EXPECT_EQ((*info)["model"], "Mac17,6");
    EXPECT_EQ((*info)["perflevels"],
              nlohmann::json::parse(R"([{"name":"Performance","physicalcpu":12},{"name":"Super","physicalcpu":6}])"));
}

TEST(M5MaxMachine, SensingFindsEighteenCoresAndTheFullSensorList) {
    SimProcess sim(machine("m5max"));
    auto smc = std::make_shared<SMCConnection>(sim.smcPath());
    PlatformServicesClient platform(sim.platformPath());
    const SystemInfo info = SystemInfo::fromPlatform(platform);
    const CoreCounts counts = CoreCounts::read(info);

    const auto found = CPUSensorRules::discoverKeys(*smc, info.model(), counts);
    EXPECT_EQ(found.origin, CPUSensorRules::KeyOrigin::profile("m5-pro-max"));
    ASSERT_EQ(found.keys.size(), 18u);
    EXPECT_EQ(std::count(found.keys.begin(), found.keys.end(), "Tp1I"), 0);
    EXPECT_EQ(std::count(found.keys.begin(), found.keys.end(), "Tp00"), 0);

    SensorListReader reader(smc, std::make_shared<HIDThermalClient>(sim.platformPath()), info.model(), counts,
                            [] { return std::vector<std::string>{"APPLE SSD AP2048Z"}; });
    const auto list = reader.read();
    const auto smcRows = std::count_if(list.rows.begin(), list.rows.end(), [](const SensorRow& r) {
        return r.id.starts_with("smc:") || r.id.starts_with("avg:");
    });
    EXPECT_EQ(smcRows, 31);
    const auto hidRows = std::count_if(list.rows.begin(), list.rows.end(), [](const SensorRow& r) {
        return r.id.starts_with("hid:");
    });
    EXPECT_EQ(hidRows, 12);
    for (const auto& row : list.rows) EXPECT_TRUE(row.celsius) << row.id;
    ASSERT_EQ(list.disks.size(), 1u);
    EXPECT_EQ(list.disks[0].name, "APPLE SSD AP2048Z");
    EXPECT_TRUE(list.disks[0].celsius);
}

struct MachineCase {
    std::string name;
    std::string model;
    int fans;
    std::optional<std::string> modeKey;
    std::vector<std::string> present;
    std::vector<std::string> absent;
    std::string drive;
};

void PrintTo(const MachineCase& c, std::ostream* os) { *os << c.name; }

class Profiles : public ::testing::TestWithParam<MachineCase> {};

TEST_P(Profiles, ShowTheirModelFansAndKeys) {
    const MachineCase& c = GetParam();
    SimProcess sim(machine(c.name));
    EXPECT_NE(sim.readyLine().find(c.model), std::string::npos);
    SMCConnection smc(sim.smcPath());
    EXPECT_EQ(smc.fanCount(), c.fans);
    EXPECT_EQ(smc.fanModeKey(0), c.modeKey);
    for (int fan = 0; fan < c.fans; ++fan) {
        const auto reading = smc.fanReading(fan);
        ASSERT_TRUE(reading) << fan;
        EXPECT_LT(reading->minRPM, reading->maxRPM);
        EXPECT_EQ(reading->forced, std::optional<bool>(false));
    }
    for (const auto& key : c.present) EXPECT_TRUE(smc.readValue(key)) << key;
    for (const auto& key : c.absent) EXPECT_FALSE(smc.readValue(key)) << key;
    const auto info = sim.request({{"op", "sysinfo"}});
    ASSERT_TRUE(info);
    EXPECT_EQ((*info)["model"], c.model);
    EXPECT_FALSE((*info)["perflevels"].empty());
    const auto drives = sim.request({{"op", "drives"}});
    ASSERT_TRUE(drives);
    EXPECT_EQ((*drives)["drives"], nlohmann::json::array({c.drive}));
}

INSTANTIATE_TEST_SUITE_P(
    BuiltIn, Profiles,
    ::testing::Values(
        MachineCase{"m5max", "Mac17,6", 2, "F0md", {"Tm04", "Tp1g", "Tg29", "F1md"}, {"F0Md", "F2Ac"}, "APPLE SSD AP2048Z"},
        MachineCase{"m5", "Mac17,2", 2, "F0md", {"Tp00", "Te0C", "Tg04", "TB0T"}, {"Tm04"}, "APPLE SSD AP1024Z"},
        MachineCase{"mac17-5", "Mac17,5", 1, "F0md", {"TW0p", "Tp09", "Tex1", "Tg0D"}, {"TW0P", "F1Ac"}, "APPLE SSD AP0256Z"},
        MachineCase{"generic", "Mac16,1", 2, "F0md", {"Tp01", "Tp0f", "Te0L"}, {"Tm04", "Tp00"}, "APPLE SSD AP0512Z"},
        MachineCase{"onefan", "Mac17,3", 1, "F0Md", {"Tp0X", "F0Md"}, {"F0md", "TB0T", "F1Ac"}, "APPLE SSD AP0512Z"},
        MachineCase{"fanless", "Mac17,4", 0, std::nullopt, {"Tp00", "TB0T"}, {"FNum", "F0Ac", "F0md"}, "APPLE SSD AP0512Z"}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

TEST(GenericMachine, ProbingFindsOnlyItsFloatCoreKeys) {
    SimProcess sim(machine("generic"));
    SMCConnection smc(sim.smcPath());
    const auto found = CPUSensorRules::discoverKeys(smc, "Mac16,1", CoreCounts::unknown());
    EXPECT_EQ(found.origin, CPUSensorRules::KeyOrigin::generic());
    // Tp0X (a 2-byte integer) and Tp1a (a 2-byte "flt ") have the shape but are no float readings.
    EXPECT_EQ(found.keys, (std::vector<std::string>{"Tp01", "Tp05", "Tp09", "Tp0D", "Tp0b", "Tp0f", "Te05", "Te0L"}));
}

TEST(SMCConnectionOnSimulator, ReadsFansAndWritesRoundTrip) {
    SimProcess sim(machine("m5max"));
    SMCConnection smc(sim.smcPath());
    ASSERT_EQ(smc.fanCount(), 2);
    EXPECT_EQ(smc.fanModeKey(1), "F1md");
    const auto idle = smc.fanReading(0);
    ASSERT_TRUE(idle);
    EXPECT_EQ(idle->minRPM, 1350);
    EXPECT_EQ(idle->maxRPM, 5349);
    EXPECT_EQ(idle->actual, 0);  // a cool machine's fans stand still
    EXPECT_EQ(idle->forced, std::optional<bool>(false));

    smc.writeRaw("F0md", {1});
    smc.writeRaw("F0Tg", floatBytesLE(3000));
    const auto forced = smc.fanReading(0);
    ASSERT_TRUE(forced);
    EXPECT_EQ(forced->forced, std::optional<bool>(true));
    EXPECT_EQ(forced->target, 3000);
    EXPECT_EQ(smc.readFloat("F0Tg"), 3000);
    const auto state = sim.state();
    ASSERT_TRUE(state);
    EXPECT_EQ((*state)["fans"][0]["mode"], 1);
    EXPECT_EQ((*state)["fans"][0]["target"], 3000);

    smc.writeRaw("F0md", {0});
    EXPECT_EQ(smc.fanReading(0)->forced, std::optional<bool>(false));
}

TEST(SMCConnectionOnSimulator, WriteErrorsCarryTheDriversResult) {
    SimProcess sim(machine("m5max"));
    SMCConnection smc(sim.smcPath());
    const struct {
        const char* name;
        std::string key;
        std::vector<uint8_t> bytes;
        SMCError expected;
    } cases[] = {
        {"size", "F0Tg", {1, 2, 3}, SMCError::sizeMismatch("F0Tg", 4, 3)},
        {"not writable", "F0Mx", floatBytesLE(1), SMCError::smc(std::string(SMCConnection::writePathMarker) + "F0Mx", 0x86)},
        {"unknown key", "ZZZZ", {1}, SMCError::smc("ZZZZ", 0x84)},
    };
    for (const auto& c : cases) {
        try {
            smc.writeRaw(c.key, c.bytes);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const SMCError& e) {
            EXPECT_EQ(e, c.expected) << c.name << ": " << e.what();
        }
    }
    EXPECT_EQ(std::string(SMCError::sizeMismatch("F0Tg", 4, 3).what()), "键 F0Tg 需要 4 字节，给了 3 字节");
    EXPECT_EQ(smc.readFloat("F0Mx"), 5349);  // nothing was changed
}

TEST(SMCConnectionOnSimulator, EnumeratesEveryKeyOnce) {
    SimProcess sim(machine("m5max"));
    SMCConnection smc(sim.smcPath());
    const auto count = smc.readRaw("#KEY");
    ASSERT_EQ(count.bytes.size(), 4u);
    const uint32_t total = static_cast<uint32_t>(count.bytes[0]) << 24 | count.bytes[1] << 16 | count.bytes[2] << 8 | count.bytes[3];
    std::set<std::string> names;
    for (uint32_t i = 0; i < total; ++i) {
        const auto name = smc.keyName(i);
        ASSERT_TRUE(name) << i;
        names.insert(*name);
    }
    EXPECT_FALSE(smc.keyName(total));
    EXPECT_EQ(names.size(), total);
    for (const auto& key : m5MaxTable) EXPECT_TRUE(names.count(key)) << key;
    for (const char* key : {"FNum", "F0Ac", "F0Mn", "F0Mx", "F0Tg", "F0md", "F1md"}) EXPECT_TRUE(names.count(key)) << key;
}

TEST(SMCConnectionWithoutDevice, ReadsNothingOnceTheSimulatorHasStopped) {
    auto sim = std::make_unique<SimProcess>(machine("m5max"));
    const std::string path = sim->smcPath();
    SMCConnection smc(path);
    ASSERT_EQ(smc.fanCount(), 2);
    ASSERT_TRUE(sim->terminate());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(smc.readValue("FNum"));
    EXPECT_EQ(smc.fanCount(), 0);
}

}  // namespace
}  // namespace ventiq
