#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "sim/SimMachine.h"

namespace ventiq::sim {

namespace {

using nlohmann::json;

struct RequestError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

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
