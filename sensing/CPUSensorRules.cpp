#include "sensing/CPUSensorRules.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

#include "sensing/CoreCounts.h"
#include "sensing/SensorPlan.h"
#include "sensing/SensorProfiles.h"
#include "smc/SMCReading.h"

namespace ventiq::CPUSensorRules {

namespace {

bool isAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string lowercased(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

}  // namespace

bool isCPUCoreKey(std::string_view key) {
    return key.size() == 4 && key[0] == 'T' && (key[1] == 'p' || key[1] == 'e') && key[2] >= '0' && key[2] <= '3' &&
           isAsciiAlnum(key[3]);
}

const std::vector<std::string>& genericCandidateKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> list;
        for (const char* prefix : {"Tp", "Te"})
            for (char level = '0'; level <= '3'; ++level)
                for (char last : alnum) {
                    std::string key = std::string(prefix) + level + last;
                    if (isCPUCoreKey(key)) list.push_back(std::move(key));
                }
        return list;
    }();
    return keys;
}

bool isValidTemp(double t) { return std::isfinite(t) && t > 0 && t < 125; }

std::optional<Stats> stats(const std::vector<double>& values) {
    double sum = 0;
    double max = 0;
    int count = 0;
    for (double v : values) {
        if (!isValidTemp(v)) continue;
        max = count == 0 ? v : std::max(max, v);
        sum += v;
        ++count;
    }
    if (count == 0) return std::nullopt;
    return Stats{max, sum / count};
}

HIDKind hidKind(std::string_view product) {
    const std::string lower = lowercased(product);
    const auto contains = [&](std::string_view part) { return lower.find(part) != std::string::npos; };
    if (contains("pacc mtr") || contains("eacc mtr")) return HIDKind::coreCluster;
    // Case-sensitive on purpose: "PMU tcal" and "PMU tdev" are not die sensors.
    if (product.starts_with("PMU tdie")) return HIDKind::die;
    if (contains("nand") || contains("ssd")) return HIDKind::ssd;
    if (contains("battery")) return HIDKind::battery;
    return HIDKind::other;
}

bool floatKeyExists(const SMCReading& smc, const std::string& key) {
    const auto value = smc.readValue(key);
    return value && value->float_().has_value();
}

Discovery discoverKeys(const SMCReading& smc, const std::string& model, const CoreCounts& counts) {
    const auto exists = [&smc](const std::string& key) { return floatKeyExists(smc, key); };
    // A table's keys stay core keys even while they read 0 or 130; the reading
    // is judged later. Keys outside the table are never cores on that model.
    if (const auto table = SensorProfiles::profile(model)) {
        auto keys = SensorPlan::make(*table, counts, exists).cpuKeys();
        if (!keys.empty()) return {std::move(keys), KeyOrigin::profile(table->id)};
    }
    Discovery found{{}, KeyOrigin::generic()};
    for (const auto& key : genericCandidateKeys())
        if (exists(key)) found.keys.push_back(key);
    return found;
}

TempSnapshot combine(const std::vector<double>& smcCores, const std::vector<HIDReading>& hid, int sensorCount) {
    std::vector<double> clusters;
    std::vector<double> dies;
    std::vector<double> batteries;
    TempSnapshot snapshot;
    for (const auto& reading : hid) {
        if (!reading.temp || !isValidTemp(*reading.temp)) continue;
        const double t = *reading.temp;
        switch (hidKind(reading.product)) {
        case HIDKind::coreCluster: clusters.push_back(t); break;
        case HIDKind::die: dies.push_back(t); break;
        case HIDKind::ssd: snapshot.ssd = std::max(snapshot.ssd.value_or(t), t); break;
        case HIDKind::battery: batteries.push_back(t); break;
        case HIDKind::other: break;
        }
    }
    // Sources are never mixed: the die sensor reads lower than the cores and
    // would drag the average down.
    const std::pair<const std::vector<double>*, CPUTempSource> ranked[] = {
        {&smcCores, CPUTempSource::smcCores},
        {&clusters, CPUTempSource::hidCoreClusters},
        {&dies, CPUTempSource::hidDie},
    };
    for (const auto& [values, source] : ranked) {
        if (const auto s = stats(*values)) {
            snapshot.cpuMax = s->max;
            snapshot.cpuAvg = s->avg;
            snapshot.cpuSource = source;
            break;
        }
    }
    if (!batteries.empty()) snapshot.battery = *std::max_element(batteries.begin(), batteries.end());
    snapshot.sensorCount = sensorCount;
    return snapshot;
}

}  // namespace ventiq::CPUSensorRules
