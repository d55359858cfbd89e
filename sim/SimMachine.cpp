#include "sim/SimMachine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "smc/FourCC.h"

namespace ventiq::sim {

namespace {

using nlohmann::json;

// Substep of the physics: short against the fans' lag and every node's time constant.
constexpr double maxStep = 0.05;
// A stopping fan coasts down; below this it reads as standing still.
constexpr double stoppedRPM = 30;

struct RequestError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

double interpolate(const std::vector<std::pair<double, double>>& curve, double x) {
    if (x <= curve.front().first) return curve.front().second;
    if (x >= curve.back().first) return curve.back().second;
    for (size_t i = 1; i < curve.size(); ++i) {
        const auto& [x1, y1] = curve[i];
        const auto& [x0, y0] = curve[i - 1];
        if (x <= x1) return x1 == x0 ? y1 : y0 + (y1 - y0) * (x - x0) / (x1 - x0);
    }
    return curve.back().second;
}

float floatFromLE(const uint8_t* b) {
    const uint32_t bits = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                          static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double requireNumber(const json& request, const char* field) {
    const auto it = request.find(field);
    if (it == request.end() || !it->is_number()) throw RequestError(std::string("\"") + field + "\" must be a number");
    const double v = it->get<double>();
    if (!std::isfinite(v)) throw RequestError(std::string("\"") + field + "\" must be finite");
    return v;
}

std::string requireText(const json& request, const char* field) {
    const auto it = request.find(field);
    if (it == request.end() || !it->is_string()) throw RequestError(std::string("\"") + field + "\" must be text");
    return it->get<std::string>();
}

}  // namespace

SimMachine::SimMachine(MachineProfile profile, uint64_t seed)
    : profile_(std::move(profile)), rng_(seed), load_(profile_.initialLoad), ambient_(profile_.ambient) {
    // Start settled at the initial load with the fans still, as a machine that has idled for a while.
    for (const auto& node : profile_.nodes) {
        const double power = node.idlePower + load_ * (node.loadPower - node.idlePower);
        nodeTemps_.push_back(ambient_ + power / node.conductance);
    }
    fans_.resize(profile_.fans.size());
    const double cpu = hottestCPU();
    for (size_t i = 0; i < fans_.size(); ++i) {
        const auto& def = profile_.fans[i];
        fans_[i].running = cpu >= def.startTemp;
        if (fans_[i].running) fans_[i].actual = std::clamp(interpolate(def.curve, cpu), def.minRPM, def.maxRPM);
    }

    const auto add = [this](std::string name, std::string type, uint32_t size, bool writable, KeyRole role, int fan,
                            const SMCKeyDef* def) {
        KeyEntry e;
        e.code = fourCC(name);
        e.name = std::move(name);
        e.type = std::move(type);
        e.size = size;
        e.writable = writable;
        e.role = role;
        e.fan = fan;
        e.def = def;
        keys_.push_back(std::move(e));
    };
    add("#KEY", "ui32", 4, false, KeyRole::keyCount, -1, nullptr);
    if (profile_.hasFanCount) add("FNum", "ui8 ", 1, false, KeyRole::fanCount, -1, nullptr);
    for (const auto& fan : profile_.fans) {
        const std::string prefix = "F" + std::to_string(fan.index);
        add(prefix + "Ac", "flt ", 4, false, KeyRole::fanActual, fan.index, nullptr);
        add(prefix + "Mn", "flt ", 4, false, KeyRole::fanMin, fan.index, nullptr);
        add(prefix + "Mx", "flt ", 4, false, KeyRole::fanMax, fan.index, nullptr);
        add(prefix + "Tg", "flt ", 4, true, KeyRole::fanTarget, fan.index, nullptr);
        if (!fan.modeSuffix.empty()) add(prefix + fan.modeSuffix, "ui8 ", 1, true, KeyRole::fanMode, fan.index, nullptr);
    }
    for (const auto& def : profile_.keys)
        add(def.key, def.type, def.size, def.writable, KeyRole::profile, -1, &def);

    std::sort(keys_.begin(), keys_.end(), [](const KeyEntry& a, const KeyEntry& b) { return a.code < b.code; });
    for (size_t i = 0; i < keys_.size(); ++i) {
        // Keys of ten or more fans would collide after the fourth character.
        if (!keyIndex_.emplace(keys_[i].code, i).second)
            throw std::runtime_error("machine profile: key " + keys_[i].name + " defined twice");
    }
}

SimMachine::~SimMachine() = default;

double SimMachine::simulatedTime() const {
    std::lock_guard guard(mutex_);
    return time_;
}

double SimMachine::noise(double amplitude) {
    if (amplitude <= 0) return 0;
    return std::uniform_real_distribution<double>(-amplitude, amplitude)(rng_);
}

double SimMachine::hottestCPU() const {
    double hottest = -1e9;
    for (size_t i = 0; i < profile_.nodes.size(); ++i)
        if (profile_.nodes[i].isCPU) hottest = std::max(hottest, nodeTemps_[i]);
    return hottest;
}

void SimMachine::advance(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) return;
    std::lock_guard guard(mutex_);
    while (seconds > 0) {
        const double h = std::min(seconds, maxStep);
        step(h);
        seconds -= h;
    }
}

void SimMachine::step(double h) {
    double airflow = 0;
    for (size_t i = 0; i < fans_.size(); ++i) airflow += fans_[i].actual / profile_.fans[i].maxRPM;
    if (!fans_.empty()) airflow = std::clamp(airflow / static_cast<double>(fans_.size()), 0.0, 1.0);

    for (size_t i = 0; i < nodeTemps_.size(); ++i) {
        const auto& node = profile_.nodes[i];
        const double power = node.idlePower + load_ * (node.loadPower - node.idlePower);
        const double loss = (node.conductance + node.fanConductance * airflow) * (nodeTemps_[i] - ambient_);
        nodeTemps_[i] += h * (power - loss) / node.capacity;
    }

    const double cpu = hottestCPU();
    const double lag = 1.0 - std::exp(-h / profile_.fanTimeConstant);
    for (size_t i = 0; i < fans_.size(); ++i) {
        auto& fan = fans_[i];
        const auto& def = profile_.fans[i];
        // Hysteresis, so that a fan near its start temperature does not flap on and off.
        if (!fan.running && cpu >= def.startTemp) fan.running = true;
        if (fan.running && cpu < def.stopTemp) fan.running = false;
        double target = fan.running ? std::clamp(interpolate(def.curve, cpu), def.minRPM, def.maxRPM) : 0.0;
        if (fan.mode != 0 && !fan.ignoreTarget) {
            const double requested = std::isfinite(fan.target) ? fan.target : def.minRPM;
            target = std::clamp(requested, def.minRPM, def.maxRPM);
        }
        if (fan.stuck) continue;
        fan.actual += (target - fan.actual) * lag;
        if (target == 0 && fan.actual < stoppedRPM) fan.actual = 0;
    }
    time_ += h;
}

std::vector<const SimMachine::KeyEntry*> SimMachine::visibleKeys() const {
    std::vector<const KeyEntry*> out;
    for (const auto& e : keys_) {
        const auto f = keyFaults_.find(e.name);
        if (f == keyFaults_.end() || f->second.mode != Fault::Mode::missing) out.push_back(&e);
    }
    return out;
}

std::optional<std::vector<uint8_t>> SimMachine::keyBytes(const KeyEntry& e) {
    if (const auto f = keyFaults_.find(e.name); f != keyFaults_.end()) {
        switch (f->second.mode) {
            case Fault::Mode::missing: return std::nullopt;
            case Fault::Mode::nan: return encodeValue(e.type, e.size, std::nan(""));
            case Fault::Mode::value: return encodeValue(e.type, e.size, f->second.value);
        }
    }
    switch (e.role) {
        case KeyRole::keyCount: return encodeValue(e.type, e.size, static_cast<double>(visibleKeys().size()));
        case KeyRole::fanCount: return encodeValue(e.type, e.size, static_cast<double>(fans_.size()));
        case KeyRole::fanActual: {
            const double actual = fans_[e.fan].actual;
            return encodeValue(e.type, e.size, actual > 0 ? std::max(0.0, actual + noise(profile_.rpmNoise)) : 0.0);
        }
        case KeyRole::fanMin: return encodeValue(e.type, e.size, profile_.fans[e.fan].minRPM);
        case KeyRole::fanMax: return encodeValue(e.type, e.size, profile_.fans[e.fan].maxRPM);
        case KeyRole::fanTarget: return floatBytesLE(fans_[e.fan].target);
        case KeyRole::fanMode: return std::vector<uint8_t>{fans_[e.fan].mode};
        case KeyRole::profile: break;
    }
    if (!e.written.empty()) return e.written;
    const SMCKeyDef& def = *e.def;
    if (!def.bytes.empty()) return def.bytes;
    if (def.value) return encodeValue(e.type, e.size, *def.value);
    const auto node = std::find_if(profile_.nodes.begin(), profile_.nodes.end(),
                                   [&](const ThermalNode& n) { return n.name == def.node; });
    const double t = nodeTemps_[static_cast<size_t>(node - profile_.nodes.begin())];
    return encodeValue(e.type, e.size, t + def.offset + noise(profile_.temperatureNoise));
}

void SimMachine::writeKey(KeyEntry& e, const uint8_t* bytes) {
    switch (e.role) {
        case KeyRole::fanTarget: fans_[e.fan].target = floatFromLE(bytes); break;
        case KeyRole::fanMode: fans_[e.fan].mode = bytes[0]; break;
        case KeyRole::profile: e.written.assign(bytes, bytes + e.size); break;
        default: break;
    }
}

SMCKeyDataT SimMachine::call(const SMCKeyDataT& in) {
    SMCKeyDataT out;
    out.key = in.key;
    std::lock_guard guard(mutex_);

    const auto find = [&](uint32_t code) -> KeyEntry* {
        const auto it = keyIndex_.find(code);
        if (it == keyIndex_.end()) return nullptr;
        KeyEntry& e = keys_[it->second];
        const auto f = keyFaults_.find(e.name);
        if (f != keyFaults_.end() && f->second.mode == Fault::Mode::missing) return nullptr;
        return &e;
    };

    switch (in.data8) {
        case SMCCommand::keyInfo: {
            const KeyEntry* e = find(in.key);
            if (!e) {
                out.result = SMCResult::keyNotFound;
                break;
            }
            out.keyInfo.dataSize = e->size;
            out.keyInfo.dataType = fourCC(e->type);
            out.keyInfo.dataAttributes = e->writable ? 0xC0 : 0x80;
            break;
        }
        case SMCCommand::readKey: {
            const KeyEntry* e = find(in.key);
            if (!e) {
                out.result = SMCResult::keyNotFound;
                break;
            }
            if (in.keyInfo.dataSize != e->size) {
                out.result = SMCResult::sizeMismatch;
                break;
            }
            const auto bytes = keyBytes(*e);
            if (!bytes) {
                out.result = SMCResult::keyNotFound;
                break;
            }
            out.keyInfo.dataSize = e->size;
            out.keyInfo.dataType = fourCC(e->type);
            out.setPayload(*bytes);
            break;
        }
        case SMCCommand::writeKey: {
            KeyEntry* e = find(in.key);
            if (!e) {
                out.result = SMCResult::keyNotFound;
                break;
            }
            if (!e->writable) {
                out.result = SMCResult::notWritable;
                break;
            }
            if (in.keyInfo.dataSize != e->size) {
                out.result = SMCResult::sizeMismatch;
                break;
            }
            writeKey(*e, in.bytes);
            break;
        }
        case SMCCommand::keyAtIndex: {
            const auto visible = visibleKeys();
            if (in.data32 >= visible.size()) {
                out.result = SMCResult::indexOutOfRange;
                break;
            }
            out.key = visible[in.data32]->code;
            break;
        }
        default: out.result = SMCResult::badCommand; break;
    }
    return out;
}

std::string SimMachine::handleLine(std::string_view line) {
    json reply;
    try {
        const json request = json::parse(line.begin(), line.end(), nullptr, false);
        if (request.is_discarded() || !request.is_object()) {
            reply = {{"error", "malformed request: one JSON object per line"}};
        } else {
            std::lock_guard guard(mutex_);
            reply = handleRequest(request);
        }
    } catch (const std::exception& e) {
        reply = {{"error", e.what()}};
    }
    return reply.dump(-1, ' ', false, json::error_handler_t::replace);
}

json SimMachine::handleRequest(const json& request) {
    const auto op = request.find("op");
    if (op == request.end() || !op->is_string()) return {{"error", "missing \"op\""}};
    const std::string name = op->get<std::string>();
    try {
        if (name == "sysinfo") {
            json levels = json::array();
            for (const auto& l : profile_.perfLevels) levels.push_back({{"name", l.name}, {"physicalcpu", l.physicalCPU}});
            return {{"model", profile_.model}, {"perflevels", levels}};
        }
        if (name == "hid") {
            json services = json::array();
            for (size_t i = 0; i < profile_.hid.size(); ++i) {
                const auto f = hidFaults_.find(profile_.hid[i].product);
                if (f != hidFaults_.end() && f->second.mode == Fault::Mode::missing) continue;
                const auto temp = hidReading(i);
                services.push_back({{"product", profile_.hid[i].product}, {"temp", temp ? json(*temp) : json(nullptr)}});
            }
            return {{"services", services}};
        }
        if (name == "drives") return {{"drives", profile_.drives}};
        if (name == "state") return stateReply();
        if (name == "set") return setReply(request);
        if (name == "fault") return faultReply(request);
        if (name == "clear") {
            keyFaults_.clear();
            hidFaults_.clear();
            for (auto& fan : fans_) fan.stuck = fan.ignoreTarget = false;
            return {{"ok", true}};
        }
    } catch (const RequestError& e) {
        return {{"error", e.what()}};
    }
    return {{"error", "unknown op \"" + name + "\""}};
}

std::optional<double> SimMachine::hidReading(size_t index) {
    const HIDServiceDef& def = profile_.hid[index];
    if (const auto f = hidFaults_.find(def.product); f != hidFaults_.end()) {
        if (f->second.mode == Fault::Mode::nan) return std::nullopt;
        if (f->second.mode == Fault::Mode::value) return f->second.value;
    }
    if (def.fixed) return def.value;
    const auto node = std::find_if(profile_.nodes.begin(), profile_.nodes.end(),
                                   [&](const ThermalNode& n) { return n.name == def.node; });
    return nodeTemps_[static_cast<size_t>(node - profile_.nodes.begin())] + def.offset +
           noise(profile_.temperatureNoise);
}

json SimMachine::stateReply() {
    json fans = json::array();
    for (size_t i = 0; i < fans_.size(); ++i) {
        const auto& f = fans_[i];
        const auto& def = profile_.fans[i];
        fans.push_back({{"index", def.index},
                        {"mode", f.mode},
                        {"target", std::isfinite(f.target) ? json(f.target) : json(nullptr)},
                        {"actual", f.actual},
                        {"min", def.minRPM},
                        {"max", def.maxRPM},
                        {"stuck", f.stuck},
                        {"ignoreTarget", f.ignoreTarget}});
    }
    json nodes = json::object();
    for (size_t i = 0; i < nodeTemps_.size(); ++i) nodes[profile_.nodes[i].name] = nodeTemps_[i];
    json faults = json::array();
    for (const auto& [key, f] : keyFaults_) faults.push_back(key);
    for (const auto& [product, f] : hidFaults_) faults.push_back(product);
    return {{"model", profile_.model}, {"fans", fans},     {"nodes", nodes},   {"cpu", hottestCPU()},
            {"load", load_},           {"ambient", ambient_}, {"time", time_}, {"faults", faults}};
}

json SimMachine::setReply(const json& request) {
    const bool hasLoad = request.contains("load");
    const bool hasAmbient = request.contains("ambient");
    if (!hasLoad && !hasAmbient) throw RequestError("set needs \"load\" or \"ambient\"");
    // Check both before changing either, so a rejected request changes nothing.
    const double load = hasLoad ? requireNumber(request, "load") : load_;
    const double ambient = hasAmbient ? requireNumber(request, "ambient") : ambient_;
    if (load < 0 || load > 1) throw RequestError("\"load\" must be between 0 and 1");
    if (ambient < -40 || ambient > 80) throw RequestError("\"ambient\" must be between -40 and 80");
    load_ = load;
    ambient_ = ambient;
    return {{"ok", true}, {"load", load_}, {"ambient", ambient_}};
}

json SimMachine::faultReply(const json& request) {
    const std::string mode = requireText(request, "mode");
    if (request.contains("fan")) {
        const auto& fan = request["fan"];
        if (!fan.is_number_integer() || fan.get<int64_t>() < 0 || fan.get<int64_t>() >= static_cast<int64_t>(fans_.size()))
            throw RequestError("no such fan");
        auto& state = fans_[static_cast<size_t>(fan.get<int64_t>())];
        if (mode == "stuck") state.stuck = true;
        else if (mode == "ignore-target") state.ignoreTarget = true;
        else throw RequestError("fan fault mode must be \"stuck\" or \"ignore-target\"");
        return {{"ok", true}};
    }

    Fault fault;
    if (mode == "missing") fault.mode = Fault::Mode::missing;
    else if (mode == "nan") fault.mode = Fault::Mode::nan;
    else if (mode == "value") {
        fault.mode = Fault::Mode::value;
        fault.value = requireNumber(request, "value");
    } else {
        throw RequestError("fault mode must be \"missing\", \"nan\" or \"value\"");
    }

    if (request.contains("key")) {
        const std::string key = requireText(request, "key");
        const auto it = std::find_if(keys_.begin(), keys_.end(), [&](const KeyEntry& e) { return e.name == key; });
        if (it == keys_.end()) throw RequestError("no such key " + key);
        if (fault.mode == Fault::Mode::nan && it->type != "flt ") throw RequestError("nan needs a \"flt \" key");
        if (fault.mode == Fault::Mode::value && naturalSize(it->type) == 0)
            throw RequestError("cannot put a number into type " + it->type);
        keyFaults_[key] = fault;
        return {{"ok", true}};
    }
    if (request.contains("hid")) {
        const std::string product = requireText(request, "hid");
        const bool known = std::any_of(profile_.hid.begin(), profile_.hid.end(),
                                       [&](const HIDServiceDef& s) { return s.product == product; });
        if (!known) throw RequestError("no such HID service " + product);
        hidFaults_[product] = fault;
        return {{"ok", true}};
    }
    throw RequestError("fault needs \"key\", \"fan\" or \"hid\"");
}

}  // namespace ventiq::sim
