#include "headless/StateLine.h"

#include <cstdio>

#include <nlohmann/json.hpp>

#include "engine/FanController.h"
#include "settings/L10n.h"
#include "settings/TempFormat.h"

namespace ventiq::StateLine {
namespace {

constexpr const char* separator = " · ";

nlohmann::json optionalNumber(const std::optional<double>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

std::string fanText(const FanController& engine, int index, const char* labelKey) {
    const FanInfo* fan = engine.fan(index);
    const bool shown = fan && fan->actualReady;
    return L10n::tr(labelKey) + " " + (shown ? fan->actualText() + " rpm" : std::string("\u2014"));
}

std::string cpuText(const FanController& engine) {
    std::string out = L10n::tr("tempCpuMaxShort") + " ";
    const auto& peak = engine.temps().cpuMax;
    if (!peak) return out + "\u2014";
    const bool fahrenheit = engine.prefs().useFahrenheit();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f%s", TempFormat::converted(*peak, fahrenheit), fahrenheit ? "°F" : "°C");
    return out + buf;
}

}  // namespace

const char* kindName(ControlState::Kind kind) {
    switch (kind) {
    case ControlState::Kind::failed: return "failed";
    case ControlState::Kind::system: return "system";
    case ControlState::Kind::external: return "external";
    case ControlState::Kind::needsHelper: return "needsHelper";
    case ControlState::Kind::applying: return "applying";
    case ControlState::Kind::active: break;
    }
    return "active";
}

std::string statusText(const FanController& engine) {
    const ControlState& state = engine.controlState();
    const std::string title = engine.preset().title();
    switch (state.kind()) {
    case ControlState::Kind::system: return L10n::tr("statusSystem");
    case ControlState::Kind::external: return L10n::tr("statusExternal");
    case ControlState::Kind::needsHelper: return L10n::tr("statusNotActive") + L10n::tr("needsHelperShort");
    case ControlState::Kind::applying: return L10n::tr("statusApplying") + title;
    case ControlState::Kind::active: return L10n::tr("statusActive") + title;
    case ControlState::Kind::failed: break;
    }
    return L10n::tr("statusNotActive") + state.message();
}

std::string text(const FanController& engine) {
    std::string line = statusText(engine);
    line += separator + engine.preset().title();
    line += separator + fanText(engine, 0, "leftFan");
    line += separator + fanText(engine, 1, "rightFan");
    line += separator + cpuText(engine);
    return line;
}

nlohmann::json json(const FanController& engine) {
    nlohmann::json fans = nlohmann::json::array();
    for (const FanInfo& fan : engine.fans()) {
        fans.push_back({{"index", fan.index},
                        {"actual", fan.actual},
                        {"actualReady", fan.actualReady},
                        {"target", fan.target},
                        {"min", fan.minRPM},
                        {"max", fan.maxRPM},
                        {"forced", fan.forced ? nlohmann::json(*fan.forced) : nlohmann::json(nullptr)}});
    }
    const TempSnapshot& temps = engine.temps();
    nlohmann::json out = {
        {"preset", engine.preset().rawValue()},
        {"controlState", kindName(engine.controlState().kind())},
        {"statusText", statusText(engine)},
        {"fans", std::move(fans)},
        {"temps",
         {{"cpuMax", optionalNumber(temps.cpuMax)},
          {"cpuAvg", optionalNumber(temps.cpuAvg)},
          {"ssd", optionalNumber(temps.ssd)},
          {"battery", optionalNumber(temps.battery)}}},
        {"ladderTier", engine.ladderTier()},
        {"protectionActive", engine.protectionActive()},
        {"helperReady", engine.helperReady()},
    };
    if (engine.controlState().kind() == ControlState::Kind::failed) out["message"] = engine.controlState().message();
    return out;
}

}  // namespace ventiq::StateLine
