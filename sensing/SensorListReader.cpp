#include "sensing/SensorListReader.h"

#include <algorithm>
#include <map>
#include <set>

#include "platform/PlatformServicesClient.h"
#include "sensing/HIDTemperatureReading.h"
#include "sensing/InternalDrives.h"
#include "sensing/SensorProfiles.h"
#include "smc/SMCReading.h"

namespace ventiq {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Three-way comparison of two digit runs by value, ignoring leading zeros.
int compareNumbers(std::string_view a, std::string_view b) {
    const auto stripped = [](std::string_view s) {
        const size_t first = s.find_first_not_of('0');
        return first == std::string_view::npos ? std::string_view() : s.substr(first);
    };
    a = stripped(a);
    b = stripped(b);
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

SensorListReader::SensorListReader(std::shared_ptr<const SMCReading> smc, std::shared_ptr<HIDTemperatureReading> hid,
                                   std::string model, CoreCounts counts, DriveNames driveNames)
    : smc_(std::move(smc)),
      hid_(std::move(hid)),
      model_(std::move(model)),
      counts_(std::move(counts)),
      driveNames_(std::move(driveNames)) {}

SensorListReader::DriveNames SensorListReader::driveNamesFrom(std::shared_ptr<const PlatformServicesClient> platform) {
    return [platform = std::move(platform)] { return InternalDrives::names(*platform, "/sys"); };
}

std::optional<double> SensorListReader::valid(std::optional<double> t) {
    return t && CPUSensorRules::isValidTemp(*t) ? t : std::nullopt;
}

std::optional<double> SensorListReader::average(const std::vector<std::optional<double>>& values) {
    double sum = 0;
    int count = 0;
    for (const auto& v : values)
        if (valid(v)) {
            sum += *v;
            ++count;
        }
    if (count == 0) return std::nullopt;
    return sum / count;
}

bool SensorListReader::naturalLess(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            size_t endA = i;
            size_t endB = j;
            while (endA < a.size() && isDigit(a[endA])) ++endA;
            while (endB < b.size() && isDigit(b[endB])) ++endB;
            if (const int c = compareNumbers(a.substr(i, endA - i), b.substr(j, endB - j)); c != 0) return c < 0;
            i = endA;
            j = endB;
            continue;
        }
        const auto ca = static_cast<unsigned char>(lower(a[i]));
        const auto cb = static_cast<unsigned char>(lower(b[j]));
        if (ca != cb) return ca < cb;
        ++i;
        ++j;
    }
    return i == a.size() && j < b.size();
}

void SensorListReader::probeIfNeeded() {
    if (!smc_ || (plan_ && !plan_->isEmpty())) return;
    if (readsUntilReprobe_ >= 1) {
        --readsUntilReprobe_;
        return;
    }
    readsUntilReprobe_ = reprobeInterval;
    const SMCReading& smc = *smc_;
    const auto exists = [&smc](const std::string& key) { return CPUSensorRules::floatKeyExists(smc, key); };
    if (const auto table = SensorProfiles::profile(model_)) {
        auto plan = SensorPlan::make(*table, counts_, exists);
        if (!plan.cpu.empty()) {
            plan_ = std::move(plan);
            origin_ = CPUSensorRules::KeyOrigin::profile(table->id);
            return;
        }
    }
    std::vector<std::string> cpuKeys;
    for (const auto& key : CPUSensorRules::genericCandidateKeys())
        if (exists(key)) cpuKeys.push_back(key);
    plan_ = SensorPlan::makeGeneric(cpuKeys, exists);
    origin_ = CPUSensorRules::KeyOrigin::generic();
}

SensorListSnapshot SensorListReader::read() {
    const std::vector<HIDReading> hid = hid_ ? hid_->readAllHID() : std::vector<HIDReading>();
    std::set<std::string> products;
    for (const auto& reading : hid) products.insert(reading.product);

    if (!drivesRead_) {
        drives_ = driveNames_ ? driveNames_() : std::vector<std::string>();
        drivesRead_ = true;
    }

    probeIfNeeded();

    std::vector<SensorRow> rows;
    if (smc_ && plan_) {
        // Each key is read once per pass: a two-name key and the CPU average
        // reuse the value, and every read costs two driver calls.
        std::map<std::string, std::optional<double>> cache;
        const auto reading = [&](const std::string& key) {
            const auto it = cache.find(key);
            if (it != cache.end()) return it->second;
            return cache.emplace(key, valid(smc_->readFloat(key))).first->second;
        };
        const auto appendItems = [&](const std::vector<SensorPlan::Item>& items) {
            for (const auto& item : items)
                rows.push_back({"smc:" + item.key + ":" + item.name, item.name, item.icon, reading(item.key), false});
        };
        appendItems(plan_->singles);
        appendItems(plan_->cpu);
        if (!plan_->cpu.empty()) {
            std::vector<std::optional<double>> cores;
            for (const auto& key : plan_->cpuKeys()) cores.push_back(reading(key));
            rows.push_back({"avg:cpu", "CPU Core Average", SensorIcon::cpu, average(cores), true});
        }
        appendItems(plan_->gpu);
        if (!plan_->gpu.empty()) {
            std::vector<std::optional<double>> clusters;
            for (const auto& item : plan_->gpu) clusters.push_back(reading(item.key));
            rows.push_back({"avg:gpu", "GPU Cluster Average", SensorIcon::gpu, average(clusters), true});
        }
    }

    for (const auto& row : SensorProfiles::hidRows()) {
        const auto feeds = [&row](const std::string& product) {
            return std::find(row.products.begin(), row.products.end(), product) != row.products.end();
        };
        if (std::none_of(row.products.begin(), row.products.end(),
                         [&](const std::string& p) { return products.contains(p); }))
            continue;
        std::vector<std::optional<double>> readings;
        for (const auto& r : hid)
            if (feeds(r.product)) readings.push_back(r.temp);
        std::optional<double> value;
        if (row.reduce == HIDRowSpec::Reduce::max) {
            for (const auto& r : readings)
                if (valid(r)) value = std::max(value.value_or(*r), *r);
        } else {
            value = average(readings);
        }
        rows.push_back({"hid:" + row.id, row.name, row.icon, value, row.isAverage});
    }

    std::stable_sort(rows.begin(), rows.end(),
                     [](const SensorRow& a, const SensorRow& b) { return naturalLess(a.name, b.name); });

    std::vector<SensorRow> disks;
    if (products.contains(SensorProfiles::nandProduct) || !drives_.empty()) {
        std::optional<double> nand;
        for (const auto& r : hid)
            if (r.product == SensorProfiles::nandProduct && valid(r.temp)) nand = std::max(nand.value_or(*r.temp), *r.temp);
        const std::vector<std::string> names = drives_.empty() ? std::vector<std::string>{"SSD"} : drives_;
        for (size_t i = 0; i < names.size(); ++i)
            disks.push_back({"disk:" + std::to_string(i) + ":" + names[i], names[i], SensorIcon::disk,
                             i == 0 ? nand : std::nullopt, false});
    }
    return {std::move(rows), std::move(disks)};
}

}  // namespace ventiq
