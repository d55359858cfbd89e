#include "sensing/SensorProfiles.h"

#include <initializer_list>

namespace ventiq::SensorProfiles {

namespace {

using Key = SensorProfile::Key;

// Names are written "first;second" for a key that stands for two cores.
Key key(const char* code, const std::string& names, SensorIcon icon) {
    Key k{code, {}, icon};
    size_t start = 0;
    while (true) {
        const size_t end = names.find(';', start);
        k.names.push_back(names.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return k;
}

std::vector<Key> numbered(const std::string& prefix, std::initializer_list<const char*> codes, SensorIcon icon) {
    std::vector<Key> keys;
    int position = 1;
    for (const char* code : codes) keys.push_back(key(code, prefix + " " + std::to_string(position++), icon));
    return keys;
}

std::vector<Key> gpuClusters(std::initializer_list<const char*> codes) {
    return numbered("GPU Cluster", codes, SensorIcon::gpu);
}

std::vector<Key> cpuCores(const std::string& prefix, std::initializer_list<const char*> codes) {
    return numbered(prefix, codes, SensorIcon::cpu);
}

}  // namespace

const std::vector<Key>& commonSingles() {
    static const std::vector<Key> table{
        key("TA0P", "Ambient", SensorIcon::none),
        key("TB0T", "Battery", SensorIcon::none),
        key("Th1H", "Heatsink Proximity", SensorIcon::none),
        key("TPMP", "Power Supply Proximity", SensorIcon::power),
        key("TW0P", "Airport Proximity", SensorIcon::airport),
        key("Ts0P", "Trackpad", SensorIcon::none),
        key("Ts1P", "Trackpad Actuator", SensorIcon::none),
    };
    return table;
}

// Tp00 is left out on purpose: on these models it is a power-supply probe,
// not a core. Tp1I and Tp1g run cooler than the other Super keys and fall to
// the core-count trim on machines reporting six Super cores.
const SensorProfile& m5ProMax() {
    static const SensorProfile table{
        "m5-pro-max",
        commonSingles(),
        {
            {"Performance",
             cpuCores("CPU Performance Core",
                      {"Tm04", "Tm0G", "Tm0R", "Tm0a", "Tm0j", "Tm1Q", "Tm1c", "Tm1o", "Tm21", "Tm2D", "Tm2P", "Tm2n"})},
            {"Super", cpuCores("CPU Super Core", {"Tp04", "Tp0G", "Tp0R", "Tp0a", "Tp0j", "Tp0u", "Tp1I", "Tp1g"})},
        },
        gpuClusters({"Tg08", "Tg12", "Tg1x", "Tg29"}),
    };
    return table;
}

// Each Efficiency key covers two cores, so it carries two names.
const SensorProfile& m5Base() {
    static const SensorProfile table{
        "m5-base",
        commonSingles(),
        {
            {"Performance", cpuCores("CPU Performance Core", {"Tp00", "Tp0C", "Tp0O", "Tp0X"})},
            {"Efficiency",
             {
                 key("Te04", "CPU Efficiency Core 1;CPU Efficiency Core 4", SensorIcon::cpu),
                 key("Te08", "CPU Efficiency Core 2;CPU Efficiency Core 5", SensorIcon::cpu),
                 key("Te0C", "CPU Efficiency Core 3;CPU Efficiency Core 6", SensorIcon::cpu),
             }},
        },
        gpuClusters({"Tg04", "Tg12"}),
    };
    return table;
}

// This model reports its airport probe as TW0p, with a lower-case p.
const SensorProfile& macBookNeo() {
    static const SensorProfile table = [] {
        SensorProfile p{"macbook-neo", {key("TW0p", "Airport Proximity", SensorIcon::airport)}, {}, {}};
        p.singles.insert(p.singles.end(), commonSingles().begin(), commonSingles().end());
        p.cores = {
            {"Performance", cpuCores("CPU Performance Core", {"Tp01", "Tp09"})},
            {"Efficiency", cpuCores("CPU Efficiency Core", {"Te05", "Te06", "Tex0", "Tex1"})},
        };
        p.gpu = gpuClusters({"Tg05", "Tg0D"});
        return p;
    }();
    return table;
}

const SensorProfile& generic() {
    static const SensorProfile table{"generic", commonSingles(), {}, {}};
    return table;
}

// There is no "PMU tdie3" service on these machines.
const std::vector<HIDRowSpec>& hidRows() {
    using R = HIDRowSpec::Reduce;
    static const std::vector<HIDRowSpec> table{
        {"gpuprox", {"GPU MTR Temp Sensor1", "GPU MTR Temp Sensor4"}, "GPU Proximity", SensorIcon::gpu, R::average, true},
        {"gauge", {"gas gauge battery"}, "Battery Gas Gauge", SensorIcon::none, R::max, false},
        {"soc0", {"SOC MTR Temp Sensor0"}, "M1 SOC Sensor 1", SensorIcon::none, R::average, false},
        {"soc1", {"SOC MTR Temp Sensor1"}, "M1 SOC Sensor 2", SensorIcon::none, R::average, false},
        {"soc2", {"SOC MTR Temp Sensor2"}, "M1 SOC Sensor 3", SensorIcon::none, R::average, false},
        {"eacc", {"eACC MTR Temp Sensor0", "eACC MTR Temp Sensor3"}, "CPU Efficiency Cores Average", SensorIcon::cpu,
         R::average, true},
        {"pacc",
         {"pACC MTR Temp Sensor2", "pACC MTR Temp Sensor3", "pACC MTR Temp Sensor4", "pACC MTR Temp Sensor5",
          "pACC MTR Temp Sensor7", "pACC MTR Temp Sensor8", "pACC MTR Temp Sensor9"},
         "CPU Performance Cores Average", SensorIcon::cpu, R::average, true},
        {"ane", {"ANE MTR Temp Sensor1"}, "M1 Neural Engine", SensorIcon::none, R::average, false},
        {"isp", {"ISP MTR Temp Sensor5"}, "M1 Image Signal Processor", SensorIcon::none, R::average, false},
        {"pmgrsoc", {"PMGR SOC Die Temp Sensor0", "PMGR SOC Die Temp Sensor1", "PMGR SOC Die Temp Sensor2"},
         "Power Manager SOC Die Average", SensorIcon::power, R::average, true},
        {"pmudie", {"PMU tdie1", "PMU tdie2", "PMU tdie4", "PMU tdie5", "PMU tdie6", "PMU tdie7", "PMU tdie8"},
         "Power Manager Die Average", SensorIcon::power, R::average, true},
        {"charger", {"Charger TQ0d"}, "Charger Proximity", SensorIcon::power, R::average, false},
    };
    return table;
}

std::optional<SensorProfile> profile(const std::string& forModel) {
    if (forModel == "Mac17,6" || forModel == "Mac17,7" || forModel == "Mac17,8" || forModel == "Mac17,9")
        return m5ProMax();
    if (forModel == "Mac17,2" || forModel == "Mac17,3" || forModel == "Mac17,4") return m5Base();
    if (forModel == "Mac17,5") return macBookNeo();
    return std::nullopt;
}

}  // namespace ventiq::SensorProfiles
