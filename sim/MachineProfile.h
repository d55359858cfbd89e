#pragma once
// One simulated machine as its profile file describes it: model, performance
// levels, thermal nodes, fans, SMC keys, HID temperature services and drives.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace ventiq::sim {

// A lump of the machine that heats with load and cools through the chassis
// and, more strongly, through the fans' airflow.
struct ThermalNode {
    std::string name;
    bool isCPU = false;
    double idlePower = 0;       // at load 0
    double loadPower = 0;       // at load 1
    double capacity = 1;        // heat per °C
    double conductance = 0;     // passive loss per °C above ambient
    double fanConductance = 0;  // extra loss per °C at full airflow
};

struct FanDef {
    int index = 0;
    double minRPM = 0;
    double maxRPM = 0;
    // "md", "Md" or empty for a fan without a mode key.
    std::string modeSuffix = "md";
    // Automatic mode: the fan starts at startTemp, stops below stopTemp and in
    // between follows the curve (°C, rpm), clamped into the fan's range.
    double startTemp = 60;
    double stopTemp = 55;
    std::vector<std::pair<double, double>> curve;
};

// A key whose value is either a thermal node's temperature plus an offset, or
// a fixed value, or fixed raw bytes.
struct SMCKeyDef {
    std::string key;
    std::string type = "flt ";
    uint32_t size = 4;
    bool writable = false;
    std::string node;
    double offset = 0;
    std::optional<double> value;
    std::vector<uint8_t> bytes;
};

struct HIDServiceDef {
    std::string product;
    std::string node;
    double offset = 0;
    // Fixed reading instead of a node; a null value is a service that delivers no value.
    bool fixed = false;
    std::optional<double> value;
};

struct PerfLevel {
    std::string name;
    int physicalCPU = 0;
};

struct MachineProfile {
    std::string name;
    std::string model;
    std::vector<PerfLevel> perfLevels;
    std::vector<ThermalNode> nodes;
    std::vector<FanDef> fans;
    // False on a machine without the FNum key.
    bool hasFanCount = true;
    std::vector<SMCKeyDef> keys;
    std::vector<HIDServiceDef> hid;
    std::vector<std::string> drives;
    double ambient = 25;
    double initialLoad = 0.1;
    double fanTimeConstant = 2.0;
    double temperatureNoise = 0.1;
    double rpmNoise = 2.0;

    // Throws std::runtime_error naming the first problem.
    static MachineProfile fromJson(const nlohmann::json& json);
    static MachineProfile parse(const std::string& text);
    // A built-in machine by name (m5max, …) or model identifier, else a profile file path.
    static MachineProfile load(const std::string& nameOrPath);
    static std::vector<std::string> builtInNames();
};

// Natural byte width of an SMC data type, 0 when unknown.
uint32_t naturalSize(const std::string& type);
// A number in the SMC's encoding of the type, resized to size bytes.
std::vector<uint8_t> encodeValue(const std::string& type, uint32_t size, double value);

}  // namespace ventiq::sim
