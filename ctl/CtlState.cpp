#include "ctl/CtlState.h"

#include <QDBusArgument>

#include <cmath>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "app/RemoteInterface.h"

namespace ventiq::ctl::CtlState {
namespace {

RemoteFanList fansOf(const QVariantMap& p) {
    const QVariant value = p.value("Fans");
    if (value.canConvert<QDBusArgument>()) return qdbus_cast<RemoteFanList>(value.value<QDBusArgument>());
    return value.value<RemoteFanList>();
}

std::string str(const QVariantMap& p, const char* key) { return p.value(key).toString().toStdString(); }

nlohmann::json number(const QVariantMap& p, const char* key) {
    const double value = p.value(key, std::nan("")).toDouble();
    return std::isnan(value) ? nlohmann::json(nullptr) : nlohmann::json(value);
}

std::string degrees(const QVariantMap& p, const char* key) {
    const double value = p.value(key, std::nan("")).toDouble();
    if (std::isnan(value)) return "\u2014";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f °C", value);
    return buf;
}

std::string fanText(const RemoteFan& fan) {
    std::string out = fan.index == 0 ? "left " : fan.index == 1 ? "right " : "fan " + std::to_string(fan.index) + " ";
    out += fan.actual < 0 ? std::string("\u2014") : std::to_string(fan.actual);
    out += " rpm";
    if (fan.forced) out += " (held at " + std::to_string(fan.target) + ")";
    return out;
}

}  // namespace

std::string text(const QVariantMap& p) {
    constexpr const char* sep = " · ";
    std::string line = "preset " + str(p, "Preset") + sep + str(p, "ControlState");
    if (!str(p, "ControlMessage").empty()) line += " (" + str(p, "ControlMessage") + ")";
    for (const RemoteFan& fan : fansOf(p)) line += sep + fanText(fan);
    line += sep + std::string("CPU peak ") + degrees(p, "CpuPeak");
    line += sep + std::string("step ") + std::to_string(p.value("LadderTier").toInt());
    if (p.value("ProtectionActive").toBool()) line += sep + std::string("overheat protection");
    if (!p.value("HelperReady").toBool()) line += sep + std::string("helper not ready");
    return line;
}

std::string json(const QVariantMap& p) {
    nlohmann::json fans = nlohmann::json::array();
    for (const RemoteFan& fan : fansOf(p)) {
        fans.push_back({{"index", fan.index},
                        {"actual", fan.actual < 0 ? nlohmann::json(nullptr) : nlohmann::json(fan.actual)},
                        {"target", fan.target},
                        {"min", fan.min},
                        {"max", fan.max},
                        {"forced", fan.forced}});
    }
    const nlohmann::json out = {
        {"preset", str(p, "Preset")},
        {"controlOn", p.value("ControlOn").toBool()},
        {"controlState", str(p, "ControlState")},
        {"controlMessage", str(p, "ControlMessage")},
        {"fans", std::move(fans)},
        {"cpuPeak", number(p, "CpuPeak")},
        {"cpuAverage", number(p, "CpuAverage")},
        {"ssd", number(p, "Ssd")},
        {"battery", number(p, "Battery")},
        {"ladderTier", p.value("LadderTier").toInt()},
        {"protectionActive", p.value("ProtectionActive").toBool()},
        {"helperReady", p.value("HelperReady").toBool()},
    };
    return out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace ventiq::ctl::CtlState
