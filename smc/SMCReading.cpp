#include "smc/SMCReading.h"

#include <cmath>

namespace ventiq {

std::string fanKey(int fan, const char* suffix) { return "F" + std::to_string(fan) + suffix; }

std::optional<double> SMCReading::readFloat(const std::string& key) const {
    const auto value = readValue(key);
    if (!value) return std::nullopt;
    const auto f = value->float_();
    if (!f || !std::isfinite(*f)) return std::nullopt;
    return static_cast<double>(*f);
}

std::optional<uint8_t> SMCReading::readU8(const std::string& key) const {
    const auto value = readValue(key);
    if (!value) return std::nullopt;
    return value->uint8();
}

int SMCReading::fanCount() const { return readU8("FNum").value_or(0); }

std::optional<std::string> SMCReading::fanModeKey(int fan) const {
    for (const char* suffix : {"md", "Md"}) {
        auto key = fanKey(fan, suffix);
        if (readValue(key)) return key;
    }
    return std::nullopt;
}

std::optional<FanReading> SMCReading::fanReading(int fan) const {
    const auto actual = readFloat(fanKey(fan, "Ac"));
    if (!actual) return std::nullopt;
    const auto minRPM = readFloat(fanKey(fan, "Mn"));
    if (!minRPM) return std::nullopt;
    const auto maxRPM = readFloat(fanKey(fan, "Mx"));
    if (!maxRPM || !(*minRPM < *maxRPM)) return std::nullopt;
    FanReading reading;
    reading.index = fan;
    reading.actual = *actual;
    reading.minRPM = *minRPM;
    reading.maxRPM = *maxRPM;
    reading.target = readFloat(fanKey(fan, "Tg")).value_or(*actual);
    if (const auto modeKey = fanModeKey(fan)) {
        if (const auto mode = readU8(*modeKey)) reading.forced = *mode != 0;
    }
    return reading;
}

}  // namespace ventiq
