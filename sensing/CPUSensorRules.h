#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sensing/HIDTemperatureReading.h"
#include "sensing/TempSnapshot.h"

namespace ventiq {
class SMCReading;
struct CoreCounts;
}  // namespace ventiq

// Which SMC keys count as CPU cores, which readings are trusted, and how the
// sources rank. Stateless; the sensor list uses the same rules.
namespace ventiq::CPUSensorRules {

struct KeyOrigin {
    enum class Kind { profile, generic };

    Kind kind = Kind::generic;
    // The model table's identifier, empty for generic.
    std::string id;

    static KeyOrigin profile(std::string id) { return {Kind::profile, std::move(id)}; }
    static KeyOrigin generic() { return {Kind::generic, {}}; }

    bool operator==(const KeyOrigin&) const = default;
};

enum class HIDKind { coreCluster, die, ssd, battery, other };

inline constexpr std::string_view alnum = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// "T", then "p" or "e", then "0"-"3", then an ASCII letter or digit.
bool isCPUCoreKey(std::string_view key);

// Every Tp/Te key of that shape, Tp00 ... Te3z; 496 keys, built once.
const std::vector<std::string>& genericCandidateKeys();

// Strictly between 0 and 125 °C, finite. Sensors report -9201 or 0 when they
// have nothing, and nothing real runs at 125 °C.
bool isValidTemp(double t);

struct Stats {
    double max = 0;
    double avg = 0;
    bool operator==(const Stats&) const = default;
};
// Over the trusted values only; absent when none is trusted.
std::optional<Stats> stats(const std::vector<double>& values);

HIDKind hidKind(std::string_view product);

// The existence test of key discovery and probing: the key reads as a 4-byte
// float.
bool floatKeyExists(const SMCReading& smc, const std::string& key);

struct Discovery {
    std::vector<std::string> keys;
    KeyOrigin origin;
    bool operator==(const Discovery&) const = default;
};
// The model table's CPU keys when the machine has any of them, else every
// generic candidate that exists (possibly none).
Discovery discoverKeys(const SMCReading& smc, const std::string& model, const CoreCounts& counts);

// One source only: SMC cores, else HID core clusters, else the HID die sensor.
TempSnapshot combine(const std::vector<double>& smcCores, const std::vector<HIDReading>& hid, int sensorCount);

}  // namespace ventiq::CPUSensorRules
