#include "sim/MachineProfile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>

#include "sim/EmbeddedProfiles.h"
#include "smc/FourCC.h"

namespace ventiq::sim {

namespace {

using nlohmann::json;

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error("machine profile: " + what); }

double number(const json& object, const char* field, std::optional<double> fallback = std::nullopt) {
    const auto it = object.find(field);
    if (it == object.end()) {
        if (fallback) return *fallback;
        fail(std::string("missing \"") + field + "\"");
    }
    if (!it->is_number() || !std::isfinite(it->get<double>())) fail(std::string("\"") + field + "\" is not a number");
    return it->get<double>();
}

std::string text(const json& object, const char* field, std::optional<std::string> fallback = std::nullopt) {
    const auto it = object.find(field);
    if (it == object.end()) {
        if (fallback) return *fallback;
        fail(std::string("missing \"") + field + "\"");
    }
    if (!it->is_string()) fail(std::string("\"") + field + "\" is not text");
    return it->get<std::string>();
}

const json& array(const json& object, const char* field) {
    static const json empty = json::array();
    const auto it = object.find(field);
    if (it == object.end()) return empty;
    if (!it->is_array()) fail(std::string("\"") + field + "\" is not a list");
    return *it;
}

std::vector<uint8_t> hexBytes(const std::string& hex) {
    if (hex.size() % 2 != 0) fail("odd number of hex digits in " + hex);
    std::vector<uint8_t> out;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const std::string pair = hex.substr(i, 2);
        if (!std::isxdigit(static_cast<unsigned char>(pair[0])) || !std::isxdigit(static_cast<unsigned char>(pair[1])))
            fail("bad hex digits " + pair);
        out.push_back(static_cast<uint8_t>(std::stoul(pair, nullptr, 16)));
    }
    return out;
}

void putBigEndian(std::vector<uint8_t>& out, uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

uint32_t naturalSize(const std::string& type) {
    if (type == "flt " || type == "ui32" || type == "si32") return 4;
    if (type == "ui16" || type == "si16" || type == "sp78" || type == "fpe2") return 2;
    if (type == "ui8 " || type == "si8 " || type == "hex_" || type == "flag") return 1;
    return 0;
}

std::vector<uint8_t> encodeValue(const std::string& type, uint32_t size, double value) {
    std::vector<uint8_t> out;
    // The SMC keeps floats little-endian and its integer and fixed-point types big-endian.
    if (type == "flt ") {
        out = floatBytesLE(static_cast<float>(value));
    } else if (type == "ui8 " || type == "hex_" || type == "flag") {
        out.push_back(static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)));
    } else if (type == "si8 ") {
        out.push_back(static_cast<uint8_t>(static_cast<int8_t>(std::clamp(std::lround(value), -128L, 127L))));
    } else if (type == "ui16") {
        putBigEndian(out, static_cast<uint64_t>(std::clamp(std::llround(value), 0LL, 65535LL)), 2);
    } else if (type == "si16") {
        putBigEndian(out, static_cast<uint16_t>(static_cast<int16_t>(std::clamp(std::llround(value), -32768LL, 32767LL))), 2);
    } else if (type == "ui32") {
        putBigEndian(out, static_cast<uint64_t>(std::clamp(std::llround(value), 0LL, 4294967295LL)), 4);
    } else if (type == "si32") {
        putBigEndian(out, static_cast<uint32_t>(static_cast<int32_t>(std::clamp(std::llround(value), -2147483648LL, 2147483647LL))), 4);
    } else if (type == "sp78") {
        putBigEndian(out, static_cast<uint16_t>(static_cast<int16_t>(std::clamp(std::llround(value * 256), -32768LL, 32767LL))), 2);
    } else if (type == "fpe2") {
        putBigEndian(out, static_cast<uint64_t>(std::clamp(std::llround(value * 4), 0LL, 65535LL)), 2);
    }
    out.resize(size, 0);
    return out;
}

MachineProfile MachineProfile::fromJson(const json& j) {
    if (!j.is_object()) fail("not a JSON object");
    MachineProfile p;
    p.name = text(j, "name", "");
    p.model = text(j, "model");
    p.ambient = number(j, "ambient", 25.0);
    p.initialLoad = std::clamp(number(j, "load", 0.1), 0.0, 1.0);
    p.fanTimeConstant = std::max(0.05, number(j, "fanTimeConstant", 2.0));
    p.temperatureNoise = std::max(0.0, number(j, "temperatureNoise", 0.1));
    p.rpmNoise = std::max(0.0, number(j, "rpmNoise", 2.0));

    for (const auto& level : array(j, "perflevels")) {
        const std::string name = text(level, "name");
        const double cores = number(level, "physicalcpu");
        if (!(cores >= 1 && cores <= 1024)) fail("perflevel " + name + " needs 1 to 1024 cores");
        PerfLevel l{name, static_cast<int>(cores)};
        p.perfLevels.push_back(l);
    }

    std::set<std::string> nodeNames;
    for (const auto& n : array(j, "nodes")) {
        ThermalNode node;
        node.name = text(n, "name");
        node.isCPU = text(n, "kind", "other") == "cpu";
        node.idlePower = number(n, "idle");
        node.loadPower = number(n, "full");
        node.capacity = number(n, "capacity");
        node.conductance = number(n, "conductance");
        node.fanConductance = number(n, "fanConductance", 0.0);
        if (node.capacity <= 0 || node.conductance <= 0) fail("node " + node.name + " needs a positive capacity and conductance");
        if (!nodeNames.insert(node.name).second) fail("node " + node.name + " appears twice");
        p.nodes.push_back(node);
    }
    if (std::none_of(p.nodes.begin(), p.nodes.end(), [](const ThermalNode& n) { return n.isCPU; }))
        fail("no cpu node");

    const auto checkNode = [&](const std::string& name, const std::string& user) {
        if (!nodeNames.count(name)) fail(user + " follows unknown node " + name);
    };

    for (const auto& f : array(j, "fans")) {
        FanDef fan;
        fan.index = static_cast<int>(p.fans.size());
        fan.minRPM = number(f, "min");
        fan.maxRPM = number(f, "max");
        fan.modeSuffix = text(f, "modeKey", "md");
        fan.startTemp = number(f, "start");
        fan.stopTemp = number(f, "stop");
        for (const auto& point : array(f, "curve")) {
            if (!point.is_array() || point.size() != 2 || !point[0].is_number() || !point[1].is_number())
                fail("fan curve points are [celsius, rpm]");
            fan.curve.emplace_back(point[0].get<double>(), point[1].get<double>());
        }
        if (fan.modeSuffix != "md" && fan.modeSuffix != "Md" && !fan.modeSuffix.empty())
            fail("fan mode key must be \"md\", \"Md\" or \"\"");
        if (fan.minRPM < 0 || fan.maxRPM <= fan.minRPM) fail("fan range must have 0 <= min < max");
        if (fan.curve.empty()) fail("fan without a curve");
        if (!std::is_sorted(fan.curve.begin(), fan.curve.end())) fail("fan curve must rise in temperature");
        p.fans.push_back(fan);
    }
    p.hasFanCount = j.value("fanCountKey", true);

    std::set<std::string> keyNames;
    for (const auto& k : array(j, "keys")) {
        SMCKeyDef key;
        key.key = text(k, "key");
        if (key.key.size() != 4) fail("key " + key.key + " is not four characters");
        key.type = text(k, "type", "flt ");
        if (key.type.size() != 4) fail("type of " + key.key + " is not four characters");
        const uint32_t natural = naturalSize(key.type);
        key.writable = k.value("writable", false);
        std::vector<uint8_t> raw;
        if (k.contains("bytes")) raw = hexBytes(text(k, "bytes"));
        // Checked before the cast and before anything is sized by it: a key's
        // value has to fit the record's 32 value bytes, which a write copies from.
        const double size = number(k, "size", k.contains("bytes") ? static_cast<double>(raw.size()) : natural);
        if (!(size >= 1 && size <= 32) || size != std::floor(size)) fail("size of " + key.key + " must be 1 to 32");
        key.size = static_cast<uint32_t>(size);
        if (k.contains("bytes")) {
            key.bytes = std::move(raw);
            key.bytes.resize(key.size, 0);
        } else if (k.contains("value")) {
            key.value = number(k, "value");
        } else {
            key.node = text(k, "node");
            checkNode(key.node, key.key);
            key.offset = number(k, "offset", 0.0);
        }
        if (!key.bytes.empty() || key.value) {
            if (key.value && natural == 0) fail("cannot encode a number as " + key.type);
        } else if (natural == 0) {
            fail("key " + key.key + " follows a node but its type " + key.type + " holds no number");
        }
        if (!keyNames.insert(key.key).second) fail("key " + key.key + " appears twice");
        p.keys.push_back(key);
    }

    for (const auto& h : array(j, "hid")) {
        HIDServiceDef def;
        def.product = text(h, "product");
        if (h.contains("value")) {
            def.fixed = true;
            if (!h["value"].is_null()) def.value = number(h, "value");
        } else {
            def.node = text(h, "node");
            checkNode(def.node, def.product);
            def.offset = number(h, "offset", 0.0);
        }
        p.hid.push_back(def);
    }

    for (const auto& d : array(j, "drives")) {
        if (!d.is_string()) fail("drive names are text");
        p.drives.push_back(d.get<std::string>());
    }
    return p;
}

MachineProfile MachineProfile::parse(const std::string& text) {
    const json j = json::parse(text, nullptr, false);
    if (j.is_discarded()) fail("not valid JSON");
    return fromJson(j);
}

MachineProfile MachineProfile::load(const std::string& nameOrPath) {
    const bool looksLikePath = nameOrPath.find('/') != std::string::npos ||
                               (nameOrPath.size() > 5 && nameOrPath.ends_with(".json"));
    if (!looksLikePath) {
        for (const auto& [name, body] : embeddedProfiles()) {
            if (name != nameOrPath) continue;
            MachineProfile p = parse(std::string(body));
            if (p.name.empty()) p.name = std::string(name);
            return p;
        }
        for (const auto& [name, body] : embeddedProfiles()) {
            MachineProfile p = parse(std::string(body));
            if (p.model != nameOrPath) continue;
            if (p.name.empty()) p.name = std::string(name);
            return p;
        }
        std::string known;
        for (const auto& name : builtInNames()) known += (known.empty() ? "" : ", ") + name;
        throw std::runtime_error("unknown machine " + nameOrPath + " (built in: " + known + ")");
    }
    std::ifstream in(nameOrPath);
    if (!in) throw std::runtime_error("cannot read " + nameOrPath + ": " + std::strerror(errno));
    std::stringstream buffer;
    buffer << in.rdbuf();
    return parse(buffer.str());
}

std::vector<std::string> MachineProfile::builtInNames() {
    std::vector<std::string> names;
    for (const auto& entry : embeddedProfiles()) names.emplace_back(entry.first);
    return names;
}

}  // namespace ventiq::sim
